#pragma once
// A label that acts as a link: underlined, hand cursor, clicked on a left-button release.

#include <QLabel>

namespace ombrelt::ui {

class TLinkLabel : public QLabel {
  Q_OBJECT

 public:
  TLinkLabel(const QString& text, QWidget* parent);

 signals:
  void clicked();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace ombrelt::ui

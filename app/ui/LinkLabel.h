#pragma once
// A label that acts as a link: underlined, hand cursor, clicked on a left-button release, and
// reachable with Tab and pressed with Enter or Space like a button, for keyboard users.

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
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ColourLink();
};

}  // namespace ombrelt::ui

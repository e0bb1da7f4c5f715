#pragma once
// Tells when one of the program's own windows becomes the active one among them. Message boxes,
// file dialogs and other applications coming and going do not count, so the main window reacts
// at start and when one of the program's dialogs closes, but not when the user switches back from
// another program or closes a message box it showed.

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace ombrelt::ui {

class TActiveFormTracker : public QObject {
  Q_OBJECT

 public:
  explicit TActiveFormTracker(QObject* parent) : QObject(parent) {}

  void Track(QWidget& form) { form.installEventFilter(this); }

 signals:
  void FormActivated(QWidget* form);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<QObject> lastActive_;
};

}  // namespace ombrelt::ui

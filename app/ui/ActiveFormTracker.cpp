#include "app/ui/ActiveFormTracker.h"

#include <QEvent>

namespace ombrelt::ui {

bool TActiveFormTracker::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::WindowActivate && watched != lastActive_) {
    lastActive_ = watched;
    emit FormActivated(static_cast<QWidget*>(watched));
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace ombrelt::ui

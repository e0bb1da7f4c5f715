#include "app/ui/LinkLabel.h"

#include <QMouseEvent>

namespace ombrelt::ui {

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, QColor(0, 70, 160));
  setPalette(palette);
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

}  // namespace ombrelt::ui

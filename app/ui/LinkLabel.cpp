#include "app/ui/LinkLabel.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>

#include "app/ui/ColourContrast.h"

namespace ombrelt::ui {

TLinkLabel::TLinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
  setCursor(Qt::PointingHandCursor);
  QFont underlined = font();
  underlined.setUnderline(true);
  setFont(underlined);
  ColourLink();
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleName(text);
}

// A dark blue on light desktops; on dark ones a light blue, as dark as stays readable.
void TLinkLabel::ColourLink() {
  const QColor background = QGuiApplication::palette().color(QPalette::Window);
  QPalette palette = this->palette();
  palette.setColor(QPalette::WindowText, MostReadableOn(background, {QColor(0, 70, 160), QColor(0x8c, 0xb4, 0xff)}));
  setPalette(palette);
}

void TLinkLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::ApplicationPaletteChange) ColourLink();
}

void TLinkLabel::mouseReleaseEvent(QMouseEvent* event) {
  QLabel::mouseReleaseEvent(event);
  if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) emit clicked();
}

void TLinkLabel::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
    emit clicked();
    return;
  }
  QLabel::keyPressEvent(event);
}

}  // namespace ombrelt::ui

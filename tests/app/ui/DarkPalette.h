#pragma once
// A dark desktop theme, as Fusion-styled desktops ship them: what the window tests and the dark
// screenshot render the window under.

#include <QColor>
#include <QPalette>

namespace ombrelt::ui::testing {

inline QPalette DarkPalette() {
  QPalette palette;
  const QColor window(0x2d, 0x2d, 0x2d);
  const QColor text(0xe6, 0xe6, 0xe6);
  palette.setColor(QPalette::Window, window);
  palette.setColor(QPalette::WindowText, text);
  palette.setColor(QPalette::Base, QColor(0x1e, 0x1e, 0x1e));
  palette.setColor(QPalette::AlternateBase, window);
  palette.setColor(QPalette::Text, text);
  palette.setColor(QPalette::Button, QColor(0x35, 0x35, 0x35));
  palette.setColor(QPalette::ButtonText, text);
  palette.setColor(QPalette::ToolTipBase, window);
  palette.setColor(QPalette::ToolTipText, text);
  palette.setColor(QPalette::Link, QColor(0x8c, 0xb4, 0xff));
  palette.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
  palette.setColor(QPalette::HighlightedText, Qt::white);
  for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) {
    palette.setColor(QPalette::Disabled, role, QColor(0x80, 0x80, 0x80));
  }
  return palette;
}

}  // namespace ombrelt::ui::testing

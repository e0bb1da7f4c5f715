#pragma once
// Where a dialog goes when it is shown over its owner: centred on it, halves rounded toward zero.

#include <QPoint>
#include <QWidget>

namespace ombrelt::ui {

inline QPoint CentredOn(const QWidget& owner, const QWidget& dialog) {
  const QRect area = owner.frameGeometry();
  const QSize size = dialog.frameGeometry().size();
  return {area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2};
}

}  // namespace ombrelt::ui

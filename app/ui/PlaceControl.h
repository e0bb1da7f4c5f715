#pragma once
// Creates a child control, gives it its object name and puts it at its place, in pixels at 96
// dots per inch: the windows keep the fixed layout users of earlier versions know.

#include <QRect>
#include <QString>
#include <QWidget>

#include <utility>

namespace ombrelt::ui {

template <typename Widget, typename... Args>
Widget* PlaceControl(QWidget* parent, const QString& name, QRect geometry, Args&&... args) {
  auto* widget = new Widget(std::forward<Args>(args)..., parent);
  widget->setObjectName(name);
  widget->setGeometry(geometry);
  return widget;
}

}  // namespace ombrelt::ui

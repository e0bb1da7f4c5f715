#pragma once
// Creates a child control and gives it its object name, by which the windows' tests find it. Where
// it goes is the business of the layout it is added to: nothing is placed in pixels, so captions
// keep their room at any desktop font size.

#include <QString>
#include <QWidget>

#include <utility>

namespace ombrelt::ui {

template <typename Widget, typename... Args>
Widget* NamedControl(QWidget* parent, const char* name, Args&&... args) {
  auto* widget = new Widget(std::forward<Args>(args)..., parent);
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace ombrelt::ui

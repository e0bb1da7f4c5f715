#pragma once
// A group of radio buttons is one stop of the Tab chain, entered at its checked button; the arrow
// keys move (and check) within it. Only the checked button takes Tab focus, whichever it is.

#include <QRadioButton>

#include <initializer_list>
#include <vector>

namespace ombrelt::ui {

inline void MakeOneTabStop(std::initializer_list<QRadioButton*> group) {
  const std::vector<QRadioButton*> buttons(group);
  const auto update = [buttons] {
    for (QRadioButton* button : buttons) button->setFocusPolicy(button->isChecked() ? Qt::StrongFocus : Qt::ClickFocus);
  };
  for (QRadioButton* button : buttons) QObject::connect(button, &QRadioButton::toggled, button, update);
  update();
}

}  // namespace ombrelt::ui

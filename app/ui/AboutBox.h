#pragma once
// The about box: the program's picture, its version and a Close button.

#include <QDialog>

namespace ombrelt::ui {

class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent);
};

}  // namespace ombrelt::ui

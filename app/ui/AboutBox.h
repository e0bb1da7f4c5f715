#pragma once
// The about box (TForm6): the program's picture, its version and a Close button.

#include <QDialog>

namespace ombrelt::ui {

class TForm6 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm6(QWidget* parent);
};

}  // namespace ombrelt::ui

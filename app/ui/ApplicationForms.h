#pragma once
// The program's three forms, created in the order users of earlier versions rely on: the main
// window (which loads the output folder), the about box, the password settings dialog. The main
// window owns the two dialogs.

#include "app/ui/MainWindow.h"

namespace ombrelt::ui {

class TForm6;
class TFrmPwd;
class TUserPrompts;

class TApplicationForms {
 public:
  explicit TApplicationForms(TUserPrompts& prompts);

  TForm1& Form1() { return form1_; }
  TForm6& Form6() { return *form6_; }
  TFrmPwd& FrmPwd() { return *frmPwd_; }

 private:
  TForm1 form1_;
  TForm6* form6_;
  TFrmPwd* frmPwd_;
};

}  // namespace ombrelt::ui

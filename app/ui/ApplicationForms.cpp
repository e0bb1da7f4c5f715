#include "app/ui/ApplicationForms.h"

#include "app/ui/AboutBox.h"
#include "app/ui/PasswordSettingsDialog.h"

namespace ombrelt::ui {

TApplicationForms::TApplicationForms(TUserPrompts& prompts)
    : form1_(prompts), form6_(new TForm6(&form1_)), frmPwd_(new TFrmPwd(prompts, &form1_)) {
  form1_.SetDialogs(*form6_, *frmPwd_);
}

}  // namespace ombrelt::ui

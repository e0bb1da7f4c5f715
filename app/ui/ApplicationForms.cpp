#include "app/ui/ApplicationForms.h"

#include "app/ui/AboutBox.h"
#include "app/ui/PasswordSettingsDialog.h"

namespace ombrelt::ui {

TApplicationForms::TApplicationForms(TUserPrompts& prompts)
    : mainWindow_(prompts),
      aboutBox_(new TAboutBox(&mainWindow_)),
      passwordSettingsDialog_(new TPasswordSettingsDialog(prompts, &mainWindow_)) {
  mainWindow_.SetDialogs(*aboutBox_, *passwordSettingsDialog_);
}

}  // namespace ombrelt::ui

#pragma once
// The program's three forms, created in this order: the main window (which loads the output folder
// and the level), the about box, the password settings dialog, which the main window then loads on
// its first activation. The main window owns the two dialogs.

#include "app/ui/MainWindow.h"

namespace ombrelt::ui {

class TAboutBox;
class TPasswordSettingsDialog;
class TUserPrompts;

class TApplicationForms {
 public:
  explicit TApplicationForms(TUserPrompts& prompts);

  TMainWindow& MainWindow() { return mainWindow_; }
  TAboutBox& AboutBox() { return *aboutBox_; }
  TPasswordSettingsDialog& PasswordSettingsDialog() { return *passwordSettingsDialog_; }

 private:
  TMainWindow mainWindow_;
  TAboutBox* aboutBox_;
  TPasswordSettingsDialog* passwordSettingsDialog_;
};

}  // namespace ombrelt::ui

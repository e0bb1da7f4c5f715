#include "app/ui/BatchSnapshot.h"

#include "app/ui/MainWindowControls.h"
#include "app/ui/PasswordSettingsDialog.h"

namespace ombrelt::ui {

namespace {

std::u16string Text(const QLineEdit* field) { return field->text().toStdU16String(); }

std::int32_t LevelOf(const TMainControls& c) {
  if (c.RadioButton40Bit->isChecked()) return 0;
  if (c.RadioButton128BitAES->isChecked()) return 2;
  if (c.RadioButton256BitAES->isChecked()) return 4;
  return 1;
}

app::TPermissionFlags PermissionsOf(const TMainControls& c) {
  app::TPermissionFlags flags;
  flags.print = c.CheckBoxAllwPrint->isChecked();
  flags.highQualityPrint = c.RadioButtonHighResolution->isChecked();
  flags.copy = c.CheckBoxAllwCopy->isChecked();
  flags.change = c.CheckBoxAllwChange->isChecked();
  flags.annotations = c.CheckBoxAllwAddAnno->isChecked();
  flags.formFilling = c.CheckBoxAllwFFill->isChecked();
  flags.accessibility = c.CheckBoxAllwCopyacce->isChecked();
  flags.assembling = c.CheckBoxAllwAssemble->isChecked();
  return flags;
}

app::TPasswordSettings PasswordOf(const QCheckBox* box, const QCheckBox* autoBox, const QLineEdit* field,
                                  app::TGeneratorSettings generator) {
  app::TPasswordSettings password;
  password.mode = app::PasswordModeOf(box->isChecked(), autoBox->isChecked());
  password.typed = Text(field);
  password.generator = std::move(generator);
  return password;
}

}  // namespace

app::TValidationInput ValidationInputOf(const TMainControls& c, const TFrmPwd& passwordSettings) {
  app::TValidationInput input;
  input.fileCount = static_cast<std::size_t>(c.ListView1->rowCount());
  input.level = LevelOf(c);
  input.openPasswordBox = c.CheckBoxOpenpassword->isChecked();
  input.openPasswordAuto = c.CheckboxUserAuto->isChecked();
  input.openPasswordText = Text(c.EditUser);
  input.restrictionsBox = c.CheckBoxRestrictions->isChecked();
  input.restrictionsAuto = c.CheckboxOwnerAuto->isChecked();
  input.restrictionsText = Text(c.EditOwner);
  input.outputFolder = Text(c.EditSavePath);
  input.passwordFilePath = passwordSettings.LogPath().toStdU16String();
  return input;
}

app::TBatchSettings TakeBatchSettings(const TMainControls& c, const TFrmPwd& passwordSettings) {
  app::TBatchSettings settings;
  settings.level = LevelOf(c);
  settings.permissions = PermissionsOf(c);
  settings.openPassword =
      PasswordOf(c.CheckBoxOpenpassword, c.CheckboxUserAuto, c.EditUser, passwordSettings.UserGenerator());
  settings.restrictionsPassword =
      PasswordOf(c.CheckBoxRestrictions, c.CheckboxOwnerAuto, c.EditOwner, passwordSettings.OwnerGenerator());
  settings.naming = c.RadioBtnSameFName->isChecked() ? app::TNamingMode::kKeep : app::TNamingMode::kSuffix;
  settings.suffix = Text(c.EditSuffix);
  settings.outputFolder = Text(c.EditSavePath);
  settings.passwordFileWanted = c.CheckboxUserAuto->isChecked() || c.CheckboxOwnerAuto->isChecked();
  settings.passwordFilePath = passwordSettings.LogPath().toStdU16String();
  settings.files = c.ListView1->Paths();
  return app::NormalisedSettings(settings);
}

}  // namespace ombrelt::ui

#include "app/ui/BatchSnapshot.h"

#include "app/ui/MainWindowControls.h"
#include "app/ui/PasswordSettingsDialog.h"

namespace ombrelt::ui {

namespace {

std::u16string Text(const QLineEdit* field) { return field->text().toStdU16String(); }

std::int32_t LevelOf(const TMainControls& c) {
  if (c.level40BitRc4Radio->isChecked()) return 0;
  if (c.level128BitAesRadio->isChecked()) return 2;
  if (c.level256BitAesRadio->isChecked()) return 4;
  return 1;
}

app::TPermissionFlags PermissionsOf(const TMainControls& c) {
  app::TPermissionFlags flags;
  flags.print = c.allowPrintingCheck->isChecked();
  flags.highQualityPrint = c.highResolutionRadio->isChecked();
  flags.copy = c.allowCopyingCheck->isChecked();
  flags.change = c.allowChangingCheck->isChecked();
  flags.annotations = c.allowAnnotationsCheck->isChecked();
  flags.formFilling = c.allowFormFillingCheck->isChecked();
  flags.accessibility = c.allowAccessibilityCheck->isChecked();
  flags.assembling = c.allowAssemblingCheck->isChecked();
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

app::TValidationInput ValidationInputOf(const TMainControls& c, const TPasswordSettingsDialog& passwordSettings) {
  app::TValidationInput input;
  input.fileCount = static_cast<std::size_t>(c.fileList->rowCount());
  input.level = LevelOf(c);
  input.openPasswordBox = c.openPasswordCheck->isChecked();
  input.openPasswordAuto = c.openPasswordAutoCheck->isChecked();
  input.openPasswordText = Text(c.openPasswordEdit);
  input.restrictionsBox = c.restrictionsPasswordCheck->isChecked();
  input.restrictionsAuto = c.restrictionsPasswordAutoCheck->isChecked();
  input.restrictionsText = Text(c.restrictionsPasswordEdit);
  input.outputFolder = Text(c.outputFolderEdit);
  input.passwordFilePath = app::TrimText(passwordSettings.PasswordFilePath().toStdU16String());
  input.keepMetadataReadable = c.keepMetadataCheck->isChecked();
  return input;
}

app::TBatchSettings TakeBatchSettings(const TMainControls& c, const TPasswordSettingsDialog& passwordSettings) {
  app::TBatchSettings settings;
  settings.level = LevelOf(c);
  settings.permissions = PermissionsOf(c);
  settings.openPassword =
      PasswordOf(c.openPasswordCheck, c.openPasswordAutoCheck, c.openPasswordEdit, passwordSettings.UserGenerator());
  settings.restrictionsPassword = PasswordOf(c.restrictionsPasswordCheck, c.restrictionsPasswordAutoCheck,
                                             c.restrictionsPasswordEdit, passwordSettings.OwnerGenerator());
  settings.naming = c.keepNameRadio->isChecked() ? app::TNamingMode::kKeep : app::TNamingMode::kSuffix;
  settings.suffix = Text(c.suffixEdit);
  settings.outputFolder = Text(c.outputFolderEdit);
  settings.passwordFileWanted = c.openPasswordAutoCheck->isChecked() || c.restrictionsPasswordAutoCheck->isChecked();
  settings.passwordFilePath = app::TrimText(passwordSettings.PasswordFilePath().toStdU16String());
  settings.keepMetadataReadable = c.keepMetadataCheck->isChecked();
  settings.files = c.fileList->Paths();
  return app::NormalisedSettings(settings);
}

}  // namespace ombrelt::ui

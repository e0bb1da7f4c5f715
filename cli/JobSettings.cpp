#include "cli/JobSettings.h"

#include <filesystem>
#include <thread>

#include "pdf/objects/TextConversions.h"

namespace cli {

namespace fs = std::filesystem;
namespace app = ombrelt::app;

namespace {

app::TPasswordSettings PasswordSettings(const TPasswordSource& source, const TGeneratorOptions& generator,
                                        const std::u16string& typed) {
  app::TPasswordSettings password;
  password.mode = app::PasswordModeOf(source.Kind != TPasswordSource::TKind::None || generator.Auto, generator.Auto);
  password.typed = typed;
  password.generator = {pdf::UTF8ToUnicode(std::to_string(generator.Length)), generator.Digits, generator.Letters,
                        generator.Specials, generator.Lower};
  return password;
}

app::TPermissionFlags PermissionFlags(const TPermissions& allow) {
  return {allow.Print,    allow.PrintHighQuality, allow.Copy,          allow.Change,
          allow.Annotate, allow.FillForms,        allow.Accessibility, allow.Assemble};
}

}  // namespace

std::string FullPath(const std::string& path) {
  const fs::path full = fs::absolute(path);
  fs::path cleaned;
  for (const fs::path& part : full) {
    if (part != ".") cleaned /= part;
  }
  return cleaned.string();
}

// Output naming shared by the commands: -o FILE, or a folder with a suffix or the inputs' names.
void SetOutput(app::TBatchSettings& job, const std::string& outputFile, const std::string& outputFolder, bool keepName,
               const std::string& suffix) {
  if (!outputFile.empty()) {
    const fs::path file(outputFile);
    job.naming = app::TNamingMode::kNamed;
    job.outputFolder = pdf::UTF8ToUnicode(file.has_parent_path() ? file.parent_path().string() : ".");
    job.outputName = pdf::UTF8ToUnicode(file.filename().string());
  } else {
    job.naming = keepName ? app::TNamingMode::kKeep : app::TNamingMode::kSuffix;
    job.suffix = pdf::UTF8ToUnicode(suffix);
    job.outputFolder = pdf::UTF8ToUnicode(outputFolder);
  }
}

void SetCurrentPassword(app::TBatchSettings& job, const TPasswordSource& source, const std::string& ledger,
                        const std::u16string& password) {
  if (source.Kind != TPasswordSource::TKind::None) {
    job.currentPassword = {app::TCurrentPasswordSettings::TKind::kTyped, password, u""};
  } else if (!ledger.empty()) {
    job.currentPassword = {app::TCurrentPasswordSettings::TKind::kLedger, u"", pdf::UTF8ToUnicode(FullPath(ledger))};
  }
}

app::TBatchSettings JobSettings(const TEncryptSettings& settings, const TTypedPasswords& passwords, TListedSides listed) {
  app::TBatchSettings job;
  job.level = FacadeStrength(settings.Level);
  job.permissions = PermissionFlags(settings.Allow);
  job.openPassword = PasswordSettings(settings.OpenPassword, settings.OpenGenerator, passwords.Open);
  job.restrictionsPassword = PasswordSettings(settings.OwnerPassword, settings.OwnerGenerator, passwords.Owner);
  if (listed.Open) job.openPassword.mode = app::TPasswordMode::kListed;
  if (listed.Owner) job.restrictionsPassword.mode = app::TPasswordMode::kListed;
  if (!settings.PasswordsFrom.empty()) job.passwordListPath = pdf::UTF8ToUnicode(FullPath(settings.PasswordsFrom));
  SetCurrentPassword(job, settings.InputPassword, settings.InputLedger, passwords.Input);
  SetOutput(job, settings.OutputFile, settings.OutputFolder, settings.KeepName, settings.Suffix);
  job.passwordFileWanted = !settings.PasswordFile.empty();
  if (job.passwordFileWanted) job.passwordFilePath = pdf::UTF8ToUnicode(FullPath(settings.PasswordFile));
  job.verify = settings.Verify;
  job.keepMetadataReadable = settings.CleartextMetadata;
  return app::NormalisedSettings(std::move(job));
}

app::TBatchSettings DecryptJobSettings(const TDecryptSettings& settings, const std::u16string& password) {
  app::TBatchSettings job;
  job.operation = app::TOperation::kDecrypt;
  SetCurrentPassword(job, settings.Password, settings.Ledger, password);
  SetOutput(job, settings.OutputFile, settings.OutputFolder, !settings.SuffixGiven, settings.Suffix);
  job.verify = settings.Verify;
  return app::NormalisedSettings(std::move(job));
}

app::TValidationInput ValidationInput(const TEncryptSettings& settings, const TTypedPasswords& passwords,
                                      const app::TBatchSettings& job, TListedSides listed) {
  app::TValidationInput input;
  input.fileCount = settings.Inputs.size();
  input.level = job.level;
  input.openPasswordBox = job.openPassword.mode != app::TPasswordMode::kNone;
  input.openPasswordAuto = settings.OpenGenerator.Auto;
  input.openPasswordText = passwords.Open;
  input.restrictionsBox = job.restrictionsPassword.mode != app::TPasswordMode::kNone;
  input.restrictionsAuto = settings.OwnerGenerator.Auto;
  input.restrictionsText = passwords.Owner;
  input.openPasswordListed = listed.Open;
  input.restrictionsListed = listed.Owner;
  input.outputFolder = job.outputFolder;
  input.passwordFilePath = job.passwordFilePath;
  input.keepMetadataReadable = job.keepMetadataReadable;
  return input;
}

int JobCount(int jobs) {
  if (jobs > 0) return jobs;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace cli

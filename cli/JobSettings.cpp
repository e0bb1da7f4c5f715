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

app::TBatchSettings JobSettings(const TEncryptSettings& settings, const TTypedPasswords& passwords) {
  app::TBatchSettings job;
  job.level = FacadeStrength(settings.Level);
  job.permissions = PermissionFlags(settings.Allow);
  job.openPassword = PasswordSettings(settings.OpenPassword, settings.OpenGenerator, passwords.Open);
  job.restrictionsPassword = PasswordSettings(settings.OwnerPassword, settings.OwnerGenerator, passwords.Owner);
  if (!settings.OutputFile.empty()) {
    const fs::path file(settings.OutputFile);
    job.naming = app::TNamingMode::kNamed;
    job.outputFolder = pdf::UTF8ToUnicode(file.has_parent_path() ? file.parent_path().string() : ".");
    job.outputName = pdf::UTF8ToUnicode(file.filename().string());
  } else {
    job.naming = settings.KeepName ? app::TNamingMode::kKeep : app::TNamingMode::kSuffix;
    job.suffix = pdf::UTF8ToUnicode(settings.Suffix);
    job.outputFolder = pdf::UTF8ToUnicode(settings.OutputFolder);
  }
  job.passwordFileWanted = !settings.PasswordFile.empty();
  if (job.passwordFileWanted) job.passwordFilePath = pdf::UTF8ToUnicode(FullPath(settings.PasswordFile));
  job.verify = settings.Verify;
  return app::NormalisedSettings(std::move(job));
}

app::TValidationInput ValidationInput(const TEncryptSettings& settings, const TTypedPasswords& passwords,
                                      const app::TBatchSettings& job) {
  app::TValidationInput input;
  input.fileCount = settings.Inputs.size();
  input.openPasswordBox = job.openPassword.mode != app::TPasswordMode::kNone;
  input.openPasswordAuto = settings.OpenGenerator.Auto;
  input.openPasswordText = passwords.Open;
  input.restrictionsBox = job.restrictionsPassword.mode != app::TPasswordMode::kNone;
  input.restrictionsAuto = settings.OwnerGenerator.Auto;
  input.restrictionsText = passwords.Owner;
  input.outputFolder = job.outputFolder;
  input.passwordFilePath = job.passwordFilePath;
  return input;
}

int JobCount(const TEncryptSettings& settings) {
  if (settings.Jobs > 0) return settings.Jobs;
  const unsigned cores = std::thread::hardware_concurrency();
  return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace cli

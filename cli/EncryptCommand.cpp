#include "cli/EncryptCommand.h"

#include <filesystem>
#include <iostream>
#include <optional>
#include <set>
#include <system_error>

#include "app/core/BatchJob.h"
#include "app/core/BatchValidation.h"
#include "app/core/PasswordGenerator.h"
#include "app/core/PasswordList.h"
#include "cli/BatchRun.h"
#include "cli/InputFiles.h"
#include "cli/JobSettings.h"
#include "cli/PasswordCheck.h"
#include "cli/PasswordSource.h"
#include "cli/Utf8Text.h"
#include "pdf/objects/TextConversions.h"

namespace cli {

namespace fs = std::filesystem;
namespace app = ombrelt::app;

namespace {

// The job drops blanks and control characters around a typed password, as the window drops them
// around what users type. A password file is otherwise taken as it is, so a password that would
// lose characters is refused rather than quietly changed.
void CheckEnds(const std::string& password, const char* which) {
  const std::u16string text = pdf::UTF8ToUnicode(password);
  if (app::TrimText(text) != text) {
    throw TPasswordError(std::string("the ") + which +
                         " password begins or ends with a blank or a control character, which would not count as "
                         "part of it; remove it");
  }
}

// A password of the kind the generator makes, so that the checks of typed passwords see the
// generated side too (its length at an RC4 level, for one).
std::string GeneratedSample(const TGeneratorOptions& generator) {
  return pdf::UnicodeToUTF8(app::CreatePassword(pdf::UTF8ToUnicode(std::to_string(generator.Length)), generator.Digits,
                                                generator.Letters, generator.Specials, generator.Lower));
}

// A side the password list gives may not also be typed or generated.
TListedSides ListedSides(const TEncryptSettings& settings, const app::TPasswordList& list) {
  const TListedSides listed{list.GivesOpenPasswords(), list.GivesOwnerPasswords()};
  const auto given = [](const TPasswordSource& source, const TGeneratorOptions& generator) {
    return source.Kind != TPasswordSource::TKind::None || generator.Auto;
  };
  if (listed.Open && given(settings.OpenPassword, settings.OpenGenerator)) {
    throw TUsageError("the open password is given twice (--passwords-from and a password option)");
  }
  if (listed.Owner && given(settings.OwnerPassword, settings.OwnerGenerator)) {
    throw TUsageError("the owner password is given twice (--passwords-from and a password option)");
  }
  return listed;
}

// The checks of typed passwords, for each input's line of the password list: a password the level
// cannot hold must stop the run before any copy is made, not give copies that open with "?".
void CheckListedPasswords(const TEncryptSettings& settings, const app::TPasswordList& list, TListedSides listed,
                          const std::vector<fs::path>& files, const std::string& open, const std::string& owner) {
  std::set<std::string> warnings;
  for (const fs::path& file : files) {
    const std::vector<app::TPasswordRecord> lines =
        list.LinesFor(pdf::UTF8ToUnicode(FullPath(file.string())), app::TNameMatch::kEqual);
    if (lines.empty()) continue;  // the job fails that file alone, naming the list
    const std::string lineOpen = listed.Open ? pdf::UnicodeToUTF8(lines.front().openPassword) : open;
    const std::string lineOwner = listed.Owner ? pdf::UnicodeToUTF8(lines.front().ownerPassword) : owner;
    try {
      for (const std::string& warning : CheckPasswords(settings.Level, lineOpen, lineOwner, settings.Allow)) {
        warnings.insert(warning);
      }
    } catch (const TPasswordError& error) {
      throw TPasswordError("the password list's line for " + file.string() + ": " + error.what());
    }
  }
  for (const std::string& warning : warnings) std::cerr << "ombreltenc-cli: warning: " << warning << '\n';
}

TTypedPasswords ReadPasswords(const TEncryptSettings& settings, const std::optional<app::TPasswordList>& list,
                              TListedSides listed, const std::vector<fs::path>& files) {
  const std::string open = ReadPassword(settings.OpenPassword, std::cin);
  const std::string owner = ReadPassword(settings.OwnerPassword, std::cin);
  // The current password is taken as it is: it must match what the file was encrypted with.
  const std::string input = ReadPassword(settings.InputPassword, std::cin);
  CheckEnds(open, "open");
  CheckEnds(owner, "owner");
  const std::string openChecked = settings.OpenGenerator.Auto ? GeneratedSample(settings.OpenGenerator) : open;
  const std::string ownerChecked = settings.OwnerGenerator.Auto ? GeneratedSample(settings.OwnerGenerator) : owner;
  if (list) {
    CheckListedPasswords(settings, *list, listed, files, openChecked, ownerChecked);
  } else {
    for (const std::string& warning : CheckPasswords(settings.Level, openChecked, ownerChecked, settings.Allow)) {
      std::cerr << "ombreltenc-cli: warning: " << warning << '\n';
    }
  }
  return {pdf::UTF8ToUnicode(open), pdf::UTF8ToUnicode(owner), pdf::UTF8ToUnicode(input)};
}

// The password list, read once here for its checks; the job reads it again when it starts.
std::optional<app::TPasswordList> ReadPasswordList(const TEncryptSettings& settings) {
  if (settings.PasswordsFrom.empty()) return std::nullopt;
  try {
    return app::TPasswordList(pdf::UTF8ToUnicode(FullPath(settings.PasswordsFrom)));
  } catch (const app::EBatchJobError& error) {
    throw TPasswordError(error.what());
  }
}

// The window's own checks, with its messages, as usage errors.
void Validate(const TEncryptSettings& settings, const TTypedPasswords& passwords, const app::TBatchSettings& job,
              TListedSides listed) {
  if (const auto failure = app::ValidateBatch(ValidationInput(settings, passwords, job, listed))) {
    throw TUsageError(pdf::UnicodeToUTF8(failure->message));
  }
  // The window asks for a password file only with generated passwords; the command line also
  // records typed ones when asked to, and checks that path the same way.
  if (job.passwordFileWanted && !app::PasswordFilePathIsValid(job.passwordFilePath)) {
    throw TUsageError("Password file path is invalid. Please choose correct one.");
  }
}

}  // namespace

int RunEncrypt(const TEncryptSettings& settings) {
  CheckOutputNames(settings.OutputFolder, settings.OutputFile, settings.Inputs.front());
  const TInputFiles inputs = CollectInputFiles(settings.Inputs, settings.Recursive);
  const std::optional<app::TPasswordList> list = ReadPasswordList(settings);
  const TListedSides listed = list ? ListedSides(settings, *list) : TListedSides{};
  const TTypedPasswords passwords = ReadPasswords(settings, list, listed, inputs.Files);
  app::TBatchSettings job = JobSettings(settings, passwords, listed);
  Validate(settings, passwords, job, listed);
  if (!CreateOutputFolder(settings.OutputFolder)) return 1;
  return RunBatch(inputs, std::move(job), JobCount(settings.Jobs), "encrypted");
}

}  // namespace cli

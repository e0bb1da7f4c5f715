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

// A password with a control character inside is one no reader lets anyone type.
void CheckInside(const std::string& password, const char* which) {
  if (const auto fault = app::NewPasswordFault(pdf::UTF8ToUnicode(password))) {
    throw TPasswordError(std::string("the ") + which + " password " + pdf::UnicodeToUTF8(*fault) + "; remove it");
  }
}

// Whether the level holds the passwords the list gives an input; one it cannot hold fails that file
// alone when the job reaches it.
bool LevelHoldsListed(const TEncryptionLevel level, const app::TPasswordRecord& line, TListedSides listed) {
  const std::int32_t strength = FacadeStrength(level);
  return (!listed.Open || app::LevelHoldsPassword(strength, line.openPassword)) &&
         (!listed.Owner || app::LevelHoldsPassword(strength, line.ownerPassword));
}

// The checks of typed passwords, for each input's line of the password list, before any copy is
// made; the warnings they give are printed once each.
void CheckListedPasswords(const TEncryptSettings& settings, const app::TPasswordList& list, TListedSides listed,
                          const std::vector<fs::path>& files, const std::string& open, const std::string& owner) {
  std::set<std::string> warnings;
  for (const fs::path& file : files) {
    const std::vector<app::TPasswordRecord> lines =
        list.LinesFor(pdf::UTF8ToUnicode(FullPath(file.string())), app::TNameMatch::kEqual);
    // The job fails such a file alone, naming the list.
    if (lines.empty() || !LevelHoldsListed(settings.Level, lines.front(), listed)) continue;
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
  CheckInside(open, "open");
  CheckInside(owner, "owner");
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

// The password list, read once here for its checks (strictly: it gives new passwords); the job
// reads it again when it starts.
std::optional<app::TPasswordList> ReadPasswordList(const TEncryptSettings& settings,
                                                   const std::vector<fs::path>& files) {
  if (settings.PasswordsFrom.empty()) return std::nullopt;
  try {
    std::optional<app::TPasswordList> list(std::in_place, pdf::UTF8ToUnicode(FullPath(settings.PasswordsFrom)),
                                           app::TListUse::kNewPasswords);
    std::vector<std::u16string> inputs;
    for (const fs::path& file : files) inputs.push_back(pdf::UTF8ToUnicode(FullPath(file.string())));
    list->CheckOneLinePerInput(inputs);
    return list;
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
  const std::optional<app::TPasswordList> list = ReadPasswordList(settings, inputs.Files);
  const TListedSides listed = list ? ListedSides(settings, *list) : TListedSides{};
  const TTypedPasswords passwords = ReadPasswords(settings, list, listed, inputs.Files);
  app::TBatchSettings job = JobSettings(settings, passwords, listed);
  Validate(settings, passwords, job, listed);
  if (const auto warning = LevelWarning(settings.Level)) std::cerr << "ombreltenc-cli: warning: " << *warning << '\n';
  if (!CreateOutputFolder(settings.OutputFolder)) return 1;
  return RunBatch(inputs, std::move(job), JobCount(settings.Jobs), "encrypted");
}

}  // namespace cli

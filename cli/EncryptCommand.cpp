#include "cli/EncryptCommand.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "app/core/BatchJob.h"
#include "app/core/BatchValidation.h"
#include "app/core/PasswordGenerator.h"
#include "cli/BatchReport.h"
#include "cli/InputFiles.h"
#include "cli/InputScreening.h"
#include "cli/JobSettings.h"
#include "cli/PasswordCheck.h"
#include "cli/PasswordSource.h"
#include "cli/ProgressBar.h"
#include "cli/StopRequest.h"
#include "cli/Utf8Text.h"
#include "pdf/objects/TextConversions.h"

namespace cli {

namespace fs = std::filesystem;
namespace app = ombrelt::app;

namespace {

// -o names one file: not a folder on either side.
void CheckOutputNames(const TEncryptSettings& settings) {
  if (!IsWellFormedUTF8(settings.OutputFolder) || !IsWellFormedUTF8(settings.OutputFile)) {
    throw TUsageError("the output name is not UTF-8 text");
  }
  if (settings.OutputFile.empty()) return;
  std::error_code ignored;
  if (fs::is_directory(settings.Inputs.front(), ignored))
    throw TUsageError("-o FILE takes one input file, not a folder");
  const fs::path name = fs::path(settings.OutputFile).filename();
  if (name.empty() || name == "." || name == ".." || fs::is_directory(settings.OutputFile, ignored)) {
    throw TUsageError("-o FILE needs the name of a file, not of a folder");
  }
}

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

TTypedPasswords ReadPasswords(const TEncryptSettings& settings) {
  const std::string open = ReadPassword(settings.OpenPassword, std::cin);
  const std::string owner = ReadPassword(settings.OwnerPassword, std::cin);
  CheckEnds(open, "open");
  CheckEnds(owner, "owner");
  const std::string openChecked = settings.OpenGenerator.Auto ? GeneratedSample(settings.OpenGenerator) : open;
  const std::string ownerChecked = settings.OwnerGenerator.Auto ? GeneratedSample(settings.OwnerGenerator) : owner;
  for (const std::string& warning : CheckPasswords(settings.Level, openChecked, ownerChecked, settings.Allow)) {
    std::cerr << "ombreltenc-cli: warning: " << warning << '\n';
  }
  return {pdf::UTF8ToUnicode(open), pdf::UTF8ToUnicode(owner)};
}

// The window's own checks, with its messages, as usage errors.
void Validate(const TEncryptSettings& settings, const TTypedPasswords& passwords, const app::TBatchSettings& job) {
  if (const auto failure = app::ValidateBatch(ValidationInput(settings, passwords, job))) {
    throw TUsageError(pdf::UnicodeToUTF8(failure->message));
  }
  // The window asks for a password file only with generated passwords; the command line also
  // records typed ones when asked to, and checks that path the same way.
  if (job.passwordFileWanted && !app::PasswordFilePathIsValid(job.passwordFilePath)) {
    throw TUsageError("Password file path is invalid. Please choose correct one.");
  }
}

bool CreateOutputFolder(const TEncryptSettings& settings) {
  if (settings.OutputFolder.empty()) return true;
  std::error_code error;
  fs::create_directories(settings.OutputFolder, error);
  if (!error) return true;
  std::cerr << "ombreltenc-cli: cannot create the output folder " << TerminalText(settings.OutputFolder) << ": "
            << error.message() << '\n';
  return false;
}

// Hands the accepted inputs to the job (their full paths) and returns, for each file of the job,
// its line in the list of all inputs.
std::vector<std::size_t> AcceptedLines(const std::vector<TScreenedInput>& screened, app::TBatchSettings& job) {
  std::vector<std::size_t> lines;
  for (std::size_t line = 0; line < screened.size(); ++line) {
    if (screened[line].Refusal) continue;
    lines.push_back(line);
    job.files.push_back(screened[line].FullPath);
  }
  return lines;
}

// On standard error, so that the status lines on standard output keep their form.
void WarnOfNotices(const std::vector<TScreenedInput>& screened) {
  for (const TScreenedInput& input : screened) {
    if (input.Refusal) continue;
    for (const std::string& notice : input.Notices) {
      std::cerr << "ombreltenc-cli: warning: " << TerminalText(input.Name + ": " + notice) << '\n';
    }
  }
}

void RunJob(const app::TBatchSettings& job, TBatchReport& report, int jobs) {
  if (!job.files.empty()) {
    try {
      app::EncryptPDF(job, report, jobs);
    } catch (...) {
      report.Finish();
      throw;
    }
  }
  report.Finish();
}

// Screens the inputs, encrypts the accepted ones and reports every one. True when every file
// succeeded.
bool EncryptFiles(const TEncryptSettings& settings, const std::vector<fs::path>& files, app::TBatchSettings job) {
  // Before the screening, so that Ctrl-C from here on leaves the password file untouched or complete.
  const TStopRequest stop;
  const std::vector<TScreenedInput> screened = ScreenInputs(files, job);
  std::vector<std::size_t> jobLines = AcceptedLines(screened, job);
  std::vector<std::string> names;
  for (const TScreenedInput& input : screened) names.push_back(input.Name);
  TProgressBar progress(std::cerr, TProgressBar::StandardErrorIsTerminal());
  TBatchReport report(std::cout, progress, std::move(names), std::move(jobLines), stop);
  for (std::size_t line = 0; line < screened.size(); ++line) {
    if (screened[line].Refusal) report.Refuse(line, *screened[line].Refusal);
  }
  WarnOfNotices(screened);
  RunJob(job, report, JobCount(settings));
  if (report.Stopped()) {
    std::cerr << "ombreltenc-cli: stopped; " << report.NotStarted() << " of " << job.files.size()
              << " files were not encrypted\n";
    return false;
  }
  return !report.AnyFailed();
}

}  // namespace

int RunEncrypt(const TEncryptSettings& settings) {
  CheckOutputNames(settings);
  const TInputFiles inputs = CollectInputFiles(settings.Inputs, settings.Recursive);
  const TTypedPasswords passwords = ReadPasswords(settings);
  app::TBatchSettings job = JobSettings(settings, passwords);
  Validate(settings, passwords, job);
  if (!CreateOutputFolder(settings)) return 1;
  for (const fs::path& folder : inputs.FoldersWithoutPDF) {
    std::cerr << "ombreltenc-cli: warning: no PDF files in " << TerminalText(folder.string()) << '\n';
  }
  for (const TInputFiles::TFolderProblem& problem : inputs.UnreadableFolders) {
    std::cout << TerminalText(problem.Folder.string() + ": Failed! the folder cannot be read (" + problem.Reason + ")")
              << std::endl;
  }
  if (inputs.Files.empty()) {
    if (inputs.UnreadableFolders.empty()) std::cerr << "ombreltenc-cli: no PDF files to encrypt\n";
    return 1;
  }
  const bool succeeded = EncryptFiles(settings, inputs.Files, std::move(job));
  return succeeded && inputs.UnreadableFolders.empty() ? 0 : 1;
}

}  // namespace cli

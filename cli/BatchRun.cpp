#include "cli/BatchRun.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "app/core/BatchJob.h"
#include "cli/BatchReport.h"
#include "cli/CommandLine.h"
#include "cli/InputScreening.h"
#include "cli/ProgressBar.h"
#include "cli/StopRequest.h"
#include "cli/Utf8Text.h"

namespace cli {

namespace fs = std::filesystem;
namespace app = ombrelt::app;

namespace {

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

// Screens the inputs, copies the accepted ones and reports every one. True when every file
// succeeded.
bool RunFiles(const std::vector<fs::path>& files, app::TBatchSettings job, int jobs, const std::string& done) {
  // Before the screening, so that Ctrl-C from here on leaves the password file untouched or complete.
  const TStopRequest stop;
  const std::vector<TScreenedInput> screened = ScreenInputs(files, job);
  std::vector<std::size_t> jobLines = AcceptedLines(screened, job);
  std::vector<std::string> names;
  for (const TScreenedInput& input : screened) names.push_back(input.Name);
  TProgressBar progress(std::cerr, TProgressBar::StandardErrorIsTerminal());
  TBatchReport report(std::cout, std::cerr, progress, std::move(names), std::move(jobLines), stop);
  for (std::size_t line = 0; line < screened.size(); ++line) {
    if (screened[line].Refusal) report.Refuse(line, *screened[line].Refusal);
  }
  RunJob(job, report, jobs);
  if (report.Stopped()) {
    std::cerr << "ombreltenc-cli: stopped; " << report.NotStarted() << " of " << job.files.size()
              << " files were not " << done << "\n";
    return false;
  }
  return !report.AnyFailed();
}

}  // namespace

void CheckOutputNames(const std::string& outputFolder, const std::string& outputFile, const std::string& firstInput) {
  if (!IsWellFormedUTF8(outputFolder) || !IsWellFormedUTF8(outputFile)) {
    throw TUsageError("the output name is not UTF-8 text");
  }
  if (outputFile.empty()) return;
  std::error_code ignored;
  if (fs::is_directory(firstInput, ignored)) throw TUsageError("-o FILE takes one input file, not a folder");
  const fs::path name = fs::path(outputFile).filename();
  if (name.empty() || name == "." || name == ".." || fs::is_directory(outputFile, ignored)) {
    throw TUsageError("-o FILE needs the name of a file, not of a folder");
  }
}

bool CreateOutputFolder(const std::string& folder) {
  if (folder.empty()) return true;
  std::error_code error;
  fs::create_directories(folder, error);
  if (!error) return true;
  std::cerr << "ombreltenc-cli: cannot create the output folder " << TerminalText(folder) << ": " << error.message()
            << '\n';
  return false;
}

int RunBatch(const TInputFiles& inputs, app::TBatchSettings job, int jobs, const std::string& done) {
  for (const fs::path& folder : inputs.FoldersWithoutPDF) {
    std::cerr << "ombreltenc-cli: warning: no PDF files in " << TerminalText(folder.string()) << '\n';
  }
  for (const TInputFiles::TFolderProblem& problem : inputs.UnreadableFolders) {
    std::cout << TerminalText(problem.Folder.string() + ": Failed! the folder cannot be read (" + problem.Reason + ")")
              << std::endl;
  }
  if (inputs.Files.empty()) {
    if (inputs.UnreadableFolders.empty()) std::cerr << "ombreltenc-cli: no PDF files to work on\n";
    return 1;
  }
  const bool succeeded = RunFiles(inputs.Files, std::move(job), jobs, done);
  return succeeded && inputs.UnreadableFolders.empty() ? 0 : 1;
}

}  // namespace cli

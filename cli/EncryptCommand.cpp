#include "cli/EncryptCommand.h"

#include <iostream>
#include <optional>
#include <set>
#include <system_error>

#include "cli/InputFiles.h"
#include "cli/Inspection.h"
#include "cli/PasswordCheck.h"
#include "cli/PasswordSource.h"
#include "cli/ProgressBar.h"
#include "cli/SecurityWords.h"
#include "cli/Utf8Text.h"
#include "pdf/objects/TextConversions.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

struct TPasswords {
  std::u16string Open;
  std::u16string Owner;
};

// Why the desktop window would refuse input, or nothing when it may be encrypted.
std::optional<std::string> RefusalReason(pdf::TVelloPDF& library, const fs::path& input) {
  const TInspection inspection = Inspect(library, input.string(), "");
  if (inspection.Error == pdf::kErrorPassword) return "the file is already encrypted (it needs a password to open)";
  if (inspection.Error != pdf::kErrorNone) return ErrorWords(inspection.Error);
  if (inspection.Item(kItemEncryption) != "None") return ErrorWords(pdf::kErrorEncrypted);
  const std::optional<std::int64_t> pages = ItemNumber(inspection.Item(kItemPages));
  if (!pages || *pages <= 0) return "the file has no pages";
  return std::nullopt;
}

// The identity of an output path for spotting two inputs that would write the same copy.
std::string OutputKey(const fs::path& output) {
  std::error_code error;
  const fs::path full = fs::weakly_canonical(fs::absolute(output, error), error);
  return (error ? output : full).lexically_normal().string();
}

class TEncryptRun {
 public:
  TEncryptRun(const TEncryptSettings& settings, TPasswords passwords, std::size_t count)
      : settings_(settings), passwords_(std::move(passwords)), count_(count),
        progress_(std::cerr, TProgressBar::StandardErrorIsTerminal()) {
    library_.OnProgress = [this](std::int32_t percent) { progress_.Show(percent); };
  }

  // Encrypts one file and prints its status line; true on success.
  bool EncryptOne(const fs::path& input) {
    progress_.StartFile(++number_, count_, input.filename().string());
    const std::optional<std::string> failure = Encrypt(input);
    progress_.Clear();
    Report(input.string(), failure);
    return !failure;
  }

  void Report(const std::string& what, const std::optional<std::string>& failure) {
    // Reasons may name an output path, which is as untrusted as the input's.
    std::cout << TerminalText(what + (failure ? ": Failed! " + *failure : std::string(": Succeed!"))) << std::endl;
  }

 private:
  std::optional<std::string> Encrypt(const fs::path& input) {
    const fs::path output = OutputPathFor(settings_, input);
    if (!IsWellFormedUTF8(input.string()) || !IsWellFormedUTF8(output.string())) {
      return "the file name is not UTF-8 text";
    }
    if (std::optional<std::string> refusal = RefusalReason(library_, input)) return refusal;
    // Folders of a recursive run, or a.pdf beside a.PDF, can give two inputs one output name.
    if (!outputs_.insert(OutputKey(output)).second) {
      return "another input of this run was written to " + output.string();
    }
    library_.EncryptFileToFile(pdf::UTF8ToUnicode(input.string()), pdf::UTF8ToUnicode(output.string()),
                               passwords_.Owner, passwords_.Open, FacadeStrength(settings_.Level),
                               PermissionValue(settings_.Allow));
    const std::int32_t error = library_.ErrorCode();
    if (error != pdf::kErrorNone) return ErrorWords(error);
    progress_.Show(100);
    return std::nullopt;
  }

  const TEncryptSettings& settings_;
  const TPasswords passwords_;
  const std::size_t count_;
  std::size_t number_ = 0;
  pdf::TCorvanePDFLibrary1013 library_;
  TProgressBar progress_;
  std::set<std::string> outputs_;
};

TPasswords ReadPasswords(const TEncryptSettings& settings) {
  const std::string open = ReadPassword(settings.OpenPassword, std::cin);
  const std::string owner = ReadPassword(settings.OwnerPassword, std::cin);
  for (const std::string& warning : CheckPasswords(settings.Level, open, owner, settings.Allow)) {
    std::cerr << "ombreltenc-cli: warning: " << warning << '\n';
  }
  return {pdf::UTF8ToUnicode(open), pdf::UTF8ToUnicode(owner)};
}

}  // namespace

fs::path OutputPathFor(const TEncryptSettings& settings, const fs::path& input) {
  if (!settings.OutputFile.empty()) return settings.OutputFile;
  const fs::path name = settings.KeepName ? input.filename() : fs::path(input.stem().string() + settings.Suffix + ".pdf");
  return fs::path(settings.OutputFolder) / name;
}

std::int32_t PermissionValue(const TPermissions& allow) {
  return pdf::TVelloPDF::BuildPermissionMask(allow.Print, allow.Copy, allow.Change, allow.Annotate, allow.FillForms,
                                             allow.Accessibility, allow.Assemble, allow.PrintHighQuality);
}

int RunEncrypt(const TEncryptSettings& settings) {
  std::error_code ignored;
  if (!settings.OutputFile.empty() && fs::is_directory(settings.Inputs.front(), ignored)) {
    throw TUsageError("-o FILE takes one input file, not a folder");
  }
  const TInputFiles inputs = CollectInputFiles(settings.Inputs, settings.Recursive);
  TPasswords passwords = ReadPasswords(settings);
  if (!settings.OutputFolder.empty()) {
    std::error_code error;
    fs::create_directories(settings.OutputFolder, error);
    if (error) {
      std::cerr << "ombreltenc-cli: cannot create the output folder " << TerminalText(settings.OutputFolder) << ": "
                << error.message() << '\n';
      return 1;
    }
  }
  for (const fs::path& folder : inputs.FoldersWithoutPDF) {
    std::cerr << "ombreltenc-cli: warning: no PDF files in " << TerminalText(folder.string()) << '\n';
  }
  TEncryptRun run(settings, std::move(passwords), inputs.Files.size());
  bool anyFailed = false;
  for (const TInputFiles::TFolderProblem& problem : inputs.UnreadableFolders) {
    run.Report(problem.Folder.string(), "the folder cannot be read (" + problem.Reason + ")");
    anyFailed = true;
  }
  for (const fs::path& input : inputs.Files) anyFailed = !run.EncryptOne(input) || anyFailed;
  if (inputs.Files.empty() && !anyFailed) {
    std::cerr << "ombreltenc-cli: no PDF files to encrypt\n";
    return 1;
  }
  return anyFailed ? 1 : 0;
}

}  // namespace cli

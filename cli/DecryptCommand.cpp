#include "cli/DecryptCommand.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "cli/BatchRun.h"
#include "cli/InputFiles.h"
#include "cli/JobSettings.h"
#include "cli/PasswordSource.h"
#include "cli/Utf8Text.h"
#include "pdf/objects/TextConversions.h"

namespace cli {

namespace fs = std::filesystem;

namespace {

// -o names one file: not a folder on either side.
void CheckOutputNames(const TDecryptSettings& settings) {
  if (!IsWellFormedUTF8(settings.OutputFolder) || !IsWellFormedUTF8(settings.OutputFile)) {
    throw TUsageError("the output name is not UTF-8 text");
  }
  if (settings.OutputFile.empty()) return;
  std::error_code ignored;
  if (fs::is_directory(settings.Inputs.front(), ignored)) throw TUsageError("-o FILE takes one input file, not a folder");
  const fs::path name = fs::path(settings.OutputFile).filename();
  if (name.empty() || name == "." || name == ".." || fs::is_directory(settings.OutputFile, ignored)) {
    throw TUsageError("-o FILE needs the name of a file, not of a folder");
  }
}

}  // namespace

int RunDecrypt(const TDecryptSettings& settings) {
  CheckOutputNames(settings);
  const TInputFiles inputs = CollectInputFiles(settings.Inputs, settings.Recursive);
  // Taken as it is: it must be the password the files were encrypted with.
  const std::u16string password = pdf::UTF8ToUnicode(ReadPassword(settings.Password, std::cin));
  if (!CreateOutputFolder(settings.OutputFolder)) return 1;
  return RunBatch(inputs, DecryptJobSettings(settings, password), JobCount(settings.Jobs), "decrypted");
}

}  // namespace cli

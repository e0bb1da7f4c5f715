#include "cli/DecryptCommand.h"

#include <iostream>

#include "cli/BatchRun.h"
#include "cli/InputFiles.h"
#include "cli/JobSettings.h"
#include "cli/PasswordSource.h"
#include "pdf/objects/TextConversions.h"

namespace cli {

int RunDecrypt(const TDecryptSettings& settings) {
  CheckOutputNames(settings.OutputFolder, settings.OutputFile, settings.Inputs.front());
  const TInputFiles inputs = CollectInputFiles(settings.Inputs, settings.Recursive);
  // Taken as it is: it must be the password the files were encrypted with.
  const std::u16string password = pdf::UTF8ToUnicode(ReadPassword(settings.Password, std::cin));
  if (!CreateOutputFolder(settings.OutputFolder)) return 1;
  return RunBatch(inputs, DecryptJobSettings(settings, password), JobCount(settings.Jobs), "decrypted");
}

}  // namespace cli

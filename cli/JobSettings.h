#pragma once
// The command line's encrypt options in the form the batch job and its validation take, so that
// the command line and the desktop window run the same job with the same checks.

#include <string>

#include "app/core/BatchSettings.h"
#include "app/core/BatchValidation.h"
#include "cli/CommandLine.h"

namespace cli {

// The typed passwords as read from their files or variables (empty for a side that has none or
// is generated).
struct TTypedPasswords {
  std::u16string Open;
  std::u16string Owner;
  std::u16string Input;  // opens inputs encrypted already
};

// The sides whose passwords a password list (--passwords-from) gives.
struct TListedSides {
  bool Open = false;
  bool Owner = false;
};

// Everything but the files. -o FILE becomes the folder of FILE and FILE's name for the single
// output, so its copy is written and renamed into place like every other. The password file's path
// is made absolute: a bare name means the current folder, as it does everywhere on the command line.
ombrelt::app::TBatchSettings JobSettings(const TEncryptSettings& settings, const TTypedPasswords& passwords,
                                        TListedSides listed = {});

// The decrypt command's job: copies in clear, under the inputs' names unless --suffix is given.
ombrelt::app::TBatchSettings DecryptJobSettings(const TDecryptSettings& settings, const std::u16string& password);

// What the window's checks see for the same choices.
ombrelt::app::TValidationInput ValidationInput(const TEncryptSettings& settings, const TTypedPasswords& passwords,
                                               const ombrelt::app::TBatchSettings& job, TListedSides listed = {});

// A path the batch records and opens: absolute, with "." parts left out (".." parts stay, since a
// link before them would make dropping them name another file).
std::string FullPath(const std::string& path);

// The number of files worked on at once: --jobs (when above 0), or one per processor core.
int JobCount(int jobs);

}  // namespace cli

#pragma once
// The inputs of an encrypt command looked at before the batch starts, as the desktop window looks
// at every file added to its list: encrypted, unreadable and page-less files are refused, and so
// is a second input whose copy would land on the first one's output. What encrypting an accepted
// file changes (its signatures, its PDF/A claim) is noted for a warning.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/core/BatchSettings.h"

namespace cli {

struct TScreenedInput {
  std::string Name;                    // as the user gave it, for the status line
  std::optional<std::string> Refusal;  // why it is not encrypted; nothing when it goes to the batch
  std::u16string FullPath;             // absolute: what the batch opens and the password file records
  std::vector<std::string> Notices;    // of an accepted input: what encrypting it changes
};

// job: the settings the batch will run with (its operation, its passwords for encrypted inputs and
// its output naming are used).
std::vector<TScreenedInput> ScreenInputs(const std::vector<std::filesystem::path>& inputs,
                                         const ombrelt::app::TBatchSettings& job);

}  // namespace cli

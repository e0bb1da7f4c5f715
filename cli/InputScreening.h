#pragma once
// The inputs of a command looked at before the batch starts, by their names alone: a name that is
// not UTF-8 text is refused, and so is a second input whose copy would land on the first one's
// output. The files themselves are read once, by the job: it refuses encrypted, unreadable and
// page-less files as the desktop window refuses them on arrival, and reports what encrypting an
// accepted file changes (its signatures, its PDF/A claim).

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
};

// job: the settings the batch will run with (its output naming is used).
std::vector<TScreenedInput> ScreenInputs(const std::vector<std::filesystem::path>& inputs,
                                         const ombrelt::app::TBatchSettings& job);

}  // namespace cli

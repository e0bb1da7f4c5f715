#pragma once
// Two rows of one batch must never write one output: the later copy would replace the earlier one
// while both rows said "Succeed!", and the password file would hold a line for a copy that is
// gone. The job refuses such rows itself, so every front end is covered; the window also names
// them before a batch starts.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/BatchSettings.h"

namespace ombrelt::app {

struct TOutputClash {
  std::size_t row = 0;       // the later row, which the job refuses
  std::size_t earlierRow = 0;  // the first row that writes the same output
  std::u16string output;     // the output path both would write
};

// Every row whose output (OutputPathFor) is the same file as an earlier row's: the same input
// listed twice, or two inputs whose output names coincide. Paths are compared after resolving
// ".", ".." and symbolic links of the folders that exist.
std::vector<TOutputClash> FindOutputClashes(const TBatchSettings& settings);

// The identity of an output path, for comparing two: absolute, with the links and dots of its
// existing folders resolved. A path that cannot name a file is compared as it is.
std::string OutputIdentity(std::u16string_view output);

// The reason a clashing row fails with: "another input of this run has the same output file PATH".
std::u16string OutputClashReason(std::u16string_view output);

}  // namespace ombrelt::app

#pragma once
// ombreltenc-cli inspect: what the library finds in each file, as text or as JSON Lines.

#include "cli/CommandLine.h"

namespace cli {

// Prints each file's inspection (or why it failed) on standard output; 0 when every file could be
// inspected, 1 otherwise. Throws TPasswordError when the password cannot be read.
int RunInspect(const TInspectSettings& settings);

}  // namespace cli

#pragma once
// Whether a pair of passwords protects what the user asked for at the chosen level: mistakes that
// would leave the copies unprotected stop the command, weaknesses the user may intend are warned of.

#include <optional>
#include <string>
#include <vector>

#include "cli/CommandLine.h"

namespace cli {

// Throws TPasswordError for passwords that cannot work at level; returns the warnings to print.
// The passwords are UTF-8.
std::vector<std::string> CheckPasswords(TEncryptionLevel level, const std::string& openPassword,
                                        const std::string& ownerPassword, const TPermissions& allow);

// The warning the run prints once for a weak level (the RC4 ones), or nothing.
std::optional<std::string> LevelWarning(TEncryptionLevel level);

}  // namespace cli

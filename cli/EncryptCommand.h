#pragma once
// ombreltenc-cli encrypt: an encrypted copy of every input, refused inputs reported like the
// desktop window refuses them.

#include <filesystem>
#include <string>

#include "cli/CommandLine.h"

namespace cli {

// Prints one status line per file on standard output; 0 when every file succeeded, 1 otherwise.
// Throws TPasswordError (a password that cannot be read or used) and TUsageError (-o with a folder)
// before any file is written.
int RunEncrypt(const TEncryptSettings& settings);

// Where the copy of input goes: -o's file, or the output folder with the input's base name and
// the suffix (or the input's own name).
std::filesystem::path OutputPathFor(const TEncryptSettings& settings, const std::filesystem::path& input);

// The facade's permission value for allow.
std::int32_t PermissionValue(const TPermissions& allow);

}  // namespace cli

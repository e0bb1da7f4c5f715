#pragma once
// ombreltenc-cli decrypt: a copy in clear of every encrypted input, opened with one password for
// all or with each file's lines in a ledger (the password file an encrypt run wrote). Made by the
// same batch job as encryption: atomic outputs, each verified before it counts.

#include "cli/CommandLine.h"

namespace cli {

// Prints one status line per file on standard output; 0 when every file succeeded, 1 otherwise.
// Throws TPasswordError (a password that cannot be read) and TUsageError before any file is written.
int RunDecrypt(const TDecryptSettings& settings);

}  // namespace cli

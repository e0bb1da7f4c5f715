#pragma once
// ombreltenc-cli encrypt: an encrypted copy of every input, refused inputs reported like the
// desktop window refuses them. The copies are made by the same batch job as the window's.

#include "cli/CommandLine.h"

namespace cli {

// Prints one status line per file on standard output; 0 when every file succeeded, 1 otherwise
// (also when a stop request ended the batch early). Throws TPasswordError (a password that cannot
// be read or used) and TUsageError (-o with a folder, settings the window would refuse) before any
// file is written, and ombrelt::app::EBatchJobError when the password file cannot be written.
int RunEncrypt(const TEncryptSettings& settings);

}  // namespace cli

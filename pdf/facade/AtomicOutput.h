#pragma once
// An output file that appears whole or not at all: written to a temporary file beside the
// target (TemporaryFile.h: created new, readable by its owner alone, used through its descriptor),
// synced, and renamed over the target only on Commit, then given the mode of the file it replaces
// or of a new file. Until then any file already at the target stays untouched, and the temporary
// file is removed on every path.

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>

#include "pdf/io/OpenInputRegistry.h"
#include "pdf/io/WideFileStream.h"

namespace pdf {

class TTemporaryFile;

// Device and inode of the file a path names, when it names one.
std::optional<TFileIdentity> WideFileIdentity(std::u16string_view path);

// False when an existing file at target cannot be replaced: it is a folder, or it is the
// file being read (by any path), or another open input of this process.
bool CanReplaceOutput(std::u16string_view target, std::optional<TFileIdentity> input);

class TAtomicOutput {
 public:
  // Raises EFCreateError when the temporary file cannot be created (e.g. no such folder).
  explicit TAtomicOutput(std::u16string_view target);
  ~TAtomicOutput();
  TAtomicOutput(const TAtomicOutput&) = delete;
  TAtomicOutput& operator=(const TAtomicOutput&) = delete;

  TVelloPDFWideFileStream& Stream() { return *stream_; }
  // Syncs the data, renames it over the target and syncs the folder (unless told not to); raises
  // EPDFError on failure.
  void Commit(bool syncFolder = true);

 private:
  std::string target_;
  std::unique_ptr<TTemporaryFile> temporary_;  // declared before the stream: closed after it
  std::unique_ptr<TVelloPDFWideFileStream> stream_;
  mode_t finalMode_ = 0;  // the replaced file's, or what the umask gives a new file
};

}  // namespace pdf

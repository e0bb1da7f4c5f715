#pragma once
// The hidden file an output is written to before it takes the output's name (see TemporaryName.h).
// It is created once, new (never a file or link already there), readable by its owner alone, and
// then used through its descriptor only: a name in the output folder can be swapped by whoever may
// write that folder, a descriptor cannot. The file stays locked (flock) while this process holds
// it, so that a later run can tell it from one an interrupted run left (StaleTemporaries.h).

#include <sys/types.h>

#include <string>

namespace pdf {

class TTemporaryFile {
 public:
  // Creates the file beside the output at nativeTarget (a native, UTF-8 path). Raises
  // std::system_error with the system's reason when no file can be created there.
  explicit TTemporaryFile(const std::string& nativeTarget);
  // Removes the file unless it was renamed.
  ~TTemporaryFile();
  TTemporaryFile(const TTemporaryFile&) = delete;
  TTemporaryFile& operator=(const TTemporaryFile&) = delete;

  const std::string& Path() const { return path_; }
  // Open for reading and writing as created, for reading only after Reclaim; the object keeps
  // owning it.
  int Descriptor() const { return fd_; }

  // For a writer that renamed its own finished file to Path() (a library output written to this
  // name): holds that file from now on, once it shows it is ours alone: a regular file (no link
  // followed), owned by this user, with no other name. Raises std::system_error otherwise.
  void Reclaim();
  // Renames the file to nativeTarget; the errno of a failed rename, else 0, after which the file is
  // no longer removed.
  int RenameTo(const std::string& nativeTarget);
  // Gives the held file its mode through the descriptor, never by name; false when it does not take.
  bool SetMode(mode_t mode) const;

 private:
  std::string path_;
  int fd_ = -1;
  bool renamed_ = false;
};

}  // namespace pdf

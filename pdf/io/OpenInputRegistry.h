#pragma once
// The files this process holds open as protected inputs, by file identity.
//
// POSIX has no share modes, so an input opened with a sharing mode that refuses other writers is
// protected here instead: the file operations of this library refuse to delete, re-create or open
// for writing any file that is registered, whatever path names it. Other processes are not held
// back.

#include <sys/types.h>

#include <compare>
#include <functional>

namespace pdf {

// What makes two paths the same file: device and inode (symlinks, hard links and "./" all agree).
struct TFileIdentity {
  dev_t device = 0;
  ino_t inode = 0;

  friend auto operator<=>(const TFileIdentity&, const TFileIdentity&) = default;
};

// Keeps one file registered as a protected input for as long as it lives. Registrations of the same
// file are counted: the file stays protected until the last one ends.
class TOpenInputRegistration {
 public:
  explicit TOpenInputRegistration(TFileIdentity identity);
  ~TOpenInputRegistration();
  TOpenInputRegistration(const TOpenInputRegistration&) = delete;
  TOpenInputRegistration& operator=(const TOpenInputRegistration&) = delete;

 private:
  const TFileIdentity identity_;
};

// Runs action and returns its result unless the file is a registered input, in which case it
// returns false without running it. No registration starts or ends while action runs, so the check
// and the destructive step it guards (truncation, unlinking) happen as one.
bool RunUnlessOpenInput(TFileIdentity identity, const std::function<bool()>& action);

}  // namespace pdf

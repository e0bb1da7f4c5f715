#include "pdf/facade/StaleTemporaries.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "pdf/facade/TemporaryName.h"
#include "pdf/io/WideFileStream.h"

namespace pdf {

namespace {

constexpr std::string_view kHeader = "%PDF-";

// EPERM: it exists, under another user.
bool ProcessHasEnded(pid_t process) {
  return process != ::getpid() && ::kill(process, 0) != 0 && errno == ESRCH;
}

std::vector<std::string> TemporaryNamesIn(int folder) {
  std::vector<std::string> names;
  const int listed = ::dup(folder);
  if (listed < 0) return names;
  const std::unique_ptr<DIR, int (*)(DIR*)> listing(::fdopendir(listed), ::closedir);
  if (!listing) {
    ::close(listed);
    return names;
  }
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::optional<pid_t> creator = TemporaryNameCreator(entry->d_name);
    if (creator && ProcessHasEnded(*creator)) names.emplace_back(entry->d_name);
  }
  return names;
}

bool StartsAsOurs(int fd, const struct stat& info) {
  char start[kHeader.size()] = {};
  const ssize_t n = ::pread(fd, start, sizeof start, 0);
  if (n < 0) return false;
  const auto read = static_cast<std::size_t>(n);
  // A writer killed within its first write may have left a part of the header.
  return read == static_cast<std::size_t>(std::min<off_t>(info.st_size, kHeader.size())) &&
         kHeader.starts_with(std::string_view(start, read));
}

// The checks of the header, on the file the name leads to now; the name is removed only while it
// still leads to the file checked.
bool RemoveIfStale(int folder, const std::string& name) {
  const TFileDescriptor file(::openat(folder, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  struct stat info {};
  if (file.Get() < 0 || ::fstat(file.Get(), &info) != 0) return false;
  if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid() || info.st_nlink != 1) return false;
  if (::flock(file.Get(), LOCK_EX | LOCK_NB) != 0 || !StartsAsOurs(file.Get(), info)) return false;
  struct stat named {};
  if (::fstatat(folder, name.c_str(), &named, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (named.st_dev != info.st_dev || named.st_ino != info.st_ino) return false;
  return ::unlinkat(folder, name.c_str(), 0) == 0;
}

}  // namespace

std::size_t RemoveStaleTemporaries(const std::string& nativeFolder) {
  const TFileDescriptor folder(
      ::open(nativeFolder.empty() ? "." : nativeFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() < 0) return 0;
  std::size_t removed = 0;
  for (const std::string& name : TemporaryNamesIn(folder.Get())) {
    if (RemoveIfStale(folder.Get(), name)) ++removed;
  }
  return removed;
}

}  // namespace pdf

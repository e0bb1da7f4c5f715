#include "pdf/facade/TemporaryFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "pdf/facade/TemporaryName.h"
#include "pdf/security/CryptoPrimitives.h"
#include "pdf/security/RandomSource.h"

namespace pdf {

namespace {

// Names are random: a clash means another file took the name first, which a new draw avoids.
constexpr int kCreateAttempts = 8;

[[noreturn]] void RaiseSystemError(int error, const char* what) {
  throw std::system_error(error, std::system_category(), what);
}

std::string CandidatePath(const std::filesystem::path& target) {
  const std::string folder = target.parent_path().string();
  const std::string random = MD5HexText(RandomBytes(8)).substr(0, kTemporaryRandomDigits);
  return (folder.empty() ? "." : folder) + "/" + TemporaryName(target.filename().string(), ::getpid(), random);
}

// Held while this process writes the file. A lock the file system does not offer leaves the
// creator's process id as the only proof that the file is in use.
void Lock(int fd) { (void)::flock(fd, LOCK_EX | LOCK_NB); }

}  // namespace

TTemporaryFile::TTemporaryFile(const std::string& nativeTarget) {
  const std::filesystem::path target(nativeTarget);
  for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
    std::string candidate = CandidatePath(target);
    // O_EXCL fails on any name already there, a link included; O_NOFOLLOW says so twice.
    fd_ = ::open(candidate.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd_ >= 0) {
      path_ = std::move(candidate);
      Lock(fd_);
      return;
    }
    if (errno != EEXIST) RaiseSystemError(errno, "cannot create a file in the output folder");
  }
  RaiseSystemError(EEXIST, "cannot create a temporary file in the output folder");
}

TTemporaryFile::~TTemporaryFile() {
  // The name goes before the lock, so no other run ever finds it unlocked while it is ours.
  if (!renamed_) ::unlink(path_.c_str());
  ::close(fd_);
}

void TTemporaryFile::Reclaim() {
  const int fd = ::open(path_.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) RaiseSystemError(errno, "cannot open the copy");
  struct stat info {};
  const bool ours = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
                    info.st_nlink == 1;
  if (!ours) {
    ::close(fd);
    RaiseSystemError(EPERM, "the copy was replaced by another file");
  }
  Lock(fd);
  ::close(fd_);
  fd_ = fd;
}

int TTemporaryFile::RenameTo(const std::string& nativeTarget) {
  if (std::rename(path_.c_str(), nativeTarget.c_str()) != 0) return errno;
  renamed_ = true;
  return 0;
}

bool TTemporaryFile::SetMode(mode_t mode) const { return ::fchmod(fd_, mode) == 0; }

}  // namespace pdf

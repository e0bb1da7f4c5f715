#include "pdf/io/WideFileStream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>

#include "pdf/io/FileOperations.h"

namespace pdf {

static_assert(sizeof(off_t) == sizeof(std::int64_t), "files beyond 2 GiB need a 64-bit off_t");

namespace {

// Large enough that writing a file object by object costs few system calls.
constexpr std::size_t kWriteBufferSize = std::size_t{64} * 1024;
// Keeps every single read request within what ssize_t can report.
constexpr std::size_t kMaxTransfer = std::size_t{1} << 30;
constexpr std::size_t kWritePiece = std::size_t{1} << 20;
// Reads below this size are served from a cache of this size; larger ones go straight into the
// caller's buffer.
constexpr std::size_t kReadCacheSize = std::size_t{256} * 1024;
// Written bytes that StartStoringEarly lets wait before they are handed over for storing.
constexpr std::int64_t kStoreEarlyStep = std::int64_t{8} << 20;

struct TOpenRequest {
  int flags = 0;
  bool create = false;
  bool writable = false;
  bool protect = false;
};

std::optional<TOpenRequest> DecodeMode(std::uint16_t mode) {
  if (mode == kFileModeCreate) {
    return TOpenRequest{.flags = O_RDWR | O_CREAT, .create = true, .writable = true};
  }
  const unsigned access = mode & 0x03u;
  const unsigned sharing = mode & 0xF0u;
  if (access == 3 || sharing > 0x40) return std::nullopt;
  static constexpr int kAccessFlags[] = {O_RDONLY, O_WRONLY, O_RDWR};
  // Sharing 0 and 1 (none) and 2 (others may read) all refuse other writers.
  return TOpenRequest{
      .flags = kAccessFlags[access], .writable = access != 0, .protect = sharing <= 0x20};
}

// Invalid modes and unusable paths fail before the file system is asked anything. O_NONBLOCK keeps
// the open of a FIFO from waiting for a peer; MakeBlocking undoes it right after.
int OpenDescriptor(std::u16string_view path, std::uint16_t mode) {
  const std::optional<TOpenRequest> request = DecodeMode(mode);
  const std::optional<std::string> native = NativePath(path);
  if (!request || !native) throw EFCreateError();
  const int fd = ::open(native->c_str(), request->flags | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) throw EFCreateError();
  return fd;
}

void MakeBlocking(int fd) {
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) throw EFCreateError();
}

struct stat StatDescriptor(int fd) {
  struct stat status {};
  if (::fstat(fd, &status) != 0) throw EFCreateError();
  return status;
}

// Refuses to write into or empty a protected input; empties what is created (as O_TRUNC would,
// but only after the check, so a protected input is never truncated).
void ClaimForWriting(int fd, const struct stat& status, bool create) {
  const bool truncate = create && S_ISREG(status.st_mode);
  const bool claimed = RunUnlessOpenInput({status.st_dev, status.st_ino}, [fd, truncate] {
    return !truncate || ::ftruncate(fd, 0) == 0;
  });
  if (!claimed) throw EFCreateError();
}

int WhenceOf(TSeekOrigin origin) {
  switch (static_cast<int>(origin) & 0x7F) {
    case static_cast<int>(TSeekOrigin::Beginning):
      return SEEK_SET;
    case static_cast<int>(TSeekOrigin::Current):
      return SEEK_CUR;
    case static_cast<int>(TSeekOrigin::End):
      return SEEK_END;
    default:
      return -1;
  }
}

}  // namespace

TFileDescriptor::~TFileDescriptor() {
  if (fd_ >= 0) ::close(fd_);
}

TVelloPDFWideFileStream::TVelloPDFWideFileStream(std::u16string_view path, std::uint16_t mode)
    : descriptor_(OpenDescriptor(path, mode)) {
  // The open succeeded, so the mode is valid.
  const TOpenRequest request = DecodeMode(mode).value();
  MakeBlocking(descriptor_.Get());
  const struct stat status = StatDescriptor(descriptor_.Get());
  // Opening a directory read-only succeeds on POSIX; it is still not a file.
  if (S_ISDIR(status.st_mode)) throw EFCreateError();
  if (request.writable) ClaimForWriting(descriptor_.Get(), status, request.create);
  if (request.protect) protection_.emplace(TFileIdentity{status.st_dev, status.st_ino});
  writable_ = request.writable;
  seekable_ = ::lseek(descriptor_.Get(), 0, SEEK_CUR) >= 0;
}

TVelloPDFWideFileStream::TVelloPDFWideFileStream(TCreatedFile file) : descriptor_(file.descriptor) {
  if (descriptor_.Get() < 0 || !S_ISREG(StatDescriptor(descriptor_.Get()).st_mode)) throw EFCreateError();
  writable_ = true;
  seekable_ = true;
}

TVelloPDFWideFileStream::~TVelloPDFWideFileStream() { FlushBuffer(); }

void TVelloPDFWideFileStream::SetSize(std::int64_t size) {
  Flush();
  cache_.Clear();
  const int error = size < 0 ? EINVAL : ::ftruncate(descriptor_.Get(), size) == 0 ? 0 : errno;
  if (error != 0) {
    throw EPDFError("Cannot set the file size: " + std::system_category().message(error));
  }
  position_ = std::min(position_, size);
}

std::size_t TVelloPDFWideFileStream::Read(void* buffer, std::size_t count) {
  FlushBuffer();
  if (count == 0) return 0;
  const std::size_t n = seekable_ && count < kReadCacheSize ? cache_.Read(*this, position_, buffer, count)
                                                             : ReadAt(position_, buffer, count);
  position_ += static_cast<std::int64_t>(n);
  return n;
}

std::size_t TVelloPDFWideFileStream::Write(const void* buffer, std::size_t count) {
  if (!writable_ && writeError_ == 0) writeError_ = EBADF;
  if (writeError_ != 0) return 0;
  cache_.Clear();
  if (count > kWriteBufferSize - buffer_.size() && !FlushBuffer()) return 0;
  if (count >= kWriteBufferSize) {
    const std::size_t written = WriteAt(position_, buffer, count);
    position_ += static_cast<std::int64_t>(written);
    return written;
  }
  if (buffer_.capacity() == 0) buffer_.reserve(kWriteBufferSize);
  const auto* const bytes = static_cast<const unsigned char*>(buffer);
  buffer_.insert(buffer_.end(), bytes, bytes + count);
  position_ += static_cast<std::int64_t>(count);
  return count;
}

std::int64_t TVelloPDFWideFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const int whence = WhenceOf(origin);
  if (whence < 0) return -1;
  // Asking for the position is frequent while writing; it must cost neither a flush nor a call.
  if (whence == SEEK_CUR && offset == 0) return position_;
  if (!seekable_) return -1;
  if (whence == SEEK_END) FlushBuffer();
  const std::int64_t base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? position_ : FileSize();
  std::int64_t target = 0;
  if (base < 0 || __builtin_add_overflow(base, offset, &target) || target < 0) return -1;
  // Buffered bytes belong where they were written, not at the new position.
  if (target != position_) FlushBuffer();
  position_ = target;
  return target;
}

void TVelloPDFWideFileStream::Flush() {
  FlushBuffer();
  RaiseIfWriteFailed();
}

void TVelloPDFWideFileStream::Sync() {
  Flush();
  if (::fsync(descriptor_.Get()) != 0) {
    throw EPDFError("Cannot commit the file to storage: " + std::system_category().message(errno));
  }
}

std::int64_t TVelloPDFWideFileStream::FileSize() const {
  struct stat status {};
  return ::fstat(descriptor_.Get(), &status) == 0 ? static_cast<std::int64_t>(status.st_size) : -1;
}

bool TVelloPDFWideFileStream::FlushBuffer() noexcept {
  if (buffer_.empty()) return true;
  const auto start = position_ - static_cast<std::int64_t>(buffer_.size());
  const bool complete = WriteAt(start, buffer_.data(), buffer_.size()) == buffer_.size();
  // Bytes the system refused are dropped: the recorded failure already condemns the output.
  buffer_.clear();
  return complete;
}

// Large writes go in pieces: the kernel copies a few large pieces into the page cache faster than
// one huge one (measured: 200 MB in 10 MB writes took two to four times the system time).
std::size_t TVelloPDFWideFileStream::WriteAt(std::int64_t position, const void* buffer,
                                             std::size_t count) noexcept {
  const auto* const bytes = static_cast<const unsigned char*>(buffer);
  std::size_t total = 0;
  while (total < count) {
    const std::size_t piece = std::min(count - total, kWritePiece);
    const auto at = static_cast<off_t>(position + static_cast<std::int64_t>(total));
    const ssize_t n = seekable_ ? ::pwrite(descriptor_.Get(), bytes + total, piece, at)
                                : ::write(descriptor_.Get(), bytes + total, piece);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A zero-byte write makes no progress; report it like a full device.
      if (writeError_ == 0) writeError_ = n < 0 ? errno : ENOSPC;
      break;
    }
    total += static_cast<std::size_t>(n);
  }
  if (storeEarly_) StoreEarly(position + static_cast<std::int64_t>(total));
  return total;
}

void TVelloPDFWideFileStream::StoreEarly(std::int64_t end) noexcept {
  if (end - storedFrom_ < kStoreEarlyStep) return;
  // Only starts the writing; a failure shows when Sync waits for it.
  ::sync_file_range(descriptor_.Get(), storedFrom_, end - storedFrom_, SYNC_FILE_RANGE_WRITE);
  storedFrom_ = end;
}

std::size_t TVelloPDFWideFileStream::ReadAt(std::int64_t position, void* buffer,
                                            std::size_t count) const noexcept {
  auto* const bytes = static_cast<unsigned char*>(buffer);
  std::size_t total = 0;
  while (total < count) {
    const std::size_t piece = std::min(count - total, kMaxTransfer);
    const auto at = static_cast<off_t>(position + static_cast<std::int64_t>(total));
    const ssize_t n = seekable_ ? ::pread(descriptor_.Get(), bytes + total, piece, at)
                                : ::read(descriptor_.Get(), bytes + total, piece);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    total += static_cast<std::size_t>(n);
  }
  return total;
}

std::size_t TVelloPDFWideFileStream::TReadCache::Read(const TVelloPDFWideFileStream& owner,
                                                      std::int64_t position, void* buffer,
                                                      std::size_t count) {
  const bool held = position >= start_ && position - start_ <= static_cast<std::int64_t>(size_) &&
                    static_cast<std::size_t>(position - start_) + count <= size_;
  if (!held) {
    if (bytes_.empty()) bytes_.resize(kReadCacheSize);
    start_ = position;
    size_ = owner.ReadAt(position, bytes_.data(), bytes_.size());
  }
  const auto offset = static_cast<std::size_t>(position - start_);
  const std::size_t n = std::min(count, size_ - offset);
  std::memcpy(buffer, bytes_.data() + offset, n);
  return n;
}

void TVelloPDFWideFileStream::RaiseIfWriteFailed() const {
  if (writeError_ != 0) {
    throw EPDFError("Cannot write the file: " + std::system_category().message(writeError_));
  }
}

}  // namespace pdf

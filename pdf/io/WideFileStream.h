#pragma once
// A seekable byte stream over one operating-system file, opened by a UTF-16 path.
//
// Open modes: kFileModeCreate makes a new empty file (an existing one is emptied) with read and
// write access. Any other mode opens an existing file: bits 0..1 select the access (0 read, 1
// write, 2 both, 3 invalid), bits 4..7 the sharing granted to other openers (0 and 1 none, 2 read,
// 3 write, 4 both, above 4 invalid); all other bits are ignored. A sharing that refuses other
// writers (0, 1, 2) protects the file while the stream lives: see OpenInputRegistry.h.
//
// The stream keeps its own position and uses positioned reads and writes, so asking for the position
// costs no system call. Small reads are served from a read-ahead cache: objects are read one after
// the other, most of them a few hundred bytes long. Writes are buffered. A write the operating
// system refuses is never lost silently: from then on Write returns 0 and Flush and Sync raise.
// Files that cannot seek (pipes) are read and written in order; every seek on them fails, but
// Position() still counts the bytes that went through.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "pdf/io/ByteStream.h"
#include "pdf/io/OpenInputRegistry.h"
#include "pdf/objects/PDFError.h"

namespace pdf {

// Owns a file descriptor, closed at the end of its life; -1 owns nothing.
class TFileDescriptor {
 public:
  explicit TFileDescriptor(int fd) : fd_(fd) {}
  ~TFileDescriptor();
  TFileDescriptor(const TFileDescriptor&) = delete;
  TFileDescriptor& operator=(const TFileDescriptor&) = delete;
  int Get() const { return fd_; }

 private:
  const int fd_;
};

// Opening or creating a file failed, an invalid mode included. Callers map it to one error code
// and depend on nothing more; the text is "Error" or, where the system gave one, the reason, which
// reaches the user with the failed copy.
class EFCreateError : public EPDFError {
 public:
  explicit EFCreateError(const std::string& reason = "Error") : EPDFError(reason) {}
};

inline constexpr std::uint16_t kFileModeCreate = 0xFFFF;
// Read access, others may only read: how inputs are opened.
inline constexpr std::uint16_t kFileModeInput = 0x20;

// A regular file this process has just created, open for reading and writing, handed to a stream
// as its descriptor: a file that must not be looked up by name again once it exists.
struct TCreatedFile {
  int descriptor = -1;  // owned by the stream from then on, closed by it on every path
};

class TVelloPDFWideFileStream final : public TByteStream {
 public:
  // Raises EFCreateError when the file cannot be opened or created as the mode asks.
  TVelloPDFWideFileStream(std::u16string_view path, std::uint16_t mode);
  // Raises EFCreateError when the descriptor is not that of a regular file.
  explicit TVelloPDFWideFileStream(TCreatedFile file);
  // Flushes what is buffered (a failure is dropped: destructors do not raise) and closes the file.
  ~TVelloPDFWideFileStream() override;

  // Sets the file's size (flushing first); the position moves back to the new end if it was
  // beyond it. Raises EPDFError when the size cannot be set or earlier writes failed.
  void SetSize(std::int64_t size) override;
  // Never raises: 0 on failure, fewer than count only at the end of the file or on failure.
  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  // Origins other than the three of TSeekOrigin (after masking to the low seven bits) and targets
  // before the beginning fail: the result is then -1 and the position is unchanged.
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  void Flush() override;
  // Flushes and has the operating system commit the file to storage, as an atomic replacement
  // (write a temporary file, sync, rename) needs before the rename.
  void Sync();
  // For a file that will be synced: from now on the system is asked to start storing what was
  // written every few MiB, in the background, so that Sync waits for the last few only. A hint:
  // what is stored and what Sync promises stay the same.
  void StartStoringEarly() { storeEarly_ = true; }
  using TByteStream::Write;

 private:
  using TDescriptor = TFileDescriptor;

  // The bytes of the file from `start` that the last fill read ahead.
  class TReadCache {
   public:
    // Up to count bytes at position, read ahead from the file unless the cache holds them all;
    // fewer only at the end of the file or on failure.
    std::size_t Read(const TVelloPDFWideFileStream& owner, std::int64_t position, void* buffer,
                     std::size_t count);
    void Clear() { size_ = 0; }

   private:
    std::vector<unsigned char> bytes_;
    std::int64_t start_ = 0;
    std::size_t size_ = 0;
  };

  // Hands the buffered bytes to the operating system; false (and the failure recorded) when it
  // does not take them all. Never raises.
  bool FlushBuffer() noexcept;
  std::size_t WriteAt(std::int64_t position, const void* buffer, std::size_t count) noexcept;
  // Reads at position (or, for a stream that cannot seek, from where the file stands) until count
  // bytes, the end of the file or a failure.
  std::size_t ReadAt(std::int64_t position, void* buffer, std::size_t count) const noexcept;
  // Asks for the written bytes up to end to be stored once enough of them are waiting.
  void StoreEarly(std::int64_t end) noexcept;
  // The size the file system reports; -1 when it cannot.
  std::int64_t FileSize() const;
  void RaiseIfWriteFailed() const;

  TDescriptor descriptor_;
  std::optional<TOpenInputRegistration> protection_;
  bool writable_ = false;
  bool seekable_ = false;
  std::int64_t position_ = 0;
  TReadCache cache_;
  // Bytes to be written from the position where the buffer began; the position is at their end.
  std::vector<unsigned char> buffer_;
  bool storeEarly_ = false;
  // Where the bytes already handed over for storing end.
  std::int64_t storedFrom_ = 0;
  // errno of the first failed write; 0 while every write succeeded.
  int writeError_ = 0;
};

}  // namespace pdf

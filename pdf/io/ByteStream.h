#pragma once
// A seekable byte stream: what the readers and the writer need of a file.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace pdf {

enum class TSeekOrigin { Beginning = 0, Current = 1, End = 2 };

class TByteStream {
 public:
  TByteStream() = default;
  virtual ~TByteStream() = default;
  TByteStream(const TByteStream&) = delete;
  TByteStream& operator=(const TByteStream&) = delete;

  // Size in bytes; the position is left where it was.
  virtual std::int64_t Size();
  // Ends the stream at the current position.
  virtual void SetSize(std::int64_t size) = 0;
  // Reads up to count bytes at the position; returns how many were read (0 on failure).
  virtual std::size_t Read(void* buffer, std::size_t count) = 0;
  // Writes count bytes at the position; returns how many were written (short on failure).
  virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
  // Moves the position and returns the new one.
  virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;
  // Pushes buffered writes to the operating system; raises EPDFError when they cannot be stored.
  virtual void Flush() {}

  std::int64_t Position() { return Seek(0, TSeekOrigin::Current); }
  std::size_t Write(std::string_view bytes) { return Write(bytes.data(), bytes.size()); }
};

}  // namespace pdf

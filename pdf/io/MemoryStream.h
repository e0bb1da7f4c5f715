#pragma once
// A byte stream over memory, for tests and scratch data.

#include <string>

#include "pdf/io/ByteStream.h"

namespace pdf {

class TMemoryStream final : public TByteStream {
 public:
  TMemoryStream() = default;
  explicit TMemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

  std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }
  void SetSize(std::int64_t size) override;
  std::size_t Read(void* buffer, std::size_t count) override;
  std::size_t Write(const void* buffer, std::size_t count) override;
  std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
  using TByteStream::Write;

  const std::string& Bytes() const { return bytes_; }

 private:
  std::string bytes_;
  std::int64_t position_ = 0;
};

}  // namespace pdf

#include "pdf/io/MemoryStream.h"

#include <algorithm>
#include <cstring>

namespace pdf {

void TMemoryStream::SetSize(std::int64_t size) {
  bytes_.resize(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)));
  position_ = std::min(position_, Size());
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
  if (position_ >= Size()) return 0;
  const std::size_t available = bytes_.size() - static_cast<std::size_t>(position_);
  const std::size_t n = std::min(count, available);
  std::memcpy(buffer, bytes_.data() + position_, n);
  position_ += static_cast<std::int64_t>(n);
  return n;
}

std::size_t TMemoryStream::Write(const void* buffer, std::size_t count) {
  const auto end = static_cast<std::size_t>(position_) + count;
  if (end > bytes_.size()) bytes_.resize(end);
  std::memcpy(bytes_.data() + position_, buffer, count);
  position_ = static_cast<std::int64_t>(end);
  return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
  const std::int64_t base = origin == TSeekOrigin::Beginning ? 0
                            : origin == TSeekOrigin::Current ? position_
                                                             : Size();
  position_ = std::max<std::int64_t>(base + offset, 0);
  return position_;
}

}  // namespace pdf

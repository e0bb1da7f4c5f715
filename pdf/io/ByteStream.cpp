#include "pdf/io/ByteStream.h"

namespace pdf {

std::int64_t TByteStream::Size() {
  const std::int64_t position = Seek(0, TSeekOrigin::Current);
  const std::int64_t size = Seek(0, TSeekOrigin::End);
  Seek(position, TSeekOrigin::Beginning);
  return size;
}

}  // namespace pdf

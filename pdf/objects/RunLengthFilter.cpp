// RunLengthDecode.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/objects/StreamFilters.h"

namespace pdf {
namespace {

constexpr std::uint8_t kEndOfData = 128;

}  // namespace

std::string DecodeRunLength(std::string_view data, std::size_t maxOutput) {
  std::string out;
  std::size_t pos = 0;
  while (pos < data.size() && out.size() < maxOutput) {
    const std::uint8_t length = static_cast<std::uint8_t>(data[pos++]);
    const std::size_t room = maxOutput - out.size();
    if (length == kEndOfData) break;
    if (length < kEndOfData) {
      // A literal run cut short by the end of the data keeps the bytes that are there.
      const std::string_view literal = data.substr(pos, std::min<std::size_t>(length + 1u, room));
      out.append(literal);
      pos += length + 1u;
    } else {
      if (pos >= data.size()) break;  // a repeat without its byte gives nothing
      out.append(std::min<std::size_t>(257u - length, room), data[pos++]);
    }
  }
  return out;
}

}  // namespace pdf

// ASCIIHexDecode.

#include <optional>
#include <string>
#include <string_view>

#include "pdf/objects/StreamFilters.h"

namespace pdf {
namespace {

bool IsAsciiAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::optional<int> HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return std::nullopt;
}

// A pair that is not a hexadecimal number (a letter beyond F) gives the byte 0.
char PairValue(char high, char low) {
  const std::optional<int> h = HexValue(high);
  const std::optional<int> l = HexValue(low);
  return h && l ? static_cast<char>(*h * 16 + *l) : '\0';
}

}  // namespace

std::string DecodeASCIIHex(std::string_view text) {
  if (text.size() < 2 || text.front() != '<' || text.back() != '>') return {};
  // Every letter and digit inside the brackets counts, even after an early ">": tolerated so that
  // a stray ">" in damaged data does not lose the rest of it.
  std::string out;
  std::optional<char> high;
  for (const char c : text.substr(1, text.size() - 2)) {
    if (!IsAsciiAlnum(c)) continue;
    if (high) {
      out.push_back(PairValue(*high, c));
      high.reset();
    } else {
      high = c;
    }
  }
  if (high) out.push_back(PairValue(*high, '0'));  // an odd count ends with an implied 0
  return out;
}

}  // namespace pdf

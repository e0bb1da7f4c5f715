#include "cli/Utf8Text.h"

#include <cstdint>

namespace cli {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

// The length of the well-formed sequence at bytes[at], or 0 (RFC 3629: no overlong forms, no
// surrogates, nothing above U+10FFFF). code receives the code point.
std::size_t SequenceLength(std::string_view bytes, std::size_t at, std::uint32_t& code) {
  const auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(bytes[i]); };
  const std::uint8_t lead = byte(at);
  if (lead < 0x80) {
    code = lead;
    return 1;
  }
  std::size_t length = 0;
  std::uint32_t minimum = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, minimum = 0x80, code = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, minimum = 0x800, code = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, minimum = 0x10000, code = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > bytes.size()) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

bool IsControl(std::uint32_t code) { return code < 0x20 || (code >= 0x7F && code <= 0x9F); }

template <typename TVisit>
std::string Rewrite(std::string_view bytes, TVisit visit) {
  std::string text;
  text.reserve(bytes.size());
  for (std::size_t at = 0; at < bytes.size();) {
    std::uint32_t code = 0;
    const std::size_t length = SequenceLength(bytes, at, code);
    if (length == 0) {
      text += kReplacement;
      ++at;
      continue;
    }
    visit(text, bytes.substr(at, length), code);
    at += length;
  }
  return text;
}

}  // namespace

bool IsWellFormedUTF8(std::string_view bytes) {
  for (std::size_t at = 0; at < bytes.size();) {
    std::uint32_t code = 0;
    const std::size_t length = SequenceLength(bytes, at, code);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

std::string WellFormedUTF8(std::string_view bytes) {
  return Rewrite(bytes, [](std::string& text, std::string_view sequence, std::uint32_t) { text += sequence; });
}

std::string TerminalText(std::string_view bytes) {
  return Rewrite(bytes, [](std::string& text, std::string_view sequence, std::uint32_t code) {
    if (IsControl(code)) {
      text += '?';
    } else {
      text += sequence;
    }
  });
}

}  // namespace cli

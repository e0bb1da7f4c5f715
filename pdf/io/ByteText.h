#pragma once
// Small helpers for reading numbers out of raw file bytes and parsed values.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "pdf/objects/PDFNumberText.h"
#include "pdf/objects/PDFScalars.h"

namespace pdf {

// Text without the bytes up to 0x20 (blanks, line ends, control bytes) at either end.
inline std::string_view TrimLow(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
  return text;
}

// The decimal value of text with surrounding bytes up to 0x20 trimmed; fallback when the
// rest is not a plain (optionally negative) integer that fits 64 bits.
inline std::int64_t DecimalValue(std::string_view text, std::int64_t fallback) {
  text = TrimLow(text);
  if (text.starts_with('+')) text.remove_prefix(1);
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  return error == std::errc() && stop == end && !text.empty() ? value : fallback;
}

// A numeric object's value rounded half to even, for offsets and sizes beyond 32 bits.
inline std::optional<std::int64_t> NumberAsInt64(const TPDFObject* object) {
  const auto* number = As<TPDFNumeric>(object);
  if (number == nullptr) return std::nullopt;
  return RoundToInt64(number->Value());
}

inline bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// Blanks that may stand between "stream" and its end of line.
inline bool IsBlankByte(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\0'; }

// Index of the first stream data byte after the "stream" keyword at `keyword`: blanks may
// follow the keyword, then one end of line (CR LF, CR or LF). Readers also take blanks alone
// in place of the end of line; the data then starts after them (a comment there is data). npos
// when the keyword runs straight into other bytes.
inline std::size_t StreamDataAfterKeyword(std::string_view text, std::size_t keyword) {
  std::size_t i = keyword + 6;
  while (i < text.size() && IsBlankByte(text[i])) ++i;
  if (text.substr(std::min(i, text.size())).starts_with("\r\n")) return i + 2;
  if (i < text.size() && (text[i] == '\r' || text[i] == '\n')) return i + 1;
  if (i > keyword + 6 && i < text.size()) return i;
  return std::string_view::npos;
}

}  // namespace pdf

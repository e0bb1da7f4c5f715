#pragma once
// Small helpers for reading numbers out of raw file bytes and parsed values.

#include <charconv>
#include <cstdint>
#include <optional>
#include <string_view>

#include "pdf/objects/PDFNumberText.h"
#include "pdf/objects/PDFScalars.h"

namespace pdf {

// The decimal value of text with surrounding bytes up to 0x20 trimmed; fallback when the
// rest is not a plain (optionally negative) integer that fits 64 bits.
inline std::int64_t DecimalValue(std::string_view text, std::int64_t fallback) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
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

}  // namespace pdf

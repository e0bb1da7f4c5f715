#include "app/core/BooleanText.h"

#include <optional>

#include "app/core/BatchSettings.h"
#include "app/core/PasswordGenerator.h"
#include "pdf/objects/TextConversions.h"

namespace ombrelt::app {

namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Skips a run of digits from at; true when any of them is not 0.
bool SkipDigits(std::u16string_view text, std::size_t& at, bool& sawDigit) {
  bool nonZero = false;
  for (; at < text.size() && IsDigit(text[at]); ++at) {
    sawDigit = true;
    nonZero = nonZero || text[at] != u'0';
  }
  return nonZero;
}

// A decimal number with optional sign, fraction and exponent: whether it is non-zero, or nothing
// when the text is not such a number.
std::optional<bool> NumberIsNonZero(std::u16string_view text) {
  std::size_t at = 0;
  if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) ++at;
  bool sawDigit = false;
  bool nonZero = SkipDigits(text, at, sawDigit);
  if (at < text.size() && text[at] == u'.') {
    ++at;
    nonZero = SkipDigits(text, at, sawDigit) || nonZero;
  }
  if (!sawDigit) return std::nullopt;
  if (at < text.size() && (text[at] == u'e' || text[at] == u'E')) {
    ++at;
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) ++at;
    bool sawExponent = false;
    SkipDigits(text, at, sawExponent);
    if (!sawExponent) return std::nullopt;
  }
  if (at != text.size()) return std::nullopt;
  return nonZero;
}

bool SameWordIgnoringCase(std::u16string_view text, std::u16string_view word) {
  if (text.size() != word.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i] >= u'a' && text[i] <= u'z' ? static_cast<char16_t>(text[i] - u'a' + u'A') : text[i];
    const char16_t w = word[i] >= u'a' && word[i] <= u'z' ? static_cast<char16_t>(word[i] - u'a' + u'A') : word[i];
    if (c != w) return false;
  }
  return true;
}

}  // namespace

std::u16string BoolToText(bool value) { return value ? u"-1" : u"0"; }

bool TextToBool(std::u16string_view text) {
  const std::u16string trimmed = TrimText(text);
  if (const std::optional<bool> number = NumberIsNonZero(trimmed)) return *number;
  if (SameWordIgnoringCase(trimmed, u"True")) return true;
  if (SameWordIgnoringCase(trimmed, u"False")) return false;
  throw EConvertError("'" + pdf::UnicodeToUTF8(text) + "' is not a valid boolean value");
}

}  // namespace ombrelt::app

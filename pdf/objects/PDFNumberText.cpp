#include "pdf/objects/PDFNumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "pdf/objects/PDFError.h"

namespace pdf {

std::optional<std::int64_t> RoundToInt64(double value) {
  const double rounded = std::nearbyint(value);  // default rounding mode: half to even
  // 2^63 is exactly representable; everything in [-2^63, 2^63) fits.
  constexpr double kLimit = 9223372036854775808.0;
  if (!(rounded >= -kLimit && rounded < kLimit)) return std::nullopt;
  return static_cast<std::int64_t>(rounded);
}

namespace {

double PowerOfTen(int exponent) {
  double result = 1;
  for (int i = 0; i < exponent; ++i) result *= 10;
  return result;
}

std::uint64_t Magnitude(std::int64_t n) {
  return n < 0 ? ~static_cast<std::uint64_t>(n) + 1 : static_cast<std::uint64_t>(n);
}

}  // namespace

// The fewest decimals, at least `minimum` and at most nine (what the parser reads back), that
// keep the value: a copied /FontMatrix of .00048828125 must not become 0.0005.
int DecimalsKeepingValue(double value, int minimum) {
  constexpr int kMaximumDecimals = 9;
  for (int decimals = minimum; decimals < kMaximumDecimals; ++decimals) {
    const std::optional<std::int64_t> scaled = RoundToInt64(value * PowerOfTen(decimals + 1));
    if (!scaled) return decimals;  // more decimals would not fit 64 bits
    const double written = static_cast<double>(*RoundToInt64(value * PowerOfTen(decimals))) / PowerOfTen(decimals);
    if (std::fabs(written - value) <= 1e-12 * std::max(1.0, std::fabs(value))) return decimals;
  }
  return std::max(minimum, kMaximumDecimals);
}

namespace {

// Whole numbers, most of those in a file (lengths, sizes, counts), need no decimals. Their bound
// keeps them within what the general path writes rather than refuses.
bool WriteWholeNumber(double value, int decimals, std::string& out) {
  constexpr double kLimit = 1e14;
  if (decimals > 4 || !(std::fabs(value) < kLimit) || value != std::trunc(value)) return false;
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, static_cast<std::int64_t>(value));
  out.append(digits, result.ptr);
  return true;
}

}  // namespace

void WriteNumberText(double value, int decimals, std::string& out) {
  if (WriteWholeNumber(value, decimals, out)) return;
  decimals = std::clamp(decimals, 0, 18);
  const std::optional<std::int64_t> minimal = RoundToInt64(value * PowerOfTen(decimals));
  if (!minimal) throw EPDFError("number cannot be written: " + std::to_string(value));
  decimals = DecimalsKeepingValue(value, decimals);
  const std::optional<std::int64_t> scaled = RoundToInt64(value * PowerOfTen(decimals));
  if (*scaled == 0) {
    out += '0';
    return;
  }
  std::string digits = std::to_string(Magnitude(*scaled));
  const auto width = static_cast<std::size_t>(decimals) + 1;
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  const std::size_t integerDigits = digits.size() - static_cast<std::size_t>(decimals);
  std::string text = digits.substr(0, integerDigits);
  if (decimals > 0) text += '.' + digits.substr(integerDigits);
  if (decimals > 0) {
    text.erase(text.find_last_not_of('0') + 1);
    if (text.back() == '.') text.pop_back();
  }
  if (*scaled < 0) out += '-';
  out += text;
}

}  // namespace pdf

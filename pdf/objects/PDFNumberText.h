#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pdf {

// value rounded half to even to a signed 64-bit integer, or nothing when it cannot be
// (not a number, infinite, or out of range).
std::optional<std::int64_t> RoundToInt64(double value);

// Appends value with at most `decimals` decimals, no exponent and no trailing zeros.
// Throws EPDFError for a value that cannot be written.
void WriteNumberText(double value, int decimals, std::string& out);

}  // namespace pdf

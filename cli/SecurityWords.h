#pragma once
// Words for what the library reports as numbers: the security items of an inspection list and
// the error codes of the last call.

#include <array>
#include <string>
#include <string_view>

#include "pdf/facade/ErrorWords.h"

namespace cli {

struct TSecurityItem {
  int ListIndex;           // position in the inspection list
  std::string_view Key;    // JSON key
  std::string_view Label;  // label of the text output
  bool IsCode;             // false: a plain number (the RC4 key length)
};

// Security items 0 to 13 in their order.
extern const std::array<TSecurityItem, 14> kSecurityItems;

// The meaning of a security item code, e.g. 8 -> "128-bit RC4".
std::string SecurityCodeWords(int code);

// The meaning of a facade error code.
using pdf::ErrorWords;

}  // namespace cli

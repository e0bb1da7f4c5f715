#pragma once
// Recognises values whose text can be copied from one file into another without building objects:
// made of nothing but names, numbers, references, true, false, null, strings and nested
// dictionaries and arrays. Those without strings are copied as they stand; in the others only the
// string tokens are written anew (encrypted or decrypted). Checking this is much cheaper than
// parsing the value into objects and writing it back.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pdf {

// One string token of a scanned value.
struct TStringToken {
  std::size_t start = 0;  // the opening '(' or '<' in the scanned text
  std::size_t end = 0;    // just past the closing ')' or '>'
  std::string bytes;      // what the string holds, read as the parser reads it
  bool hexForm = false;
};

struct TPlainValue {
  std::size_t end = 0;  // just past the value in the scanned text
  std::vector<TStringToken> strings;  // in the order of the text
  bool namesTypeApart = false;  // some name in the value, key or not, is one of typesApart
};

// The value that starts text (after white space) when it is a dictionary, an array or a string made
// of nothing but names, numbers, references, true, false, null, strings and nested dictionaries and
// arrays (every dictionary key a name), all in printable ASCII outside strings: no comments, escaped
// names or other keywords. Nothing for any other text, for nesting the parser would refuse, and for
// a value with strings that holds a dictionary whose /Type is one of typesApart (whose strings the
// caller treats apart). What follows the value (a stream's data, say) is the caller's to look at.
// With highestReference, the highest object number a reference in the value names is kept there
// (it is only raised, never lowered).
std::optional<TPlainValue> ScanPlainValue(std::string_view text, std::span<const std::string_view> typesApart = {},
                                          std::int64_t* highestReference = nullptr);

// Where the dictionary or array that starts text ends, when ScanPlainValue accepts it and it holds
// no strings: its text can be copied as it stands. Stops at the first string, reading none.
std::optional<std::size_t> PlainContainerEnd(std::string_view text, std::int64_t* highestReference = nullptr);

// The scanned value's text (text up to value.end) with each string token written anew from its
// token's bytes, in the token's form; everything between the tokens as it stands.
std::string PlainValueText(std::string_view text, const TPlainValue& value);

}  // namespace pdf

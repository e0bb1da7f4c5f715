#pragma once
// The lexical rules every reader of object syntax shares: which bytes are white space or
// delimiters, and where a string token ends and which bytes it holds. The parser and the
// plain-value scan both read through these, so they cannot disagree on a token.

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace pdf::lexer {

enum : unsigned char {
  kWhiteSpace = 1,
  kDelimiter = 2,
  // Printable ASCII that is neither white space, a delimiter nor '#' (which starts an escape in a
  // name): a byte a token may hold that any writer writes back as it is.
  kPlainRegular = 4,
};

// Looked up once per byte: the scan and the parser test every byte of most objects.
inline constexpr std::array<unsigned char, 256> kByteClasses = [] {
  std::array<unsigned char, 256> classes{};
  // NUL counts as white space, as other readers count it.
  for (const char c : std::string_view(" \n\r\t\f\0", 6)) classes[static_cast<unsigned char>(c)] = kWhiteSpace;
  for (const char c : std::string_view("()<>[]{}/%")) classes[static_cast<unsigned char>(c)] = kDelimiter;
  for (int c = '!'; c < 0x7F; ++c) {
    if (classes[static_cast<std::size_t>(c)] == 0 && c != '#') classes[static_cast<std::size_t>(c)] = kPlainRegular;
  }
  return classes;
}();

// c is a byte as an int, or -1 past the end of the text (which is in no class).
inline bool IsIn(int c, unsigned char byteClasses) {
  return c >= 0 && (kByteClasses[static_cast<std::size_t>(c)] & byteClasses) != 0;
}
inline bool IsWhiteSpace(int c) { return IsIn(c, kWhiteSpace); }
inline bool IsDelimiter(int c) { return IsIn(c, kDelimiter); }

// The value of a hexadecimal digit, or -1.
int HexValue(int c);

// Where the literal string whose '(' is text[open] ends: the index of its closing ')', or nothing
// when the text ends first. Parentheses nest unless escaped.
std::optional<std::size_t> LiteralStringClose(std::string_view text, std::size_t open);
// The bytes a literal string holds, given its text between the parentheses: escapes read, line
// continuations dropped, every end of line read as "\n".
std::string LiteralStringBytes(std::string_view body);
// Where the hex string whose '<' is text[open] ends: the index of its closing '>', or nothing.
std::optional<std::size_t> HexStringClose(std::string_view text, std::size_t open);
// The bytes a hex string holds, given its text between '<' and '>': every byte that is no digit
// is skipped, and an odd last digit reads as followed by 0.
std::string HexStringBytes(std::string_view body);

}  // namespace pdf::lexer

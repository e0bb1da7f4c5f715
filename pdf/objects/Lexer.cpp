#include "pdf/objects/Lexer.h"

namespace pdf::lexer {

namespace {

bool IsOctalDigit(int c) { return c >= '0' && c <= '7'; }

// Rewrites one backslash escape of a literal string; `i` is the index after the backslash.
// Returns the index of the first byte not consumed.
std::size_t AppendEscape(std::string_view body, std::size_t i, std::string& bytes) {
  const char c = body[i];
  if (IsOctalDigit(c)) {
    unsigned value = 0;
    std::size_t end = i;
    for (; end < body.size() && end < i + 3 && IsOctalDigit(body[end]); ++end) {
      value = value * 8 + static_cast<unsigned>(body[end] - '0');
    }
    bytes += static_cast<char>(value & 0xFF);
    return end;
  }
  switch (c) {
    case 'n': bytes += '\n'; return i + 1;
    case 'r': bytes += '\r'; return i + 1;
    case 't': bytes += '\t'; return i + 1;
    case 'b': bytes += '\b'; return i + 1;
    case 'f': bytes += '\f'; return i + 1;
    case '(': case ')': case '\\': bytes += c; return i + 1;
    case '\n': return i + 1;
    case '\r': return (i + 1 < body.size() && body[i + 1] == '\n') ? i + 2 : i + 1;
    default:
      // The backslash of an unknown escape is dropped, as every reader drops it.
      bytes += c;
      return i + 1;
  }
}

}  // namespace

int HexValue(int c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

std::optional<std::size_t> LiteralStringClose(std::string_view text, std::size_t open) {
  int depth = 1;
  for (std::size_t end = open + 1; end < text.size(); ++end) {
    const char c = text[end];
    // A backslash in the last two bytes escapes nothing: the ')' after it may still close.
    const bool escapesNext = c == '\\' && end + 2 < text.size() &&
                             (text[end + 1] == '(' || text[end + 1] == ')' || text[end + 1] == '\\');
    if (escapesNext) {
      ++end;
    } else if (c == '(') {
      ++depth;
    } else if (c == ')' && --depth == 0) {
      return end;
    }
  }
  return std::nullopt;
}

std::string LiteralStringBytes(std::string_view body) {
  std::string bytes;
  bytes.reserve(body.size());
  for (std::size_t i = 0; i < body.size();) {
    // Most of a string needs no reading: its runs between escapes and line ends go out whole.
    std::size_t runEnd = i;
    while (runEnd < body.size() && body[runEnd] != '\\' && body[runEnd] != '\r') ++runEnd;
    bytes.append(body.substr(i, runEnd - i));
    i = runEnd;
    if (i == body.size()) break;
    if (body[i] == '\r') {
      bytes += '\n';
      i += (i + 1 < body.size() && body[i + 1] == '\n') ? 2 : 1;
    } else if (i + 1 == body.size()) {
      bytes += '\\';
      ++i;
    } else {
      i = AppendEscape(body, i + 1, bytes);
    }
  }
  return bytes;
}

std::optional<std::size_t> HexStringClose(std::string_view text, std::size_t open) {
  const std::size_t close = text.find('>', open + 1);
  return close != std::string_view::npos ? std::optional(close) : std::nullopt;
}

std::string HexStringBytes(std::string_view body) {
  std::string bytes;
  bytes.reserve(body.size() / 2 + 1);
  int high = -1;
  for (const char c : body) {
    const int value = HexValue(static_cast<unsigned char>(c));
    if (value < 0) continue;
    if (high < 0) {
      high = value;
    } else {
      bytes += static_cast<char>(high * 16 + value);
      high = -1;
    }
  }
  if (high >= 0) bytes += static_cast<char>(high * 16);
  return bytes;
}

}  // namespace pdf::lexer

#include "pdf/objects/PDFParser.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <optional>
#include <string>

#include "pdf/objects/Lexer.h"
#include "pdf/objects/Limits.h"
#include "pdf/objects/PDFStructure.h"

namespace pdf {

namespace {

using lexer::HexValue;
using lexer::IsDelimiter;
using lexer::IsWhiteSpace;

bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// Strict "[-]digits" conversion; nothing for anything else or an out-of-range value.
template <class Int>
std::optional<Int> ParseInteger(std::string_view text) {
  if (text.empty()) return std::nullopt;
  Int value{};
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

std::string_view TrimControlBytes(std::string_view text) {
  while (!text.empty() && static_cast<unsigned char>(text.front()) < 33) text.remove_prefix(1);
  while (!text.empty() && static_cast<unsigned char>(text.back()) < 33) text.remove_suffix(1);
  return text;
}

// Truncation toward zero into a 32-bit field; values outside it give 0, so that a parsed
// reference always writes back as the same reference.
std::int32_t TruncateToInt32(double value) {
  const double truncated = std::trunc(value);
  if (!(truncated >= INT32_MIN && truncated <= INT32_MAX)) return 0;
  return static_cast<std::int32_t>(truncated);
}

bool IsUnsignedInteger(std::string_view word) {
  return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) { return IsDigit(c); });
}

// "[+-]digits[.digits]", "[+-].digits" or "[+-]digits." with at least one digit.
bool IsDecimalToken(std::string_view word) {
  if (word.starts_with('+') || word.starts_with('-')) word.remove_prefix(1);
  const std::size_t dot = word.find('.');
  const std::string_view integer = word.substr(0, dot);
  const std::string_view fraction = dot == std::string_view::npos ? std::string_view() : word.substr(dot + 1);
  const auto digits = [](std::string_view part) { return std::all_of(part.begin(), part.end(), [](char c) { return IsDigit(c); }); };
  return integer.size() + fraction.size() > 0 && digits(integer) && digits(fraction);
}

// Exponent forms some producers write ("2.09E-16"): a decimal token, "E", a signed integer.
bool IsExponentToken(std::string_view word) {
  const std::size_t e = word.find('E');
  if (e == std::string_view::npos || e == 0) return false;
  std::string_view exponent = word.substr(e + 1);
  if (exponent.starts_with('+') || exponent.starts_with('-')) exponent.remove_prefix(1);
  return IsDecimalToken(word.substr(0, e)) && IsUnsignedInteger(exponent);
}

// The value of a number token, or nothing for a word that is no number (a lone sign, "1e-05").
std::optional<double> NumberTokenValue(std::string_view word) {
  if (!IsDecimalToken(word) && !IsExponentToken(word)) return std::nullopt;
  if (word.starts_with('+')) word.remove_prefix(1);
  double value = 0;
  const auto [stop, error] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (error == std::errc::result_out_of_range) return word.starts_with('-') ? -HUGE_VAL : HUGE_VAL;
  if (error != std::errc()) {
    // from_chars wants a digit before the dot: "-.5" and ".5" read as "-0.5" and "0.5".
    std::string text(word);
    const std::size_t dot = text.find('.');
    if (dot != std::string::npos) text.insert(dot, "0");
    std::from_chars(text.data(), text.data() + text.size(), value);
  }
  return value;
}

// Words that frame objects and streams: a container that meets one was never closed.
bool IsFramingKeyword(std::string_view word) {
  return word == "endobj" || word == "stream" || word == "endstream" || word == "obj" || word == "xref" ||
         word == "trailer" || word == "startxref";
}

}  // namespace

bool IsNumberText(std::string_view text) {
  text = TrimControlBytes(text);
  int dots = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '-' && i != 0) return false;
    if (c == '.') ++dots;
    if (!IsDigit(c) && c != '.' && c != '-') return false;
  }
  return dots <= 1;
}

double ParseDecimalText(std::string_view text) {
  if (!IsNumberText(text)) return 0;
  text = TrimControlBytes(text);
  const std::size_t dot = text.find('.');
  if (dot == std::string_view::npos) {
    return static_cast<double>(ParseInteger<std::int64_t>(text).value_or(0));
  }
  const double integerPart =
      std::fabs(static_cast<double>(ParseInteger<std::int64_t>(text.substr(0, dot)).value_or(0)));
  // Only the first nine decimals count; later ones are cut, not rounded.
  const std::string_view decimals = text.substr(dot + 1, 9);
  const double fraction = static_cast<double>(ParseInteger<std::int64_t>(decimals).value_or(0)) /
                          std::pow(10.0, static_cast<double>(decimals.size()));
  const double value = integerPart + fraction;
  return text.find('-') != std::string_view::npos ? -value : value;
}

TPDFParser::TPDFParser(TPDFStructure& structure, std::string_view text)
    : structure_(structure), text_(text) {}

TPDFObject* TPDFParser::ParseObjectAt(std::size_t& consumed) {
  consumed = 0;
  try {
    const std::int32_t firstNew = structure_.ObjectCount();
    SkipWhiteSpaceAndComments();
    TPDFObject* object = ParseValue();
    consumed = pos_;
    // Freshly parsed objects report themselves unmodified.
    for (std::int32_t i = firstNew; i < structure_.ObjectCount(); ++i) {
      structure_.ObjectAt(i)->SetModified(false);
    }
    return object != nullptr ? object : structure_.NewNull();
  } catch (...) {
    consumed = 0;
    return structure_.NewNull();
  }
}

void TPDFParser::SkipWhiteSpaceAndComments() {
  // Skipping stops on the last byte at the latest, never past it.
  while (pos_ + 1 < text_.size()) {
    const int c = Peek();
    if (IsWhiteSpace(c)) {
      ++pos_;
    } else if (c == '%') {
      while (pos_ + 1 < text_.size() && Peek() != '\r' && Peek() != '\n') ++pos_;
    } else {
      return;
    }
  }
}

bool TPDFParser::At(std::string_view token) const {
  return text_.substr(pos_ < text_.size() ? pos_ : text_.size()).starts_with(token);
}

TPDFObject* TPDFParser::ParseValue() {
  const int c = Peek();
  if (c < 0 || tooDeep_) return nullptr;
  // Each test runs only for a first byte that can start what it looks for: most values are
  // names and numbers.
  if (c == '<' && At("<<") && text_.size() - pos_ >= 4) return ParseDictionary();
  if (c == '[') return ParseArray();
  if (c == '(') return ParseLiteralString();
  if (c == '<') return ParseHexString();
  if (c == '/') return ParseName();
  return ParseWord();
}

// A run of regular bytes: a keyword, a number or reference, or a word the object model has no
// value for, which is kept as it stands. Words that frame objects end the value instead.
TPDFObject* TPDFParser::ParseWord() {
  const std::size_t end = WordEnd(pos_);
  const std::string_view word = text_.substr(pos_, end - pos_);
  if (word.empty() || IsFramingKeyword(word)) return nullptr;
  if (word == "true" || word == "false" || word == "null") {
    pos_ = end;
    if (word == "null") return structure_.NewNull();
    return structure_.NewBoolean(word == "true");
  }
  if (const std::optional<double> value = NumberTokenValue(word)) {
    pos_ = end;
    if (IsUnsignedInteger(word)) {
      if (TPDFObject* reference = ParseReferenceAfter(*value)) return reference;
    }
    return structure_.NewParsedNumber(*value, word);
  }
  pos_ = end;
  return structure_.NewToken(word);
}

std::size_t TPDFParser::WordEnd(std::size_t from) const {
  while (from < text_.size() && !IsWhiteSpace(static_cast<unsigned char>(text_[from])) &&
         !IsDelimiter(static_cast<unsigned char>(text_[from]))) {
    ++from;
  }
  return from;
}

bool TPDFParser::EnterContainer() {
  // Deeper nesting is malformed: the parse ends there, so hostile input cannot exhaust the stack.
  if (depth_ >= limits::kMaxNestingDepth) tooDeep_ = true;
  if (tooDeep_) return false;
  ++depth_;
  return true;
}

// Steps over a closing delimiter that closes nothing inside a dictionary.
bool TPDFParser::SkipStrayCloser() {
  const int c = Peek();
  if (c != ']' && c != ')' && c != '}' && c != '{') return false;
  ++pos_;
  return true;
}

TPDFObject* TPDFParser::ParseDictionary() {
  if (!EnterContainer()) return nullptr;
  pos_ += 2;
  TPDFDictionary* dictionary = structure_.NewDictionary();
  for (;;) {
    SkipWhiteSpaceAndComments();
    TPDFObject* key = ParseValue();
    // Anything else where a key belongs (a stray byte, a value without its key) is damage that
    // other readers step over, keeping the entries after it; so do we, without it.
    if (key == nullptr && !SkipStrayCloser()) break;
    auto* name = As<TPDFName>(key);
    if (name == nullptr) continue;
    SkipWhiteSpaceAndComments();
    TPDFObject* value = ParseValue();
    // A stray "]" or ")" where the value belongs reads as null, as qpdf reads it.
    if (value == nullptr && SkipStrayCloser()) value = structure_.NewNull();
    if (value == nullptr) break;
    dictionary->PutEntry(name, value);
  }
  if (At(">>")) {
    pos_ += 2;
  } else {
    unclosed_ = true;
  }
  --depth_;
  return dictionary;
}

TPDFObject* TPDFParser::ParseArray() {
  if (!EnterContainer()) return nullptr;
  ++pos_;
  TPDFArray* array = structure_.NewArray();
  for (;;) {
    SkipWhiteSpaceAndComments();
    TPDFObject* item = ParseValue();
    if (item == nullptr) break;
    array->Add(item);
    if (array->ItemCount() == 1 && item->Kind() == TPDFObjectKind::IndRef && Peek() != ']') {
      ReserveReferenceSlots(*array);
    }
  }
  if (Peek() == ']') {
    ++pos_;
  } else {
    unclosed_ = true;
  }
  --depth_;
  return array;
}

void TPDFParser::ReserveReferenceSlots(TPDFArray& array) const {
  const std::size_t close = text_.find(']', pos_);
  const std::string_view rest = text_.substr(pos_, close == std::string_view::npos ? close : close - pos_);
  std::size_t count = 0;
  for (const char c : rest) count += c == 'R' ? 1 : 0;
  // A reference takes at least four bytes ("0 0R"); stray R bytes must not reserve more.
  count = std::min(count, rest.size() / 4 + 1);
  array.Reserve(static_cast<std::int32_t>(std::min<std::size_t>(count, INT32_MAX)));
}

// After an unsigned integer: "G R" makes it a reference; otherwise nothing is consumed.
TPDFObject* TPDFParser::ParseReferenceAfter(double objectNumber) {
  const std::size_t afterFirst = pos_;
  SkipWhiteSpaceAndComments();
  const std::size_t generationEnd = WordEnd(pos_);
  const std::string_view generation = text_.substr(pos_, generationEnd - pos_);
  if (IsUnsignedInteger(generation)) {
    pos_ = generationEnd;
    SkipWhiteSpaceAndComments();
    if (Peek() == 'R' && WordEnd(pos_) == pos_ + 1) {
      ++pos_;
      const double generationValue = NumberTokenValue(generation).value_or(0);
      return structure_.NewReference(TruncateToInt32(objectNumber), TruncateToInt32(generationValue));
    }
  }
  pos_ = afterFirst;
  return nullptr;
}

TPDFObject* TPDFParser::ParseLiteralString() {
  const std::optional<std::size_t> close = lexer::LiteralStringClose(text_, pos_);
  if (!close) return nullptr;  // unterminated
  const std::string bytes = lexer::LiteralStringBytes(text_.substr(pos_ + 1, *close - pos_ - 1));
  pos_ = *close + 1;
  return structure_.NewString(bytes, false);
}

TPDFObject* TPDFParser::ParseHexString() {
  const std::optional<std::size_t> close = lexer::HexStringClose(text_, pos_);
  const std::size_t bodyEnd = close ? *close : std::max(pos_ + 1, text_.size() - 1);
  const std::string bytes = lexer::HexStringBytes(text_.substr(pos_ + 1, bodyEnd - pos_ - 1));
  pos_ = close ? *close + 1 : text_.size();
  return structure_.NewString(bytes, true);
}

TPDFObject* TPDFParser::ParseName() {
  std::size_t end = pos_ + 1;
  while (end < text_.size() && !IsWhiteSpace(static_cast<unsigned char>(text_[end])) &&
         !IsDelimiter(static_cast<unsigned char>(text_[end]))) {
    ++end;
  }
  const std::string_view body = text_.substr(pos_ + 1, end - pos_ - 1);
  pos_ = end;
  // Names without escapes, nearly all of them, are taken as they are.
  if (body.find('#') == std::string_view::npos) return structure_.NewName(body);
  std::string bytes;
  bytes.reserve(body.size());
  bool malformed = false;
  for (std::size_t i = 0; i < body.size(); ++i) {
    const bool escaped = body[i] == '#' && i + 2 < body.size();
    const int high = escaped ? HexValue(static_cast<unsigned char>(body[i + 1])) : -1;
    const int low = escaped ? HexValue(static_cast<unsigned char>(body[i + 2])) : -1;
    if (high >= 0 && low >= 0) {
      bytes += static_cast<char>(high * 16 + low);
      i += 2;
    } else {
      bytes += body[i];
      malformed = malformed || body[i] == '#';
    }
  }
  TPDFName* name = structure_.NewName(bytes);
  if (malformed) name->SetWrittenForm(body);
  return name;
}

}  // namespace pdf

#include "pdf/objects/PlainValue.h"

#include <array>
#include <cstdint>
#include <string_view>

#include "pdf/objects/Limits.h"

namespace pdf {

namespace {

// Byte classes looked up in one table: the scanner tests every byte of most objects.
enum : unsigned char { kWhiteSpace = 1, kDelimiter = 2, kNameByte = 4 };

constexpr std::array<unsigned char, 256> kByteClasses = [] {
  std::array<unsigned char, 256> classes{};
  for (const char c : std::string_view(" \n\r\t\f")) classes[static_cast<unsigned char>(c)] = kWhiteSpace;
  for (const char c : std::string_view("()<>[]{}/%")) classes[static_cast<unsigned char>(c)] = kDelimiter;
  // A byte a name may hold as it is; '#' would start an escape, which writing spells anew.
  for (int c = '!'; c < 0x7F; ++c) {
    if (classes[static_cast<std::size_t>(c)] == 0 && c != '#') classes[static_cast<std::size_t>(c)] = kNameByte;
  }
  return classes;
}();

bool Is(int c, unsigned char byteClass) { return c >= 0 && (kByteClasses[static_cast<std::size_t>(c)] & byteClass) != 0; }
bool IsWhiteSpace(int c) { return Is(c, kWhiteSpace); }
bool IsNameByte(int c) { return Is(c, kNameByte); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

// One pass over the text that accepts only the plain values and never allocates.
class TPlainScanner {
 public:
  TPlainScanner(std::string_view text, std::int64_t* highestReference)
      : text_(text), highestReference_(highestReference) {}

  std::optional<std::size_t> ContainerEnd() {
    SkipWhiteSpace();
    if (Peek() != '[' && !At("<<")) return std::nullopt;
    if (!Value(0)) return std::nullopt;
    return pos_;
  }

 private:
  bool Value(int depth) {
    const int c = Peek();
    if (c == '<') return Dictionary(depth);
    if (c == '[') return Array(depth);
    if (c == '/') return Name();
    if (IsDigit(c) || c == '-' || c == '+' || c == '.') return NumberOrReference();
    return Keyword("true") || Keyword("false") || Keyword("null");
  }

  bool Dictionary(int depth) {
    if (!At("<<") || depth >= limits::kMaxNestingDepth) return false;
    pos_ += 2;
    for (;;) {
      SkipWhiteSpace();
      if (At(">>")) {
        pos_ += 2;
        return true;
      }
      if (Peek() != '/' || !Name()) return false;
      SkipWhiteSpace();
      if (!Value(depth + 1)) return false;
    }
  }

  bool Array(int depth) {
    if (depth >= limits::kMaxNestingDepth) return false;
    ++pos_;
    for (;;) {
      SkipWhiteSpace();
      if (Peek() == ']') {
        ++pos_;
        return true;
      }
      if (!Value(depth + 1)) return false;
    }
  }

  bool Name() {
    ++pos_;
    while (IsNameByte(Peek())) ++pos_;
    return AtTokenEnd();
  }

  // [+-]digits[.digits] with at least one digit; "n g R" read as one reference.
  bool NumberOrReference() {
    const bool sign = Peek() == '-' || Peek() == '+';
    if (sign) ++pos_;
    const std::size_t integerStart = pos_;
    const std::size_t integerDigits = SkipDigits();
    const bool dot = Peek() == '.';
    if (dot) ++pos_;
    if (integerDigits + (dot ? SkipDigits() : 0) == 0 || !AtTokenEnd()) return false;
    if (!sign && !dot && SkipReferenceTail()) NoteReference(text_.substr(integerStart, integerDigits));
    return true;
  }

  // After an unsigned integer: " g R" when it follows, else nothing.
  bool SkipReferenceTail() {
    const std::size_t afterNumber = pos_;
    SkipWhiteSpace();
    if (SkipDigits() > 0 && AtTokenEnd()) {
      SkipWhiteSpace();
      if (Peek() == 'R') {
        ++pos_;
        if (AtTokenEnd()) return true;
      }
    }
    pos_ = afterNumber;
    return false;
  }

  void NoteReference(std::string_view digits) {
    if (highestReference_ == nullptr) return;
    // Past 32 bits the parser reads the reference as object 0.
    if (digits.size() > 10) return;
    std::int64_t number = 0;
    for (const char c : digits) number = number * 10 + (c - '0');
    if (number <= INT32_MAX && number > *highestReference_) *highestReference_ = number;
  }

  bool Keyword(std::string_view keyword) {
    if (!At(keyword)) return false;
    pos_ += keyword.size();
    if (AtTokenEnd()) return true;
    pos_ -= keyword.size();
    return false;
  }

  std::size_t SkipDigits() {
    const std::size_t start = pos_;
    while (IsDigit(Peek())) ++pos_;
    return pos_ - start;
  }

  void SkipWhiteSpace() {
    while (IsWhiteSpace(Peek())) ++pos_;
  }

  bool AtTokenEnd() const { return pos_ == text_.size() || Is(Peek(), kWhiteSpace | kDelimiter); }
  bool At(std::string_view token) const { return text_.substr(pos_).starts_with(token); }
  int Peek() const { return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : -1; }

  std::string_view text_;
  std::int64_t* highestReference_;
  std::size_t pos_ = 0;
};

}  // namespace

std::optional<std::size_t> PlainContainerEnd(std::string_view text, std::int64_t* highestReference) {
  // References count only once the whole value is accepted.
  std::int64_t highest = highestReference != nullptr ? *highestReference : 0;
  const std::optional<std::size_t> end = TPlainScanner(text, &highest).ContainerEnd();
  if (end && highestReference != nullptr) *highestReference = highest;
  return end;
}

}  // namespace pdf

#include "pdf/objects/PlainValue.h"

#include <algorithm>
#include <cstdint>
#include <string_view>

#include "pdf/objects/Lexer.h"
#include "pdf/objects/Limits.h"
#include "pdf/objects/PDFScalars.h"

namespace pdf {

namespace {

// NUL is white space to the parser, but it stays out of values copied as they stand.
bool IsWhiteSpace(int c) { return c > 0 && lexer::IsWhiteSpace(c); }
// A byte a name may hold as it is; '#' would start an escape, which writing spells anew.
bool IsNameByte(int c) { return lexer::IsIn(c, lexer::kPlainRegular); }
bool IsDigit(int c) { return c >= '0' && c <= '9'; }

enum class TStringTokens : std::uint8_t { kRefused, kRead };
enum class TTopLevel : std::uint8_t { kContainer, kContainerOrString };

// One pass over the text that accepts only the plain values.
class TPlainScanner {
 public:
  TPlainScanner(std::string_view text, TStringTokens strings, std::span<const std::string_view> typesApart,
                std::int64_t* highestReference)
      : text_(text), readStrings_(strings == TStringTokens::kRead), typesApart_(typesApart),
        highestReference_(highestReference) {}

  std::optional<TPlainValue> Scan(TTopLevel topLevel) {
    SkipWhiteSpace();
    const bool container = Peek() == '[' || At("<<");
    if (!container && (topLevel == TTopLevel::kContainer || (Peek() != '(' && Peek() != '<'))) return std::nullopt;
    if (!Value(0)) return std::nullopt;
    if (typeApart_ && !strings_.empty()) return std::nullopt;
    return TPlainValue{pos_, std::move(strings_), namesTypeApart_};
  }

 private:
  bool Value(int depth) {
    const int c = Peek();
    if (c == '<') return At("<<") ? Dictionary(depth) : HexString();
    if (c == '[') return Array(depth);
    if (c == '/') return Name();
    if (c == '(') return LiteralString();
    if (IsDigit(c) || c == '-' || c == '+' || c == '.') return NumberOrReference();
    return Keyword("true") || Keyword("false") || Keyword("null");
  }

  bool Dictionary(int depth) {
    if (depth >= limits::kMaxNestingDepth) return false;
    pos_ += 2;
    for (;;) {
      SkipWhiteSpace();
      if (At(">>")) {
        pos_ += 2;
        return true;
      }
      const std::size_t keyStart = pos_;
      if (Peek() != '/' || !Name()) return false;
      const bool typeKey = text_.substr(keyStart, pos_ - keyStart) == "/Type";
      SkipWhiteSpace();
      const std::size_t valueStart = pos_;
      if (!Value(depth + 1)) return false;
      if (typeKey) NoteType(text_.substr(valueStart, pos_ - valueStart));
    }
  }

  // Every /Type counts, duplicates included: which of them a reader keeps does not matter then.
  void NoteType(std::string_view value) {
    if (!value.starts_with('/')) return;
    typeApart_ = typeApart_ || IsTypeApart(value.substr(1));
  }

  bool IsTypeApart(std::string_view name) const {
    return std::ranges::find(typesApart_, name) != typesApart_.end();
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
    const std::size_t start = ++pos_;
    while (IsNameByte(Peek())) ++pos_;
    namesTypeApart_ = namesTypeApart_ || IsTypeApart(text_.substr(start, pos_ - start));
    return AtTokenEnd();
  }

  // The string's extent and bytes come from the lexer the parser reads strings with. A string
  // closes itself: whatever follows it starts a token of its own.
  bool LiteralString() {
    if (!readStrings_) return false;
    const std::optional<std::size_t> close = lexer::LiteralStringClose(text_, pos_);
    if (!close) return false;
    AddString(*close, lexer::LiteralStringBytes(text_.substr(pos_ + 1, *close - pos_ - 1)), false);
    return true;
  }

  bool HexString() {
    if (!readStrings_) return false;
    const std::optional<std::size_t> close = lexer::HexStringClose(text_, pos_);
    if (!close) return false;
    AddString(*close, lexer::HexStringBytes(text_.substr(pos_ + 1, *close - pos_ - 1)), true);
    return true;
  }

  void AddString(std::size_t close, std::string bytes, bool hexForm) {
    strings_.push_back(TStringToken{pos_, close + 1, std::move(bytes), hexForm});
    pos_ = close + 1;
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
    // Leading zeros do not count; past 32 bits the parser reads the reference as object 0.
    digits.remove_prefix(std::min(digits.find_first_not_of('0'), digits.size()));
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

  bool AtTokenEnd() const {
    return pos_ == text_.size() || lexer::IsIn(Peek(), lexer::kWhiteSpace | lexer::kDelimiter);
  }
  bool At(std::string_view token) const { return text_.substr(pos_).starts_with(token); }
  int Peek() const { return pos_ < text_.size() ? static_cast<unsigned char>(text_[pos_]) : -1; }

  std::string_view text_;
  bool readStrings_;
  std::span<const std::string_view> typesApart_;
  std::int64_t* highestReference_;
  std::size_t pos_ = 0;
  std::vector<TStringToken> strings_;
  bool typeApart_ = false;
  bool namesTypeApart_ = false;
};

// References count only once the whole value is accepted.
std::optional<TPlainValue> Scan(std::string_view text, TStringTokens strings, TTopLevel topLevel,
                                std::span<const std::string_view> typesApart, std::int64_t* highestReference) {
  std::int64_t highest = highestReference != nullptr ? *highestReference : 0;
  std::optional<TPlainValue> value = TPlainScanner(text, strings, typesApart, &highest).Scan(topLevel);
  if (value && highestReference != nullptr) *highestReference = highest;
  return value;
}

}  // namespace

std::optional<TPlainValue> ScanPlainValue(std::string_view text, std::span<const std::string_view> typesApart,
                                          std::int64_t* highestReference) {
  return Scan(text, TStringTokens::kRead, TTopLevel::kContainerOrString, typesApart, highestReference);
}

std::optional<std::size_t> PlainContainerEnd(std::string_view text, std::int64_t* highestReference) {
  const std::optional<TPlainValue> value =
      Scan(text, TStringTokens::kRefused, TTopLevel::kContainer, {}, highestReference);
  return value ? std::optional(value->end) : std::nullopt;
}

std::string PlainValueText(std::string_view text, const TPlainValue& value) {
  std::string out;
  out.reserve(value.end + value.end / 2);
  std::size_t from = 0;
  for (const TStringToken& token : value.strings) {
    out.append(text.substr(from, token.start - from));
    AppendStringText(token.bytes, token.hexForm, out);
    from = token.end;
  }
  out.append(text.substr(from, value.end - from));
  return out;
}

}  // namespace pdf

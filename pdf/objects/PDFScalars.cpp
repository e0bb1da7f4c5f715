#include "pdf/objects/PDFScalars.h"

#include <algorithm>

#include "pdf/objects/PDFNumberText.h"
#include "pdf/objects/PDFStructure.h"
#include "pdf/objects/TextConversions.h"

namespace pdf {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexByte(unsigned char byte, std::string& out) {
  out += kHexDigits[byte >> 4];
  out += kHexDigits[byte & 15];
}

bool NeedsNameEscape(unsigned char byte) {
  if (byte <= 32 || byte >= 127) return true;
  switch (byte) {
    case '#': case '%': case '(': case ')': case '/': case '<':
    case '>': case '[': case ']': case '{': case '}':
      return true;
    default:
      return false;
  }
}

}  // namespace

void TPDFBoolean::SetValue(bool value) {
  value_ = value;
  Touch();
}

void TPDFNumeric::WriteText(std::string& out) const {
  if (!token_.empty()) {
    out += token_;
    return;
  }
  WriteNumberText(value_, Structure().NumberDecimals(), out);
}

void TPDFNumeric::SetValue(double value) {
  value_ = value;
  token_.clear();
  Touch();
}

void TPDFNumeric::SetParsed(double value, std::string_view token) {
  value_ = value;
  token_ = token;
}

std::int32_t TPDFNumeric::AsInteger() const {
  const std::optional<std::int64_t> rounded = RoundToInt64(value_);
  return rounded ? static_cast<std::int32_t>(static_cast<std::uint32_t>(*rounded)) : 0;
}

void TPDFName::WriteText(std::string& out) const {
  out += '/';
  if (!written_.empty()) {
    out += written_;
    return;
  }
  const auto needsEscape = [](char c) { return NeedsNameEscape(static_cast<unsigned char>(c)); };
  // Nearly every name needs no escape and goes in one piece.
  if (std::none_of(value_.begin(), value_.end(), needsEscape)) {
    out += value_;
    return;
  }
  for (const char c : value_) {
    const auto byte = static_cast<unsigned char>(c);
    if (NeedsNameEscape(byte)) {
      out += '#';
      AppendHexByte(byte, out);
    } else {
      out += c;
    }
  }
}

void TPDFName::SetValue(std::string_view value) {
  value_ = value;
  written_.clear();
  // Dictionaries that index their keys by text must learn that a key changed under them.
  Structure().NoteNameChanged();
  Touch();
}

void TPDFString::WriteText(std::string& out) const {
  if (hexForm_) {
    out += '<';
    for (const char c : value_) AppendHexByte(static_cast<unsigned char>(c), out);
    out += '>';
    return;
  }
  out += '(';
  for (const char c : value_) {
    switch (c) {
      case '\b': out += "\\b"; break;
      case '\t': out += "\\t"; break;
      case '\n': out += "\\n"; break;
      case '\f': out += "\\f"; break;
      case '\r': out += "\\r"; break;
      case '(': out += "\\("; break;
      case ')': out += "\\)"; break;
      case '\\': out += "\\\\"; break;
      default: out += c;
    }
  }
  out += ')';
}

std::u16string TPDFString::AsText() const { return PDFTextToUnicode(value_); }

void TPDFString::SetValue(std::string_view value) {
  value_ = value;
  Touch();
}

void TPDFIndRef::WriteText(std::string& out) const {
  out += std::to_string(targetNumber_);
  out += ' ';
  out += std::to_string(targetGeneration_);
  out += " R";
}

void TPDFIndRef::ShiftObjectNumbers(std::int32_t delta) {
  // Wrap-around instead of signed overflow: object numbers are 32-bit fields.
  targetNumber_ = static_cast<std::int32_t>(static_cast<std::uint32_t>(targetNumber_) +
                                            static_cast<std::uint32_t>(delta));
}

void TPDFIndRef::SetTarget(std::int32_t number, std::int32_t generation) {
  targetNumber_ = number;
  targetGeneration_ = generation;
}

TPDFObject* TPDFIndRef::Resolve() {
  const auto& hook = Structure().OnResolveReference;
  return hook ? hook(*this, targetNumber_, targetGeneration_) : nullptr;
}

}  // namespace pdf

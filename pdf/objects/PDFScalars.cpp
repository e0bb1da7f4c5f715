#include "pdf/objects/PDFScalars.h"

#include <algorithm>
#include <array>

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

// The letter after the backslash for each byte a literal string writes escaped; 0 for the others.
constexpr std::array<char, 256> kLiteralEscapes = [] {
  std::array<char, 256> escapes{};
  escapes['\b'] = 'b';
  escapes['\t'] = 't';
  escapes['\n'] = 'n';
  escapes['\f'] = 'f';
  escapes['\r'] = 'r';
  escapes['('] = '(';
  escapes[')'] = ')';
  escapes['\\'] = '\\';
  return escapes;
}();

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

void AppendStringText(std::string_view bytes, bool hexForm, std::string& out) {
  if (hexForm) {
    std::size_t at = out.size();
    out.resize(at + 2 * bytes.size() + 2);
    out[at++] = '<';
    for (const char c : bytes) {
      out[at++] = kHexDigits[static_cast<unsigned char>(c) >> 4];
      out[at++] = kHexDigits[static_cast<unsigned char>(c) & 15];
    }
    out[at] = '>';
    return;
  }
  out += '(';
  // Runs of bytes that need no escape go out whole: encrypted strings are mostly such runs.
  std::size_t runStart = 0;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const char escape = kLiteralEscapes[static_cast<unsigned char>(bytes[i])];
    if (escape == 0) continue;
    out.append(bytes.substr(runStart, i - runStart));
    out += '\\';
    out += escape;
    runStart = i + 1;
  }
  out.append(bytes.substr(runStart));
  out += ')';
}

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

void TPDFString::WriteText(std::string& out) const { AppendStringText(value_, hexForm_, out); }

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

#pragma once
// The PDF values that hold no other objects.

#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/objects/PDFObject.h"

namespace pdf {

class TPDFNull final : public TPDFObject {
 public:
  static constexpr TPDFObjectKind kKind = TPDFObjectKind::Null;
  using TPDFObject::TPDFObject;
  TPDFObjectKind Kind() const override { return kKind; }
  void WriteText(std::string& out) const override { out += "null"; }
};

class TPDFBoolean final : public TPDFObject {
 public:
  static constexpr TPDFObjectKind kKind = TPDFObjectKind::Boolean;
  using TPDFObject::TPDFObject;
  TPDFObjectKind Kind() const override { return kKind; }
  void WriteText(std::string& out) const override { out += value_ ? "true" : "false"; }
  bool Value() const { return value_; }
  void SetValue(bool value);

 private:
  bool value_ = false;
};

class TPDFNumeric final : public TPDFObject {
 public:
  static constexpr TPDFObjectKind kKind = TPDFObjectKind::Numeric;
  using TPDFObject::TPDFObject;
  TPDFObjectKind Kind() const override { return kKind; }
  void WriteText(std::string& out) const override;
  double Value() const { return value_; }
  void SetValue(double value);
  // The value together with the token it was read from, which is written back as it stands:
  // a double holds neither 10^20 exactly nor every decimal of 0.6509803922, and other readers
  // must read in the copy what they read in the input.
  void SetParsed(double value, std::string_view token);
  double AsFloat() const { return value_; }
  // Rounded half to even and cut to the low 32 bits; 0 when the value cannot be rounded.
  std::int32_t AsInteger() const;

 private:
  double value_ = 0;
  std::string token_;
};

class TPDFName final : public TPDFObject {
 public:
  static constexpr TPDFObjectKind kKind = TPDFObjectKind::Name;
  using TPDFObject::TPDFObject;
  TPDFObjectKind Kind() const override { return kKind; }
  void WriteText(std::string& out) const override;
  const std::string& Value() const { return value_; }
  // Renames the name in place; every dictionary holding it as a key sees the new text.
  void SetValue(std::string_view value);
  // The text of a name that no dictionary holds yet.
  void InitValue(std::string_view value) { value_ = value; }
  bool Common() const { return common_; }
  void SetCommon(bool common) { common_ = common; }
  // A name read with a malformed # escape ("/Im#1") is written back byte for byte: readers
  // decode such escapes differently, and each must find the name the content stream uses.
  void SetWrittenForm(std::string_view body) { written_ = body; }

 private:
  std::string value_;
  std::string written_;
  bool common_ = false;
};

// Appends a string's text in hex form ("<...>") or literal form ("(...)", escaping what a reader
// would otherwise take for syntax). String values write themselves with it, and so does the copy
// of a scanned value's string tokens, so that the two write a string alike.
void AppendStringText(std::string_view bytes, bool hexForm, std::string& out);

class TPDFString final : public TPDFObject {
 public:
  static constexpr TPDFObjectKind kKind = TPDFObjectKind::String;
  using TPDFObject::TPDFObject;
  TPDFObjectKind Kind() const override { return kKind; }
  void WriteText(std::string& out) const override;
  const std::string& Value() const { return value_; }
  const std::string& AsBytes() const { return value_; }
  std::u16string AsText() const;
  void SetValue(std::string_view value);
  bool HexForm() const { return hexForm_; }
  void SetHexForm(bool hexForm) { hexForm_ = hexForm; }

 private:
  std::string value_;
  bool hexForm_ = false;
};

class TPDFIndRef final : public TPDFObject {
 public:
  static constexpr TPDFObjectKind kKind = TPDFObjectKind::IndRef;
  using TPDFObject::TPDFObject;
  TPDFObjectKind Kind() const override { return kKind; }
  void WriteText(std::string& out) const override;
  void ShiftObjectNumbers(std::int32_t delta) override;
  std::int32_t TargetNumber() const { return targetNumber_; }
  std::int32_t TargetGeneration() const { return targetGeneration_; }
  void SetTarget(std::int32_t number, std::int32_t generation);
  // The object the structure's resolve hook gives for this reference, or nullptr.
  TPDFObject* Resolve();

 private:
  std::int32_t targetGeneration_ = 0;
  std::int32_t targetNumber_ = 0;
};

// A bare word with no value in the object model, inside a container or as a whole object: the
// rest of the container must not be lost over it, and it is written back as it was read.
class TPDFToken final : public TPDFObject {
 public:
  static constexpr TPDFObjectKind kKind = TPDFObjectKind::Token;
  using TPDFObject::TPDFObject;
  TPDFObjectKind Kind() const override { return kKind; }
  void WriteText(std::string& out) const override { out += text_; }
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }

 private:
  std::string text_;
};

}  // namespace pdf

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
  double AsFloat() const { return value_; }
  // Rounded half to even and cut to the low 32 bits; 0 when the value cannot be rounded.
  std::int32_t AsInteger() const;

 private:
  double value_ = 0;
};

class TPDFName final : public TPDFObject {
 public:
  static constexpr TPDFObjectKind kKind = TPDFObjectKind::Name;
  using TPDFObject::TPDFObject;
  TPDFObjectKind Kind() const override { return kKind; }
  void WriteText(std::string& out) const override;
  const std::string& Value() const { return value_; }
  void SetValue(std::string_view value);
  bool Common() const { return common_; }
  void SetCommon(bool common) { common_ = common; }

 private:
  std::string value_;
  bool common_ = false;
};

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

}  // namespace pdf

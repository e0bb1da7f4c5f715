#include "pdf/objects/PDFStructure.h"

#include <algorithm>

#include "pdf/objects/PDFParser.h"

namespace pdf {

const std::string_view CommonNameList =
    "[MediaBox][Length][CropBox][Type][Subtype][Name][Pages][Page][Parent][Font][Contents]"
    "[BaseFont][PDF][Text][ImageB][ImageC][ImageI][Resources][ProcSet][ExtGState][Type1]"
    "[TrueType][WinAnsiEncoding][Filter][FlateDecode][Annot][URI][Goto][XYZ][Dwel][VelloPDF]";

namespace {
// Registration keeps at least this many spare slots and refills to the larger count.
constexpr std::size_t kMinimumSpare = 100;
constexpr std::size_t kSpareRefill = 1000;
}  // namespace

bool IsCommonNameText(std::string_view text) {
  std::string bracketed;
  bracketed.reserve(text.size() + 2);
  bracketed += '[';
  bracketed += text;
  bracketed += ']';
  return CommonNameList.find(bracketed) != std::string_view::npos;
}

TPDFStructure::TPDFStructure() { Reset(); }

TPDFStructure::~TPDFStructure() = default;

void TPDFStructure::Reset() {
  numberDecimals_ = 4;
  commonNames_.clear();
  objects_.clear();
  owned_ = 0;
  highestReference_ = 0;
}

void TPDFStructure::Reserve(std::int32_t n) {
  if (n <= Spare()) return;
  objects_.resize(owned_ + static_cast<std::size_t>(n));
}

void TPDFStructure::Register(std::unique_ptr<TPDFObject> object) {
  if (objects_.size() - owned_ < kMinimumSpare) Reserve(static_cast<std::int32_t>(kSpareRefill));
  objects_[owned_++] = std::move(object);
}

TPDFObject* TPDFStructure::ObjectAt(std::int32_t index) const {
  if (index < 0 || static_cast<std::size_t>(index) >= owned_) return nullptr;
  return objects_[static_cast<std::size_t>(index)].get();
}

TPDFToken* TPDFStructure::NewToken(std::string_view text) {
  auto object = std::make_unique<TPDFToken>(*this);
  object->SetText(text);
  return AddObject(std::move(object));
}

TPDFNumeric* TPDFStructure::NewParsedNumber(double value, std::string_view token) {
  auto object = std::make_unique<TPDFNumeric>(*this);
  object->SetParsed(value, token);
  return AddObject(std::move(object));
}

TPDFNull* TPDFStructure::NewNull() { return AddObject(std::make_unique<TPDFNull>(*this)); }

TPDFBoolean* TPDFStructure::NewBoolean(bool value) {
  auto object = std::make_unique<TPDFBoolean>(*this);
  object->SetValue(value);
  object->SetModified(false);
  return AddObject(std::move(object));
}

TPDFNumeric* TPDFStructure::NewNumber(double value) {
  auto object = std::make_unique<TPDFNumeric>(*this);
  object->SetValue(value);
  object->SetModified(false);
  return AddObject(std::move(object));
}

TPDFName* TPDFStructure::NewName(std::string_view text) {
  auto object = std::make_unique<TPDFName>(*this);
  object->InitValue(text);
  return AddObject(std::move(object));
}

TPDFName* TPDFStructure::CommonName(std::string_view text) {
  const bool common = IsCommonNameText(text);
  TPDFName* name = nullptr;
  if (common) {
    const auto cached = commonNames_.find(std::string(text));
    name = cached != commonNames_.end() ? cached->second : FindName(text);
  }
  if (name == nullptr) name = NewName(text);
  name->SetCommon(true);
  if (common) commonNames_[std::string(text)] = name;
  return name;
}

TPDFString* TPDFStructure::NewString(std::string_view bytes, bool hexForm) {
  auto object = std::make_unique<TPDFString>(*this);
  object->SetValue(bytes);
  object->SetHexForm(hexForm);
  object->SetModified(false);
  return AddObject(std::move(object));
}

TPDFArray* TPDFStructure::NewArray() { return AddObject(std::make_unique<TPDFArray>(*this)); }

TPDFArray* TPDFStructure::NewArrayOf(const std::vector<TPDFObject*>& objects) {
  TPDFArray* array = NewArray();
  array->Reserve(static_cast<std::int32_t>(objects.size()));
  for (TPDFObject* object : objects) array->Add(object);
  return array;
}

TPDFArray* TPDFStructure::NewIntegerArray(const std::vector<std::int32_t>& values) {
  TPDFArray* array = NewArray();
  for (const std::int32_t value : values) array->Add(NewNumber(value));
  return array;
}

TPDFArray* TPDFStructure::NewRealArray(const std::vector<double>& values) {
  TPDFArray* array = NewArray();
  for (const double value : values) array->Add(NewNumber(value));
  return array;
}

TPDFDictionary* TPDFStructure::NewDictionary() {
  return AddObject(std::make_unique<TPDFDictionary>(*this));
}

TPDFIndRef* TPDFStructure::NewReference(std::int32_t number, std::int32_t generation) {
  auto object = std::make_unique<TPDFIndRef>(*this);
  object->SetTarget(number, generation);
  highestReference_ = std::max(highestReference_, number);
  return AddObject(std::move(object));
}

TPDFStream* TPDFStructure::NewStream(std::string_view bytes, bool compress) {
  TPDFStream* stream = AddObject(std::make_unique<TPDFStream>(*this));
  stream->SetData(bytes, compress);
  return stream;
}

TPDFStream* TPDFStructure::NewStreamOf(std::string bytes, TPDFDictionary* dictionary) {
  return AddObject(std::make_unique<TPDFStream>(*this, dictionary, std::move(bytes)));
}

TPDFName* TPDFStructure::FindName(std::string_view text) const {
  for (std::size_t i = 0; i < owned_; ++i) {
    auto* name = As<TPDFName>(objects_[i].get());
    if (name != nullptr && name->Value() == text) return name;
  }
  return nullptr;
}

bool TPDFStructure::FreeObject(TPDFObject* object) {
  std::size_t index = owned_;
  while (index > 0 && objects_[index - 1].get() != object) --index;
  if (index == 0 || object == nullptr) return false;
  if (const auto* name = As<TPDFName>(object); name != nullptr && name->Common()) return false;
  for (std::size_t i = 0; i < owned_; ++i) {
    if (objects_[i]->Refers(object)) return false;
  }
  objects_.erase(objects_.begin() + static_cast<std::ptrdiff_t>(index - 1));
  objects_.emplace_back();
  --owned_;
  return true;
}

TPDFObject* TPDFStructure::ParseObject(std::string_view text) {
  std::size_t consumed = 0;
  return ParseObjectAt(text, consumed);
}

TPDFObject* TPDFStructure::ParseObjectAt(std::string_view text, std::size_t& consumed) {
  return TPDFParser(*this, text).ParseObjectAt(consumed);
}

}  // namespace pdf

#pragma once
// The arena that creates, owns and frees every PDF object of one file or scratch task.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "pdf/objects/PDFArray.h"
#include "pdf/objects/PDFDictionary.h"
#include "pdf/objects/PDFObject.h"
#include "pdf/objects/PDFScalars.h"
#include "pdf/objects/PDFStream.h"

namespace pdf {

// Key names shared by one name object per structure.
extern const std::string_view CommonNameList;
bool IsCommonNameText(std::string_view text);

class TPDFStructure {
 public:
  using ResolveHandler =
      std::function<TPDFObject*(TPDFIndRef& reference, std::int32_t number, std::int32_t generation)>;

  TPDFStructure();
  ~TPDFStructure();
  TPDFStructure(const TPDFStructure&) = delete;
  TPDFStructure& operator=(const TPDFStructure&) = delete;

  void Reset();
  // Registers an object created for this structure and returns it.
  template <class T>
  T* AddObject(std::unique_ptr<T> object) {
    T* raw = object.get();
    Register(std::move(object));
    return raw;
  }

  TPDFNull* NewNull();
  TPDFBoolean* NewBoolean(bool value);
  TPDFNumeric* NewNumber(double value);
  TPDFNumeric* NewParsedNumber(double value, std::string_view token);
  TPDFToken* NewToken(std::string_view text);
  TPDFName* NewName(std::string_view text);
  TPDFName* CommonName(std::string_view text);
  TPDFString* NewString(std::string_view bytes, bool hexForm);
  TPDFArray* NewArray();
  TPDFArray* NewArrayOf(const std::vector<TPDFObject*>& objects);
  TPDFArray* NewIntegerArray(const std::vector<std::int32_t>& values);
  TPDFArray* NewRealArray(const std::vector<double>& values);
  TPDFDictionary* NewDictionary();
  TPDFIndRef* NewReference(std::int32_t number, std::int32_t generation);
  TPDFStream* NewStream(std::string_view bytes, bool compress);
  TPDFStream* NewStreamOf(std::string bytes, TPDFDictionary* dictionary);

  TPDFName* FindName(std::string_view text) const;
  // Frees an owned object unless it is a common name or another owned object holds it.
  // Returns whether it was freed.
  bool FreeObject(TPDFObject* object);
  std::int32_t ObjectCount() const { return static_cast<std::int32_t>(owned_); }
  TPDFObject* ObjectAt(std::int32_t index) const;
  std::int32_t Spare() const { return static_cast<std::int32_t>(objects_.size() - owned_); }
  void Reserve(std::int32_t n);

  // One object parsed from PDF syntax; never nullptr (a null object for unreadable text).
  TPDFObject* ParseObject(std::string_view text);
  TPDFObject* ParseObjectAt(std::string_view text, std::size_t& consumed);

  std::int32_t NumberDecimals() const { return numberDecimals_; }
  // The highest object number a reference made in this structure names, since the last Reset.
  std::int32_t HighestReferenceNumber() const { return highestReference_; }
  // Counts renames of name objects, so that key indexes built before one are rebuilt.
  void NoteNameChanged() { ++nameChanges_; }
  std::uint64_t NameChanges() const { return nameChanges_; }

  // Resolves indirect references for Resolve and the resolving look-ups; may be empty.
  ResolveHandler OnResolveReference;

 private:
  void Register(std::unique_ptr<TPDFObject> object);

  // Slots 0 .. owned_-1 hold the owned objects in registration order; the rest are spare.
  std::vector<std::unique_ptr<TPDFObject>> objects_;
  std::size_t owned_ = 0;
  std::int32_t numberDecimals_ = 4;
  std::uint64_t nameChanges_ = 0;
  std::int32_t highestReference_ = 0;
  // The shared name object of each common text once found or created.
  std::unordered_map<std::string, TPDFName*> commonNames_;
};

}  // namespace pdf

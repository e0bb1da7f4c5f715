#pragma once
// Copies a file's objects into a writer one at a time, from the input's protection to the copy's:
// each object is decrypted with the input's key when the input is encrypted, and encrypted with
// the copy's when the copy is to be. Objects a scan of their text proves plain (see ScanPlainValue)
// go from text to text, only their strings written anew; the others are parsed into objects.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/io/PDFReader.h"
#include "pdf/io/PDFWriter.h"
#include "pdf/objects/PDFStructure.h"
#include "pdf/objects/PlainValue.h"
#include "pdf/security/EncryptionTarget.h"
#include "pdf/security/SecurityInfo.h"

namespace pdf {

// Parsing every object gives the copy the scan is held to (tests compare the two).
enum class TObjectCopyPath : std::uint8_t { kScanWherePlain, kParseAlways };

class TObjectCopy {
 public:
  // source decrypts what the input has encrypted (nothing for an input without /Encrypt); target
  // encrypts the copy, or is nullptr for a copy in clear.
  TObjectCopy(TSmartPDFReader& reader, TSmartPDFInfo& source, const TEncryptionTarget* target,
              TSmartPDFWriter& writer, TObjectCopyPath path = TObjectCopyPath::kScanWherePlain)
      : reader_(reader), source_(source), target_(target), writer_(writer), path_(path) {}

  // The catalog (object catalogNumber) is to name Adobe's extension level the copy's encryption
  // needs in its /Extensions (see RaiseAdobeExtension); 0 leaves it as it is.
  void RequireExtensionLevel(std::int32_t catalogNumber, std::int32_t level) {
    catalogNumber_ = catalogNumber;
    extensionLevel_ = level;
  }

  void Copy(std::int32_t number);
  // Copies objects 1 to last, all but skipped, in number order except that the objects one object
  // stream holds are copied together, as soon as the first of them is: writers scatter an object
  // stream's objects over the numbers, and a stream decoded again for each of them was half the
  // time of a copy. progress gets the count of objects copied so far.
  void CopyAll(std::int32_t last, std::int32_t skipped, const std::function<void(std::int32_t)>& progress);
  // An object the copy adds (a direct /Info made indirect), encrypted like every other.
  void WriteNew(std::int32_t number, TPDFObject* object);
  // Objects the cross-reference data leaves out but the trailer or copied objects refer to, when
  // the file holds them: other readers find them by scanning the file, and the copy must hold them.
  void CopyReferencedBeyond(std::int32_t last, const TPDFDictionary& trailer);
  // The highest object number any copied object refers to (within the reader's bound).
  std::int64_t HighestReference() const { return highestReference_; }
  // Whether a copied object may hold the name /Sig, which a signature field's /FT is. Never false
  // for one that does; a key spelled alike, or /DocTimeStamp, can make it true for one that does not.
  bool SawSignatureName() const { return sawSignatureName_; }

 private:
  // The plain value that is all an object's text holds, and the text the scan read.
  struct TScannedObject {
    std::string_view text;
    TPlainValue value;
  };

  void CopyText(std::int32_t number, TSmartPDFReader::TObjectText text);
  std::optional<TScannedObject> Scan(const TSmartPDFReader::TObjectText& text);
  void WriteScanned(std::int32_t number, std::int32_t generation, TScannedObject& scanned);
  void CryptStrings(std::int32_t number, std::int32_t generation, std::vector<TStringToken>& strings) const;
  void CopyParsed(std::int32_t number, std::int32_t generation, TPDFObject* object);
  void WriteLarge(std::int32_t number, std::int32_t generation, TPDFStream& stream);
  void Write(std::int32_t number, std::int32_t generation, const TPDFObject* object);
  void NoteReference(std::int64_t number);
  bool EditsObject(std::int32_t number) const { return extensionLevel_ > 0 && number == catalogNumber_; }
  void RaiseExtensionLevel(TPDFObject* catalog);
  TPDFObject* DecryptedValue(TPDFObject* value);
  // The copy's encryption of object number: none for a copy in clear, and none for the metadata
  // stream the copy leaves readable.
  const TEncryptionTarget* TargetFor(std::int32_t number) const {
    return target_ != nullptr && target_->Encrypts(number) ? target_ : nullptr;
  }

  TSmartPDFReader& reader_;
  TSmartPDFInfo& source_;
  const TEncryptionTarget* target_;
  TSmartPDFWriter& writer_;
  const TObjectCopyPath path_;
  TPDFStructure arena_;
  std::int32_t catalogNumber_ = 0;
  std::int32_t extensionLevel_ = 0;
  std::int64_t highestReference_ = 0;
  bool sawSignatureName_ = false;
};

}  // namespace pdf

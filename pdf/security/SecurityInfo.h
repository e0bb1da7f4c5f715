#pragma once
// A document's security state and information beside an open reader: what /Encrypt says
// and which password opens it, the catalog, Info strings (decrypted when needed), page and
// field counts, the inspection's security items; and, for writing, the new /Encrypt
// dictionary and the encryption of each object on its way to the writer.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdf/io/PDFReader.h"
#include "pdf/security/SecurityHandler.h"

namespace pdf {

class TSmartPDFInfo {
 public:
  // Installs itself on the reader's hooks; with `load`, an openable file's catalog and
  // form fields are read at once.
  TSmartPDFInfo(TSmartPDFReader& reader, bool load, std::u16string_view password,
                TRandomSource& random = SystemRandom());
  ~TSmartPDFInfo();
  TSmartPDFInfo(const TSmartPDFInfo&) = delete;
  TSmartPDFInfo& operator=(const TSmartPDFInfo&) = delete;

  bool CheckPassword(std::u16string_view password);
  void SetPassword(std::u16string_view password);
  void LoadDocument();
  void LoadCatalog();
  void LoadFormFields();
  // The Info entry's text, decrypted when the file is encrypted; empty when absent.
  std::u16string InfoString(std::string_view key);
  std::string SecurityItemText(std::int32_t index);
  bool OpenedAsOwner();
  bool HasUsageRights();
  std::u16string UsageRightsName();

  // Prepares the handler for encryption and returns the new /Encrypt dictionary; the caller gives
  // it its number once the copy's objects are written, and points the trailer at it.
  TPDFDictionary* BuildEncryptDictionary(std::string_view ownerBytes, std::string_view userBytes,
                                         std::uint8_t strength, std::uint8_t basicFlags,
                                         std::uint8_t extendedFlags);
  void EncryptObject(TPDFObject* object, std::int32_t number, std::int32_t generation);
  // EncryptObject in two steps for a stream too large to hold encrypted beside its data (see
  // TSmartPDFCrypt::EncryptStreamDictionary): the dictionary first, then the data to sink.
  void EncryptStreamDictionary(TPDFStream& stream, std::int32_t number, std::int32_t generation);
  void EncryptStreamData(const TPDFStream& stream, std::int32_t number, std::int32_t generation,
                         const TByteSink& sink);

  void RefreshFileID();
  void DecryptObjectStream(std::int32_t number, TPDFStream& stream);
  std::string ReadFileID() const;

  std::uint32_t NumberOfPages() const { return numberOfPages_; }
  std::uint32_t NumberOfFields() const { return numberOfFields_; }
  const std::string& HeaderVersion() const { return headerVersion_; }
  std::uint8_t EncryptionState() const { return encryptionState_; }
  const TSmartPDFEncryption& EncryptRecord() const { return record_; }
  TPDFDictionary* Catalog() const { return catalog_; }
  TPDFDictionary* DocInfo() const { return docInfo_; }
  TPDFDictionary* PageTreeRoot() const { return pageTreeRoot_; }
  TPDFDictionary* EncryptDictionary() const { return encryptDictionary_; }
  TPDFDictionary* FormDictionary() const { return formDictionary_; }
  TSmartPDFCrypt& Handler() { return *handler_; }

 private:
  void ReadEncryption();
  void ReadStandardEncryption(const TPDFDictionary& encrypt);
  const TPDFDictionary* StandardCryptFilter(const TPDFDictionary& encrypt) const;
  void TakeEntries(const TPDFDictionary& encrypt, bool withAES256Values);
  TPDFObject* Resolve(TPDFObject* object);
  TPDFDictionary* UsageRights();
  void AddStrengthEntries(TPDFDictionary& dictionary, std::uint8_t strength);

  TSmartPDFReader& reader_;
  std::uint32_t numberOfPages_ = 0;
  TPDFDictionary* catalog_ = nullptr;
  TPDFIndRef* catalogReference_ = nullptr;
  TPDFDictionary* docInfo_ = nullptr;
  TPDFIndRef* docInfoReference_ = nullptr;
  TPDFDictionary* pageTreeRoot_ = nullptr;
  TPDFIndRef* pageTreeReference_ = nullptr;
  TPDFDictionary* encryptDictionary_ = nullptr;
  TPDFDictionary* formDictionary_ = nullptr;
  std::string headerVersion_;
  std::uint8_t encryptionState_ = 0;
  TSmartPDFEncryption record_;
  std::u16string givenPassword_;
  std::uint32_t numberOfFields_ = 0;
  std::unique_ptr<TSmartPDFCrypt> handler_;
};

}  // namespace pdf

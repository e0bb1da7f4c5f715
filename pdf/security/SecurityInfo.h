#pragma once
// A document's security state and information beside an open reader: what /Encrypt says
// and which password opens it, the catalog, Info strings (decrypted when needed), page and
// field counts, the inspection's security items, and the decryption of each object read.

#include <cstdint>
#include <memory>
#include <optional>
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

  // Whether the password may remove or change the protection: it opens the file as owner, or as
  // user of a file that grants every permission (then there is nothing to circumvent).
  bool MayChangeProtection(std::u16string_view password);
  // Decrypts, in place, an object as read from the file with the accepted password's key. Objects
  // of an object stream came decrypted with their stream and are left alone.
  void DecryptObject(TPDFObject* object, std::int32_t number, std::int32_t generation);
  // DecryptObject of one string of an object, for a copy that reads the string without building
  // the object: the key DecryptObject uses for the object, or nothing when it leaves the object as
  // it is; then each string with that key.
  std::optional<std::string> DecryptionKey(std::int32_t number, std::int32_t generation) const;
  std::string DecryptString(std::string_view objectKey, std::string_view bytes) const;

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
  // The /Filter of /Encrypt, such as "Standard"; empty for a file without /Encrypt.
  const std::string& SecurityFilter() const { return securityFilter_; }
  // The object number of the catalog's /Metadata stream (0 when it has none), known once the
  // catalog is loaded: the one stream /EncryptMetadata false leaves in clear.
  std::int32_t MetadataNumber() const { return metadataNumber_; }
  TPDFDictionary* FormDictionary() const { return formDictionary_; }
  TSmartPDFCrypt& Handler() { return *handler_; }

 private:
  void ReadEncryption();
  void ReadStandardEncryption(const TPDFDictionary& encrypt);
  struct TCryptFilters {
    bool strings = false;
    bool streams = false;
    bool embeddedFiles = false;
    const TPDFDictionary* method = nullptr;  // the filter whose /CFM and /Length the key follows
  };
  std::optional<TCryptFilters> ReadCryptFilters(const TPDFDictionary& encrypt) const;
  void ReadCryptMethod(const TPDFDictionary& encrypt, const TPDFDictionary& filter, std::int32_t v);
  void TakeEntries(const TPDFDictionary& encrypt, bool withAES256Values);
  TPDFObject* Resolve(TPDFObject* object);
  TPDFDictionary* UsageRights();

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
  std::string securityFilter_;
  std::int32_t metadataNumber_ = 0;
  std::uint8_t encryptionState_ = 0;
  TSmartPDFEncryption record_;
  std::u16string givenPassword_;
  std::uint32_t numberOfFields_ = 0;
  std::unique_ptr<TSmartPDFCrypt> handler_;
};

}  // namespace pdf

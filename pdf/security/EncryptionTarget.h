#pragma once
// The encryption of a copy being written: its new /Encrypt dictionary and the encryption of each
// object on its way to the writer. It holds its own handler, apart from the one that reads the
// input, so that an encrypted input can be decrypted with its key while the copy is encrypted
// with a new one.

#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/objects/PDFStructure.h"
#include "pdf/security/SecurityHandler.h"

namespace pdf {

class TEncryptionTarget {
 public:
  // fileIdentifier: the first string of the copy's /ID, from which RC4 and AES-128 keys derive.
  explicit TEncryptionTarget(std::string fileIdentifier, TRandomSource& random = SystemRandom());

  // Computes the keys and returns the new /Encrypt dictionary, made in arena; the caller gives it
  // its number once the copy's objects are written, and points the trailer at it.
  // With TMetadataProtection::kClear at the AES levels, the dictionary says /EncryptMetadata false
  // and the object named by LeaveInClear (the catalog's /Metadata stream) is written as it is; RC4
  // dictionaries cannot say so, and there it is encrypted like everything else.
  TPDFDictionary* BuildEncryptDictionary(TPDFStructure& arena, std::string_view ownerBytes,
                                         std::string_view userBytes, std::uint8_t strength,
                                         std::uint8_t basicFlags, std::uint8_t extendedFlags,
                                         TMetadataProtection metadata = TMetadataProtection::kEncrypted);
  void LeaveInClear(std::int32_t metadataNumber) { metadataNumber_ = metadataNumber; }
  // Whether the copy encrypts object number (every object but a metadata stream left in clear).
  bool Encrypts(std::int32_t number) const {
    return metadataNumber_ == 0 || number != metadataNumber_ || handler_.EncryptRecord().MetadataEncrypted;
  }
  void EncryptObject(TPDFObject* object, std::int32_t number, std::int32_t generation) const;
  // EncryptObject of one string of an object, for a copy that writes the string without building
  // the object: the key is the object's, which one call to ObjectKey gives for all its strings.
  std::string ObjectKey(std::int32_t number, std::int32_t generation) const;
  std::string EncryptString(std::string_view objectKey, std::string_view bytes) const;
  // EncryptObject in two steps for a stream too large to hold encrypted beside its data (see
  // TSmartPDFCrypt::EncryptStreamDictionary): the dictionary first, then the data to sink.
  void EncryptStreamDictionary(TPDFStream& stream, std::int32_t number, std::int32_t generation) const;
  void EncryptStreamData(const TPDFStream& stream, std::int32_t number, std::int32_t generation,
                         const TByteSink& sink) const;

 private:
  TSmartPDFCrypt handler_;
  std::int32_t metadataNumber_ = 0;
};

}  // namespace pdf

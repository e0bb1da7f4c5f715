#include "pdf/security/EncryptionTarget.h"

#include <utility>

namespace pdf {

namespace {

void AddStrengthEntries(TPDFStructure& arena, TPDFDictionary& dictionary, std::uint8_t strength) {
  const bool aes256 = strength == kCipherAES_256_R5 || strength == kCipherAES_256_R6;
  const int v = strength == kCipherRC4_40 ? 1 : strength == kCipherAES_128 ? 4 : aes256 ? 5 : 2;
  const int r = strength == kCipherRC4_40 ? 2 : strength == kCipherAES_128 ? 4 : strength == kCipherAES_256_R5 ? 5 : strength == kCipherAES_256_R6 ? 6 : 3;
  dictionary.SetValue("V", arena.NewNumber(v));
  dictionary.SetValue("R", arena.NewNumber(r));
  if (strength == kCipherRC4_40) return;
  dictionary.SetValue("Length", arena.NewNumber(aes256 ? 256 : 128));
  if (strength != kCipherAES_128 && !aes256) return;
  dictionary.SetValue("StrF", arena.CommonName("StdCF"));
  dictionary.SetValue("StmF", arena.CommonName("StdCF"));
  TPDFDictionary* filter = arena.NewDictionary();
  filter->SetValue("AuthEvent", arena.CommonName("DocOpen"));
  filter->SetValue("Length", arena.NewNumber(aes256 ? 32 : 16));
  filter->SetValue("CFM", arena.CommonName(aes256 ? "AESV3" : "AESV2"));
  TPDFDictionary* filters = arena.NewDictionary();
  filters->SetValue("StdCF", filter);
  dictionary.SetValue("CF", filters);
}

}  // namespace

// The handler starts as one for a file without /Encrypt: it only ever encrypts.
TEncryptionTarget::TEncryptionTarget(std::string fileIdentifier, TRandomSource& random)
    : handler_(TSmartPDFEncryption{}, std::move(fileIdentifier), 0, random) {}

TPDFDictionary* TEncryptionTarget::BuildEncryptDictionary(TPDFStructure& arena, std::string_view ownerBytes,
                                                          std::string_view userBytes, std::uint8_t strength,
                                                          std::uint8_t basicFlags, std::uint8_t extendedFlags,
                                                          TMetadataProtection metadata) {
  handler_.PrepareEncryption(ownerBytes, userBytes, strength, basicFlags, extendedFlags, metadata);
  TPDFDictionary* dictionary = arena.NewDictionary();
  dictionary->SetValue("Filter", arena.CommonName("Standard"));
  AddStrengthEntries(arena, *dictionary, strength);
  if (!handler_.EncryptRecord().MetadataEncrypted) dictionary->SetValue("EncryptMetadata", arena.NewBoolean(false));
  dictionary->SetValue("O", arena.NewString(handler_.OwnerEntry(), true));
  dictionary->SetValue("U", arena.NewString(handler_.UserEntry(), true));
  if (strength == kCipherAES_256_R5 || strength == kCipherAES_256_R6) {
    dictionary->SetValue("OE", arena.NewString(handler_.OwnerKeyEntry(), true));
    dictionary->SetValue("UE", arena.NewString(handler_.UserKeyEntry(), true));
    dictionary->SetValue("Perms", arena.NewString(handler_.PermsEntry(), true));
  }
  dictionary->SetValue("P", arena.NewNumber(static_cast<std::int32_t>(handler_.PermissionValue())));
  return dictionary;
}

void TEncryptionTarget::EncryptObject(TPDFObject* object, std::int32_t number, std::int32_t generation) const {
  if (object != nullptr && Encrypts(number)) handler_.EncryptObject(handler_.ObjectKey(number, generation), object);
}

std::string TEncryptionTarget::ObjectKey(std::int32_t number, std::int32_t generation) const {
  return handler_.ObjectKey(number, generation);
}

std::string TEncryptionTarget::EncryptString(std::string_view objectKey, std::string_view bytes) const {
  return handler_.EncryptString(objectKey, bytes);
}

void TEncryptionTarget::EncryptStreamDictionary(TPDFStream& stream, std::int32_t number,
                                                std::int32_t generation) const {
  handler_.EncryptStreamDictionary(handler_.ObjectKey(number, generation), stream);
}

void TEncryptionTarget::EncryptStreamData(const TPDFStream& stream, std::int32_t number, std::int32_t generation,
                                          const TByteSink& sink) const {
  handler_.EncryptStreamData(handler_.ObjectKey(number, generation), stream.Data(), sink);
}

}  // namespace pdf

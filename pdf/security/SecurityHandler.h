#pragma once
// The PDF standard security handler of one document: tests passwords against the values of
// an /Encrypt dictionary and derives the file key (reading), or computes the key and every
// value of a new /Encrypt dictionary (writing). Revisions 2 to 6.

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/security/CryptoPrimitives.h"
#include "pdf/security/RandomSource.h"

namespace pdf {

class TPDFObject;
class TPDFStream;

// The values of an /Encrypt dictionary; all zero or empty (MetadataEncrypted true) for a
// file without one.
struct TSmartPDFEncryption {
  std::int32_t KeyLength = 0;  // bits for RC4 and AESV2 as the file gives it; 32 (bytes) for AESV3
  std::int32_t Revision = 0;
  std::uint32_t VersionCode = 0;
  std::string OwnerValue;
  std::string UserValue;
  std::uint32_t PermissionBits = 0;  // /P as an unsigned 32-bit value
  bool UsesAES = false;
  std::string OwnerKeyValue;
  std::string UserKeyValue;
  std::string PermsValue;
  bool MetadataEncrypted = true;
  // What the crypt filters of /StrF, /StmF and /EFF leave in clear (/Identity): a file may encrypt
  // its attachments only. Embedded files follow the streams unless /EFF names a filter of its own.
  bool StringsEncrypted = true;
  bool StreamsEncrypted = true;
  bool EmbeddedFilesEncrypted = true;
};

// Whether a copy keeps its catalog's XMP metadata stream readable without the password
// (/EncryptMetadata false), for search tools and document stores that index it.
enum class TMetadataProtection : std::uint8_t { kEncrypted, kClear };

// The handler's scale of strengths.
enum TCipherLevel : std::uint8_t {
  kCipherRC4_40 = 0,
  kCipherRC4_128 = 1,
  kCipherAES_128 = 2,
  kCipherAES_256_R5 = 3,
  kCipherRC4_Other = 4,  // RC4 with a 41 to 127-bit key, read only
  kCipherAES_256_R6 = 5,
};

// Permission flag bytes.
enum TBasicPermission : std::uint8_t { kPermPrint = 1, kPermCopy = 2, kPermChange = 4, kPermAnnotate = 8 };
enum TExtendedPermission : std::uint8_t {
  kPermFillForms = 1, kPermAccessibility = 2, kPermAssemble = 4, kPermHighResPrint = 8
};

// Dictionary types whose string /Contents object encryption leaves as it is: signatures, whose
// signed byte ranges must stay as they were (usage rights signatures under /Perms are /Sig too).
inline constexpr std::array<std::string_view, 2> kSignatureTypes = {"Sig", "DocTimeStamp"};

// The 32-byte password padding string of the standard security handler.
extern const std::string_view PasswordPad;

// Password text as bytes for RC4 and AESV2 keys, as new files are written: PDFDocEncoding, which
// the standard names and most readers use, every other character "?", the first 32 bytes.
std::string StandardPasswordBytes(std::u16string_view text);
// The same in Windows-1252, the ANSI code page Windows writers hash.
std::string Windows1252PasswordBytes(std::u16string_view text);
// The byte forms an RC4 or AESV2 password is tried in when a file is opened, each once, in this
// order: Windows-1252, PDFDocEncoding, UTF-8 (the first 32 bytes, as writers that hash the typed
// bytes as they come make them). A file opens with the text as typed whichever its writer chose.
std::vector<std::string> StandardPasswordCandidates(std::u16string_view text);
// Password text as bytes for AESV3 keys: SASLprep then UTF-8, the first 127 bytes. A text
// that SASLprep refuses is taken unprepared.
std::string PreparedPasswordBytes(std::u16string_view text);
// The UTF-8 bytes of the text without preparation (first 127 bytes), for files made by
// tools that skip it.
std::string UnpreparedPasswordBytes(std::u16string_view text);

class TSmartPDFCrypt {
 public:
  // encryptionState: 0 not encrypted, 1 encrypted with a /V other than 0, 2 /V 0 or absent.
  TSmartPDFCrypt(const TSmartPDFEncryption& record, std::string fileIdentifier, std::uint8_t encryptionState,
                 TRandomSource& random = SystemRandom());

  // Reading.
  bool SetPassword(std::u16string_view text);
  bool CheckUserPassword(std::u16string_view text);
  bool CheckOwnerPassword(std::u16string_view text);
  // Whether /P grants every permission the file's revision defines (revision 2 has four).
  bool GrantsEveryPermission() const;
  // Status code of inspection item index (see the inspection list).
  std::int32_t SecurityItem(std::int32_t index);
  // Whether /Perms, decrypted with the file key of an accepted password, repeats /P and
  // /EncryptMetadata (revisions 5 and 6; always true at earlier ones, which have no /Perms). A file
  // whose /Perms disagrees still opens for the password's holder, and inspection reports it.
  bool PermsAgree() const;

  // Writing: computes PermissionValue, FileKey, ObjectKeyBase and the entries to write.
  void PrepareEncryption(std::string_view ownerBytes, std::string_view userBytes, std::uint8_t strength,
                         std::uint8_t basicFlags, std::uint8_t extendedFlags,
                         TMetadataProtection metadata = TMetadataProtection::kEncrypted);

  void DecodePermissions(std::uint32_t p);
  void ComposePermissionValue();
  void ComputeStandardEntries();
  void ComputeAES256Entries();
  static std::string RevisionSixHash(std::string_view input, std::string_view password, std::string_view userBytes);

  // Per-object keys and the in-place encryption of every string and stream of an object.
  std::string ObjectKey(std::int32_t number, std::int32_t generation) const;
  void EncryptObject(std::string_view key, TPDFObject* object) const;
  void DecryptObject(std::string_view key, TPDFObject* object) const;
  // One string of an object, as EncryptObject and DecryptObject treat each string they meet.
  std::string EncryptString(std::string_view key, std::string_view bytes) const;
  std::string DecryptString(std::string_view key, std::string_view bytes) const;
  // EncryptObject of a stream too large to hold encrypted beside its data, in two steps:
  // EncryptStreamDictionary encrypts the dictionary and sets /Length to the size the data will
  // have, the data staying as it is; EncryptStreamData then hands the encrypted data to sink in
  // pieces.
  void EncryptStreamDictionary(std::string_view key, TPDFStream& stream) const;
  void EncryptStreamData(std::string_view key, std::string_view data, const TByteSink& sink) const;

  const std::string& ObjectKeyBase() const { return objectKeyBase_; }
  const std::string& FileKey() const { return fileKey_; }
  const std::u16string& AcceptedPassword() const { return acceptedPassword_; }
  const TSmartPDFEncryption& EncryptRecord() const { return record_; }
  std::uint8_t EncryptionState() const { return encryptionState_; }
  std::uint32_t PermissionValue() const { return permissionValue_; }
  std::uint8_t BasicPermissions() const { return basicPermissions_; }
  std::uint8_t ExtendedPermissions() const { return extendedPermissions_; }
  std::uint8_t CipherLevel() const { return cipherLevel_; }
  const std::string& OwnerEntry() const { return ownerEntry_; }
  const std::string& UserEntry() const { return userEntry_; }
  const std::string& OwnerKeyEntry() const { return ownerKeyEntry_; }
  const std::string& UserKeyEntry() const { return userKeyEntry_; }
  const std::string& PermsEntry() const { return permsEntry_; }
  const std::string& FileIdentifier() const { return fileIdentifier_; }
  void SetFileIdentifier(std::string identifier) { fileIdentifier_ = std::move(identifier); }

 private:
  enum class TDirection : std::uint8_t { kEncrypt, kDecrypt };

  // At 256-bit AES every password test costs hardened hashes, and opening, inspecting and the
  // security items ask the same few questions again and again: each is answered once per handler,
  // with the file key it unwrapped.
  bool RememberedAES256Check(std::u16string_view text, bool asOwner);
  std::int32_t OwnerPasswordItem(std::u16string_view given);

  // Password tests.
  std::uint8_t DocumentCipherLevel() const;
  bool IsAES256Document() const;
  bool CheckStandardUser(std::u16string_view text);
  bool CheckStandardOwner(std::u16string_view text);
  bool CheckStandardUserBytes(std::string_view password);
  bool CheckStandardOwnerBytes(std::string_view password);
  bool MatchesDocumentUserValue() const;
  bool CheckAES256Password(std::u16string_view text, bool asOwner);
  bool CheckAES256Bytes(std::string_view password, bool asOwner);

  // Revisions 2 to 4.
  std::size_t StandardKeySize() const;
  bool UsesRevisionThreeRules() const;
  std::string ComputeOwnerKey() const;
  void ComputeOwnerEntry(const std::string& ownerKey);
  std::string ComputeUserKey() const;
  void ComputeUserEntry(const std::string& userKey);
  std::string RecoverUserPassword(const std::string& ownerKey) const;

  // Revisions 5 and 6.
  static std::string AES256Hash(std::int32_t revision, std::string_view input, std::string_view password,
                                std::string_view userBytes);
  std::string PermissionsBlock() const;

  // Object encryption.
  std::string CryptBytes(std::string_view key, std::string_view bytes, TDirection direction) const;
  TAESPaddedEncryptor& Encryptor(std::string_view key) const;
  void CryptObject(std::string_view key, TPDFObject* object, TDirection direction) const;
  void DecryptStream(std::string_view key, TPDFStream& stream) const;
  bool IsStreamEncrypted(const TPDFStream& stream) const;

  std::string objectKeyBase_;
  std::string fileKey_;
  std::u16string acceptedPassword_;
  TSmartPDFEncryption record_;
  std::map<std::pair<bool, std::u16string>, std::optional<std::string>> rememberedChecks_;
  std::uint8_t encryptionState_ = 0;
  std::uint32_t permissionValue_ = 0;
  std::uint8_t basicPermissions_ = 0;
  std::uint8_t extendedPermissions_ = 0;
  std::uint8_t cipherLevel_ = kCipherRC4_40;
  std::string ownerEntry_;
  std::string userEntry_;
  std::string ownerPasswordBytes_;
  std::string userPasswordBytes_;
  std::string ownerKeyEntry_;
  std::string userKeyEntry_;
  std::string permsEntry_;
  std::string fileIdentifier_;
  // Not owned: the source outlives the handler (SystemRandom, or a test's own source).
  TRandomSource* random_;
  // The IVs of encrypted strings and streams, drawn from random_ in blocks. Each handler has a
  // pool of its own, so a handler must not encrypt on two threads at once.
  mutable TPooledRandom ivRandom_;
  // Set up for the last AES key used: an AES-256 file encrypts everything under one key.
  mutable std::unique_ptr<TAESPaddedEncryptor> encryptor_;
};

}  // namespace pdf

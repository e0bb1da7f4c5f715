// Revisions 5 and 6 of the standard security handler (AESV3): a random 256-bit file key, wrapped once
// under a key from the user password (/UE) and once under one from the owner password (/OE), with
// /U and /O as salted password hashes (ISO 32000-2, algorithms 2.A, 2.B, 8, 9, 10, 11, 12).

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "pdf/security/CryptoPrimitives.h"
#include "pdf/security/SecurityHandler.h"

namespace pdf {
namespace {

constexpr std::size_t kFileKeySize = 32;
constexpr std::size_t kHashSize = 32;
constexpr std::size_t kSaltSize = 8;
constexpr std::size_t kValidationSaltOffset = kHashSize;
constexpr std::size_t kKeySaltOffset = kHashSize + kSaltSize;
constexpr std::size_t kPasswordValueSize = kHashSize + 2 * kSaltSize;  // /U and /O: 48 bytes
constexpr std::size_t kPasswordLimit = 127;
constexpr std::size_t kPermsRandomSize = 4;
constexpr int kMinimumHashRounds = 64;
constexpr std::size_t kRepeatCount = 64;

const std::string kZeroIV(kAESBlockSize, '\0');

std::string FirstBytes(std::string_view bytes, std::size_t count) { return std::string(bytes.substr(0, count)); }

// Algorithm 2.B, steps a and b: (password + K + user bytes) 64 times, AES-128-CBC encrypted under
// the first half of K with the second half as IV.
std::string EncryptRepeatedSequence(const std::string& k, std::string_view password, std::string_view userBytes) {
  std::string sequence(password);
  sequence += k;
  sequence += userBytes;
  std::string repeated;
  repeated.reserve(sequence.size() * kRepeatCount);
  for (std::size_t i = 0; i < kRepeatCount; ++i) repeated += sequence;
  return AESCBCEncrypt(std::string_view(k).substr(0, 16), std::string_view(k).substr(16, 16), repeated);
}

// Algorithm 2.B, steps c and d. The first 16 bytes of E as a big-endian number modulo 3 equal the sum
// of the bytes modulo 3, since 256 leaves 1 modulo 3.
std::string DigestChosenBy(const std::string& e) {
  unsigned sum = 0;
  for (std::size_t i = 0; i < 16; ++i) sum += static_cast<unsigned char>(e[i]);
  switch (sum % 3) {
    case 0:
      return SHA256Digest(e);
    case 1:
      return SHA384Digest(e);
    default:
      return SHA512Digest(e);
  }
}

void AppendLowestFirst(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

}  // namespace

std::string TSmartPDFCrypt::RevisionSixHash(std::string_view input, std::string_view password,
                                            std::string_view userBytes) {
  std::string k = SHA256Digest(input);
  for (int round = 0;; ++round) {
    const std::string e = EncryptRepeatedSequence(k, password, userBytes);
    k = DigestChosenBy(e);
    // At least 64 rounds, then on until the last byte of E is at most round - 32 (counting from 1).
    const int last = static_cast<unsigned char>(e.back());
    if (round + 1 >= kMinimumHashRounds && last <= round + 1 - 32) break;
  }
  k.resize(kHashSize);
  return k;
}

// Revision 5 hashes with plain SHA-256; revision 6 with algorithm 2.B. Any other revision matches
// nothing.
std::string TSmartPDFCrypt::AES256Hash(std::int32_t revision, std::string_view input, std::string_view password,
                                       std::string_view userBytes) {
  switch (revision) {
    case 5:
      return SHA256Digest(input);
    case 6:
      return RevisionSixHash(input, password, userBytes);
    default:
      return {};
  }
}

void TSmartPDFCrypt::ComputeAES256Entries() {
  const std::int32_t revision = cipherLevel_ == kCipherAES_256_R6 ? 6 : 5;
  fileKey_ = RandomBytes(kFileKeySize, *random_);

  // Algorithm 8: /U and /UE.
  const std::string userSalts = RandomBytes(2 * kSaltSize, *random_);
  const std::string u = FirstBytes(userPasswordBytes_, kPasswordLimit);
  userEntry_ = AES256Hash(revision, u + userSalts.substr(0, kSaltSize), u, {}) + userSalts;
  const std::string userKey = AES256Hash(revision, u + userSalts.substr(kSaltSize), u, {});
  userKeyEntry_ = AESCBCEncrypt(userKey, kZeroIV, fileKey_);

  // Algorithm 9: /O and /OE. Without an owner password of its own the user password protects the
  // owner rights too; an empty one would let anyone open the file as owner.
  const std::string ownerSalts = RandomBytes(2 * kSaltSize, *random_);
  const std::string& owner = ownerPasswordBytes_.empty() ? userPasswordBytes_ : ownerPasswordBytes_;
  const std::string o = FirstBytes(owner, kPasswordLimit);
  ownerEntry_ = AES256Hash(revision, o + ownerSalts.substr(0, kSaltSize) + userEntry_, o, userEntry_) + ownerSalts;
  const std::string ownerKey = AES256Hash(revision, o + ownerSalts.substr(kSaltSize) + userEntry_, o, userEntry_);
  ownerKeyEntry_ = AESCBCEncrypt(ownerKey, kZeroIV, fileKey_);

  // Algorithm 10: /Perms, one block, so CBC with a zero IV is plain ECB.
  permsEntry_ = AESCBCEncrypt(fileKey_, kZeroIV, PermissionsBlock());
}

std::string TSmartPDFCrypt::PermissionsBlock() const {
  std::string block;
  AppendLowestFirst(block, permissionValue_);
  AppendLowestFirst(block, 0xFFFFFFFFu);
  block += record_.MetadataEncrypted ? 'T' : 'F';
  block += "adb";
  block += RandomBytes(kPermsRandomSize, *random_);
  return block;
}

// Algorithm 13: /Perms holds P, four FF bytes, "T" or "F" for /EncryptMetadata and "adb". A
// mismatch does not keep the file shut: the user who has its password still gets the document,
// and inspection says that its permissions were changed after it was encrypted.
bool TSmartPDFCrypt::PermsAgree() const {
  if (record_.Revision < 5 || objectKeyBase_.size() != kFileKeySize) return true;
  if (record_.PermsValue.size() < kAESBlockSize) return false;
  const std::string block =
      AESCBCDecrypt(objectKeyBase_, kZeroIV, std::string_view(record_.PermsValue).substr(0, kAESBlockSize));
  std::string expected;
  AppendLowestFirst(expected, record_.PermissionBits);
  const char metadata = record_.MetadataEncrypted ? 'T' : 'F';
  return block.substr(0, 4) == expected && block[8] == metadata && block.substr(9, 3) == "adb";
}

// Algorithms 11 and 12: the password reproduces the hash in /U (or /O), and the hash under the other
// salt unwraps the file key from /UE (or /OE).
bool TSmartPDFCrypt::CheckAES256Bytes(std::string_view password, bool asOwner) {
  // A /U or /O shorter than 48 bytes lacks a salt: any key it gave would be wrong, so nothing opens.
  if (record_.UserValue.size() < kPasswordValueSize) return false;
  if (asOwner && record_.OwnerValue.size() < kPasswordValueSize) return false;
  const std::string p = FirstBytes(password, kPasswordLimit);
  // Some writers pad /U and /O beyond 48 bytes; only the first 48 count.
  const std::string user = FirstBytes(record_.UserValue, kPasswordValueSize);
  const std::string stored = asOwner ? FirstBytes(record_.OwnerValue, kPasswordValueSize) : user;
  const std::string userBytes = asOwner ? user : std::string();
  const std::string& wrappedKey = asOwner ? record_.OwnerKeyValue : record_.UserKeyValue;

  const std::string validationSalt = stored.substr(kValidationSaltOffset, kSaltSize);
  const std::string hash = AES256Hash(record_.Revision, p + validationSalt + userBytes, p, userBytes);
  if (hash != stored.substr(0, kHashSize)) return false;
  // A matching password with a damaged /UE or /OE still cannot unwrap a usable key.
  if (wrappedKey.size() != kFileKeySize) return false;
  const std::string keySalt = stored.substr(kKeySaltOffset, kSaltSize);
  fileKey_ = AESCBCDecrypt(AES256Hash(record_.Revision, p + keySalt + userBytes, p, userBytes), kZeroIV, wrappedKey);
  return true;
}

// Passwords are SASLprep-prepared as ISO 32000-2 asks, but tools that skip the step write files whose
// hashes only the plain UTF-8 bytes reproduce; those open too.
bool TSmartPDFCrypt::CheckAES256Password(std::u16string_view text, bool asOwner) {
  const std::string prepared = PreparedPasswordBytes(text);
  if (CheckAES256Bytes(prepared, asOwner)) return true;
  const std::string unprepared = UnpreparedPasswordBytes(text);
  return unprepared != prepared && CheckAES256Bytes(unprepared, asOwner);
}

}  // namespace pdf

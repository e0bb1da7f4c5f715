// Revisions 2 to 4 of the standard security handler (RC4 and AESV2): algorithms 2 to 7 of
// ISO 32000-1, computing /O, /U and the file key and testing passwords against them.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pdf/security/CryptoPrimitives.h"
#include "pdf/security/SecurityHandler.h"

namespace pdf {
namespace {

constexpr std::size_t kPaddedPasswordSize = 32;
constexpr std::size_t kRC4_40KeySize = 5;
constexpr std::size_t kRC4_128KeySize = 16;
constexpr int kRevisionThreeHashRounds = 50;
constexpr std::uint8_t kRevisionThreeCipherRounds = 19;
// Revision 3 compares only the first half of /U: the second is arbitrary padding.
constexpr std::size_t kComparedUserBytes = 16;

// The password cut to 32 bytes and filled up to 32 from the padding string (algorithm 2, step a).
std::string Pad32(std::string_view password) {
  std::string padded(password.substr(0, kPaddedPasswordSize));
  padded += PasswordPad.substr(0, kPaddedPasswordSize - padded.size());
  return padded;
}

std::string XorEveryByte(std::string key, std::uint8_t value) {
  for (char& byte : key) byte = static_cast<char>(byte ^ value);
  return key;
}

// Revision 3 re-encrypts 19 more times, with the key XOR 1 ... 19.
std::string RC4ChainUp(const std::string& key, std::string data) {
  for (std::uint8_t i = 1; i <= kRevisionThreeCipherRounds; ++i) data = RC4Crypt(XorEveryByte(key, i), data);
  return data;
}

// The inverse of RC4ChainUp followed by the plain encryption: XOR 19 down to 0.
std::string RC4ChainDown(const std::string& key, std::string data) {
  for (int i = kRevisionThreeCipherRounds; i >= 0; --i) {
    data = RC4Crypt(XorEveryByte(key, static_cast<std::uint8_t>(i)), data);
  }
  return data;
}

std::string MD5Rehashed(std::string digest, std::size_t keySize) {
  for (int i = 0; i < kRevisionThreeHashRounds; ++i) digest = MD5Digest(std::string_view(digest).substr(0, keySize));
  return digest;
}

void AppendLowestFirst(std::string& out, std::uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>((value >> shift) & 0xFF);
}

}  // namespace

std::size_t TSmartPDFCrypt::StandardKeySize() const {
  switch (cipherLevel_) {
    case kCipherRC4_128:
    case kCipherAES_128:
      return kRC4_128KeySize;
    case kCipherRC4_Other:
      // 41 ... 127 bits: 5 to 15 bytes.
      return static_cast<std::size_t>(std::clamp(record_.KeyLength / 8, 1, 16));
    default:
      return kRC4_40KeySize;
  }
}

bool TSmartPDFCrypt::UsesRevisionThreeRules() const {
  return cipherLevel_ != kCipherRC4_40 || record_.Revision >= 3;
}

void TSmartPDFCrypt::ComputeStandardEntries() {
  fileKey_.clear();
  if (ownerEntry_.empty()) {
    const std::string ownerKey = ComputeOwnerKey();
    // With /U preset this is the owner test, which needs the owner key itself.
    if (!userEntry_.empty()) fileKey_ = ownerKey;
    ComputeOwnerEntry(ownerKey);
  }
  const std::string userKey = ComputeUserKey();
  if (fileKey_.empty()) fileKey_ = userKey;
  ComputeUserEntry(userKey);
}

// Algorithm 3, steps a to d: the RC4 key that encrypts /O.
std::string TSmartPDFCrypt::ComputeOwnerKey() const {
  const std::string& password = ownerPasswordBytes_.empty() ? userPasswordBytes_ : ownerPasswordBytes_;
  std::string digest = MD5Digest(Pad32(password));
  // Revision 3 hashes the whole 16-byte digest each time, whatever the key length.
  if (UsesRevisionThreeRules()) digest = MD5Rehashed(std::move(digest), kMD5DigestSize);
  return digest.substr(0, StandardKeySize());
}

// Algorithm 3, steps e to h.
void TSmartPDFCrypt::ComputeOwnerEntry(const std::string& ownerKey) {
  const std::string& userBytes = userEntry_.empty() ? userPasswordBytes_ : userEntry_;
  ownerEntry_ = RC4Crypt(ownerKey, Pad32(userBytes));
  if (UsesRevisionThreeRules()) ownerEntry_ = RC4ChainUp(ownerKey, std::move(ownerEntry_));
}

// Algorithm 2: the file key from the user password and the other /Encrypt values.
std::string TSmartPDFCrypt::ComputeUserKey() const {
  std::string input = Pad32(userPasswordBytes_);
  input += ownerEntry_;
  AppendLowestFirst(input, permissionValue_);
  input += fileIdentifier_;
  if (!record_.MetadataEncrypted) AppendLowestFirst(input, 0xFFFFFFFFu);
  const std::size_t keySize = StandardKeySize();
  std::string digest = MD5Digest(input);
  if (UsesRevisionThreeRules()) digest = MD5Rehashed(std::move(digest), keySize);
  return digest.substr(0, keySize);
}

// Algorithm 4 (revision 2) or 5 (revision 3).
void TSmartPDFCrypt::ComputeUserEntry(const std::string& userKey) {
  if (!UsesRevisionThreeRules()) {
    userEntry_ = RC4Crypt(userKey, PasswordPad);
    return;
  }
  std::string hashed(PasswordPad);
  hashed += fileIdentifier_;
  userEntry_ = RC4ChainUp(userKey, RC4Crypt(userKey, MD5Digest(hashed)));
  userEntry_.append(kPaddedPasswordSize - userEntry_.size(), '\0');
}

// Algorithm 7, step b: /O decrypted with the owner key is the padded user password.
std::string TSmartPDFCrypt::RecoverUserPassword(const std::string& ownerKey) const {
  switch (record_.Revision) {
    case 2:
      return RC4Crypt(ownerKey, record_.OwnerValue);
    case 3:
    case 4:
      return RC4ChainDown(ownerKey, record_.OwnerValue);
    default:
      return userPasswordBytes_;
  }
}

bool TSmartPDFCrypt::MatchesDocumentUserValue() const {
  if (record_.KeyLength == 40 && record_.Revision < 3) return userEntry_ == record_.UserValue;
  return std::string_view(userEntry_).substr(0, kComparedUserBytes) ==
         std::string_view(record_.UserValue).substr(0, kComparedUserBytes);
}

// Files hold the typed password in whichever encoding their writer chose: each is tried in turn.
bool TSmartPDFCrypt::CheckStandardUser(std::u16string_view text) {
  const std::vector<std::string> candidates = StandardPasswordCandidates(text);
  return std::any_of(candidates.begin(), candidates.end(),
                     [this](const std::string& bytes) { return CheckStandardUserBytes(bytes); });
}

bool TSmartPDFCrypt::CheckStandardOwner(std::u16string_view text) {
  const std::vector<std::string> candidates = StandardPasswordCandidates(text);
  return std::any_of(candidates.begin(), candidates.end(),
                     [this](const std::string& bytes) { return CheckStandardOwnerBytes(bytes); });
}

// Algorithm 6: the user password reproduces /U.
bool TSmartPDFCrypt::CheckStandardUserBytes(std::string_view password) {
  userPasswordBytes_ = password;
  ownerPasswordBytes_.clear();
  ownerEntry_ = record_.OwnerValue;
  userEntry_.clear();
  ComputeStandardEntries();
  return MatchesDocumentUserValue();
}

// Algorithm 7: the owner password decrypts /O to a user password that reproduces /U.
bool TSmartPDFCrypt::CheckStandardOwnerBytes(std::string_view password) {
  ownerPasswordBytes_ = password;
  userPasswordBytes_ = ownerPasswordBytes_;
  ownerEntry_.clear();
  userEntry_ = record_.UserValue;
  ComputeStandardEntries();
  userPasswordBytes_ = RecoverUserPassword(fileKey_);
  ownerEntry_ = record_.OwnerValue;
  userEntry_.clear();
  ComputeStandardEntries();
  return MatchesDocumentUserValue();
}

}  // namespace pdf

// The handler's life: creation from an /Encrypt record, the password tests that open a document,
// the preparation of a new one, and the permission flags both read and write.

#include "pdf/security/SecurityHandler.h"

#include <array>
#include <string>
#include <utility>

#include "pdf/objects/PDFError.h"

namespace pdf {
namespace {

// Every P bit except the two lowest, which ISO 32000-1 requires to be 0. The reserved bits (7, 8
// and 13 to 32) stay set at every revision, as the standard asks and readers expect: a /P of
// 65532 reads as "bits 17 to 32 clear", which no writer that follows the standard produces.
constexpr std::uint32_t kAllPermissions = 0xFFFFFFFCu;

struct TPermissionBit {
  std::uint32_t bit;
  bool extended;
  std::uint8_t flag;
};

constexpr std::array<TPermissionBit, 8> kPermissionBits = {{
    {4, false, kPermPrint},
    {8, false, kPermChange},
    {16, false, kPermCopy},
    {32, false, kPermAnnotate},
    {256, true, kPermFillForms},
    {512, true, kPermAccessibility},
    {1024, true, kPermAssemble},
    {2048, true, kPermHighResPrint},
}};

bool IsAES256Level(std::uint8_t level) { return level == kCipherAES_256_R5 || level == kCipherAES_256_R6; }

bool IsWritableLevel(std::uint8_t level) {
  return level == kCipherRC4_40 || level == kCipherRC4_128 || level == kCipherAES_128 || IsAES256Level(level);
}

}  // namespace

TSmartPDFCrypt::TSmartPDFCrypt(const TSmartPDFEncryption& record, std::string fileIdentifier,
                               std::uint8_t encryptionState, TRandomSource& random)
    : record_(record), encryptionState_(encryptionState), fileIdentifier_(std::move(fileIdentifier)),
      random_(&random), ivRandom_(random) {
  DecodePermissions(record_.PermissionBits);
}

// --- Reading ----------------------------------------------------------------------------------------

bool TSmartPDFCrypt::SetPassword(std::u16string_view text) {
  if (CheckUserPassword(text) || CheckOwnerPassword(text)) {
    // The "!" tells an accepted empty password from none.
    acceptedPassword_.assign(1, u'!').append(text.begin(), text.end());
    objectKeyBase_ = fileKey_;
    return true;
  }
  acceptedPassword_.clear();
  return false;
}

bool TSmartPDFCrypt::GrantsEveryPermission() const {
  constexpr std::uint8_t kEvery = kPermPrint | kPermCopy | kPermChange | kPermAnnotate;
  constexpr std::uint8_t kEveryExtended = kPermFillForms | kPermAccessibility | kPermAssemble | kPermHighResPrint;
  const bool basic = (basicPermissions_ & kEvery) == kEvery;
  return basic && (record_.Revision == 2 || (extendedPermissions_ & kEveryExtended) == kEveryExtended);
}

bool TSmartPDFCrypt::CheckUserPassword(std::u16string_view text) {
  if (encryptionState_ == 0) return text.empty();
  cipherLevel_ = DocumentCipherLevel();
  if (IsAES256Document()) return RememberedAES256Check(text, false);
  return CheckStandardUser(text);
}

bool TSmartPDFCrypt::CheckOwnerPassword(std::u16string_view text) {
  if (encryptionState_ == 0) return text.empty();
  cipherLevel_ = DocumentCipherLevel();
  if (IsAES256Document()) return RememberedAES256Check(text, true);
  return CheckStandardOwner(text);
}

bool TSmartPDFCrypt::RememberedAES256Check(std::u16string_view text, bool asOwner) {
  auto question = std::make_pair(asOwner, std::u16string(text));
  if (const auto found = rememberedChecks_.find(question); found != rememberedChecks_.end()) {
    if (found->second) fileKey_ = *found->second;
    return found->second.has_value();
  }
  const bool accepted = CheckAES256Password(text, asOwner);
  rememberedChecks_.emplace(std::move(question), accepted ? std::optional(fileKey_) : std::nullopt);
  return accepted;
}

std::uint8_t TSmartPDFCrypt::DocumentCipherLevel() const {
  std::uint8_t level = kCipherRC4_128;
  if (record_.KeyLength == 40) {
    level = kCipherRC4_40;
  } else if (record_.KeyLength > 40 && record_.KeyLength < 128) {
    level = kCipherRC4_Other;
  }
  if (record_.UsesAES) level = kCipherAES_128;
  if (IsAES256Document()) level = record_.Revision == 6 ? kCipherAES_256_R6 : kCipherAES_256_R5;
  return level;
}

bool TSmartPDFCrypt::IsAES256Document() const { return record_.UsesAES && record_.KeyLength == 32; }

// --- Writing ----------------------------------------------------------------------------------------

void TSmartPDFCrypt::PrepareEncryption(std::string_view ownerBytes, std::string_view userBytes,
                                       std::uint8_t strength, std::uint8_t basicFlags,
                                       std::uint8_t extendedFlags, TMetadataProtection metadata) {
  // Any other strength would write a dictionary whose revision does not match the key it describes.
  if (!IsWritableLevel(strength)) {
    throw EPDFError("encryption strength " + std::to_string(strength) + " cannot be written");
  }
  // The answers were about the document read, not the one about to be written.
  rememberedChecks_.clear();
  ownerPasswordBytes_ = ownerBytes;
  userPasswordBytes_ = userBytes;
  cipherLevel_ = strength;
  basicPermissions_ = basicFlags;
  extendedPermissions_ = extendedFlags;
  ComposePermissionValue();
  // Empty entries make ComputeStandardEntries compute both /O and /U rather than test against them.
  ownerEntry_.clear();
  userEntry_.clear();
  ownerKeyEntry_.clear();
  userKeyEntry_.clear();
  permsEntry_.clear();
  record_.UsesAES = strength != kCipherRC4_40 && strength != kCipherRC4_128;
  // Only the dictionaries of 128-bit and 256-bit AES (/V 4 and 5) can say so: RC4 keeps it encrypted.
  record_.MetadataEncrypted = metadata == TMetadataProtection::kEncrypted || !record_.UsesAES;
  if (IsAES256Level(strength)) {
    ComputeAES256Entries();
  } else {
    ComputeStandardEntries();
  }
  objectKeyBase_ = fileKey_;
}

// --- Permissions ------------------------------------------------------------------------------------

void TSmartPDFCrypt::DecodePermissions(std::uint32_t p) {
  permissionValue_ = p;
  basicPermissions_ = 0;
  extendedPermissions_ = 0;
  for (const TPermissionBit& entry : kPermissionBits) {
    if ((p & entry.bit) == 0) continue;
    (entry.extended ? extendedPermissions_ : basicPermissions_) |= entry.flag;
  }
}

void TSmartPDFCrypt::ComposePermissionValue() {
  permissionValue_ = kAllPermissions;
  for (const TPermissionBit& entry : kPermissionBits) {
    // 40-bit RC4 (revision 2) defines no extended permissions; their bits stay set.
    if (entry.extended && cipherLevel_ == kCipherRC4_40) continue;
    const std::uint8_t flags = entry.extended ? extendedPermissions_ : basicPermissions_;
    if ((flags & entry.flag) == 0) permissionValue_ &= ~entry.bit;
  }
}

}  // namespace pdf

// The numeric security status items of the file inspection list.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pdf/security/SecurityHandler.h"

namespace pdf {
namespace {

enum TSecurityStatus : std::int32_t {
  kStatusNotEncrypted = 0,
  kStatusStandardHandler = 1,
  kStatusNo = 2,
  kStatusYes = 3,
  kStatusFullQualityPrint = 4,
  kStatusNotAllowed = 5,
  kStatusAllowed = 6,
  kStatusRC4_40 = 7,
  kStatusRC4_128 = 8,
  kStatusUnopenable = 9,
  kStatusLowResolutionPrint = 10,
  kStatusNotApplicable = 11,
  kStatusAES_128 = 12,
  kStatusAES_256_R5 = 13,
  kStatusRC4_Other = 14,
  kStatusAES_256_R6 = 15,
  kStatusUnknown = 16,  // the answer needs a password that opens the file
};

enum TSecurityItem : std::int32_t {
  kItemEncryption = 0,
  kItemUserPasswordNeeded = 1,
  kItemOwnerPasswordNeeded = 2,
  kItemPrinting = 3,
  kItemChanging = 4,
  kItemCopying = 5,
  kItemAnnotating = 6,
  kItemFillingForms = 7,
  kItemAccessibility = 8,
  kItemAssembling = 9,
  kItemEncryptionLevel = 10,
  kItemGivenIsUser = 11,
  kItemGivenIsOwner = 12,
  kItemRC4KeyLength = 13,
};

// The inspection list tests at most the first 32 characters of the password that opened the file,
// which is all that RC4 and AESV2 keys use. AES-256 keys use up to 127 bytes: a longer password
// there must not read as "not the user password" after it opened the file.
constexpr std::size_t kTestedPasswordLength = 32;

std::int32_t UnencryptedItem(std::int32_t index) {
  switch (index) {
    case kItemEncryption:
      return kStatusNotEncrypted;
    case kItemUserPasswordNeeded:
    case kItemOwnerPasswordNeeded:
      return kStatusNo;
    case kItemPrinting:
      return kStatusFullQualityPrint;
    case kItemChanging:
    case kItemCopying:
    case kItemAnnotating:
    case kItemFillingForms:
    case kItemAccessibility:
    case kItemAssembling:
      return kStatusAllowed;
    default:
      return kStatusNotApplicable;
  }
}

std::int32_t Answer(bool yes) { return yes ? kStatusYes : kStatusNo; }
std::int32_t Allowed(bool allowed) { return allowed ? kStatusAllowed : kStatusNotAllowed; }
bool RC4KeyOfOtherLength(std::int32_t keyLength) { return keyLength > 40 && keyLength < 128; }

std::int32_t LevelStatus(std::uint8_t level) {
  switch (level) {
    case kCipherRC4_40:
      return kStatusRC4_40;
    case kCipherRC4_128:
      return kStatusRC4_128;
    case kCipherAES_128:
      return kStatusAES_128;
    case kCipherAES_256_R5:
      return kStatusAES_256_R5;
    case kCipherAES_256_R6:
      return kStatusAES_256_R6;
    default:
      return kStatusNotApplicable;
  }
}

}  // namespace

std::int32_t TSmartPDFCrypt::SecurityItem(std::int32_t index) {
  if (encryptionState_ == 0) return UnencryptedItem(index);
  // A dictionary the handler does not understand (another /Filter, an unknown revision) tells nothing.
  if (encryptionState_ != 1 || record_.Revision == 0) return kStatusUnopenable;
  // Known from /Encrypt alone, so the items that need no password hold without one too.
  cipherLevel_ = DocumentCipherLevel();

  const std::uint32_t p = permissionValue_;
  // Without the "!" that marks it accepted.
  const std::u16string_view given =
      std::u16string_view(acceptedPassword_)
          .substr(acceptedPassword_.empty() ? 0 : 1,
                  record_.UsesAES && record_.KeyLength == 32 ? std::u16string_view::npos : kTestedPasswordLength);
  // Revision 2 has no bits of its own for the extended permissions: readers take them from the
  // basic bits that include them (changing, copying, annotating). Every later revision has them.
  const bool revisionTwo = record_.Revision < 3;
  const auto granted = [p, revisionTwo](std::uint32_t extendedBit, std::uint32_t basicBit) {
    return (p & (revisionTwo ? basicBit : extendedBit)) != 0;
  };
  switch (index) {
    case kItemEncryption:
      return kStatusStandardHandler;
    case kItemUserPasswordNeeded:
      return Answer(!CheckUserPassword(u""));
    case kItemOwnerPasswordNeeded:
      return OwnerPasswordItem(given);
    case kItemPrinting:
      if ((p & 4) == 0) return kStatusNotAllowed;
      return cipherLevel_ == kCipherRC4_40 || (p & 2048) != 0 ? kStatusFullQualityPrint : kStatusLowResolutionPrint;
    case kItemChanging:
      return Allowed((p & 8) != 0);
    case kItemCopying:
      return Allowed((p & 16) != 0);
    case kItemAnnotating:
      return Allowed((p & 32) != 0);
    case kItemFillingForms:
      return Allowed(granted(256, 32));
    case kItemAccessibility:
      return Allowed(granted(512, 16));
    case kItemAssembling:
      return Allowed(granted(1024, 8));
    case kItemEncryptionLevel:
      return RC4KeyOfOtherLength(record_.KeyLength) ? kStatusRC4_Other : LevelStatus(cipherLevel_);
    case kItemGivenIsUser:
      return acceptedPassword_.empty() ? kStatusNotApplicable : Answer(CheckUserPassword(given));
    case kItemGivenIsOwner:
      return acceptedPassword_.empty() ? kStatusNotApplicable : Answer(CheckOwnerPassword(given));
    case kItemRC4KeyLength:
      return record_.UsesAES ? 0 : record_.KeyLength;
    default:
      return kStatusNotApplicable;
  }
}

// Whether the file has an owner password apart from the password that opens it: no when the empty
// password is the owner's, or when the password that opened it passes as both user and owner (one
// password for both); yes when it passes as only one of them. Without an accepted password there is
// nothing to compare: the answer is unknown unless the empty password already settles it.
std::int32_t TSmartPDFCrypt::OwnerPasswordItem(std::u16string_view given) {
  if (CheckOwnerPassword(u"")) return kStatusNo;
  if (acceptedPassword_.empty()) return kStatusUnknown;
  return Answer(!(CheckUserPassword(given) && CheckOwnerPassword(given)));
}

}  // namespace pdf

#pragma once
// What the job reads of an input before copying it, and the checks a copy must pass before it
// counts: it is reopened through the library, as a user's reader would open it.

#include <cstdint>
#include <string>
#include <string_view>

namespace ombrelt::app {

// The parts of an inspection the job uses.
struct TInspection {
  std::int32_t errorCode = 0;
  std::u16string encryption;  // "None", "User" or "Owner" ("Owner" only when asked)
  std::u16string pages;
  std::u16string level;       // the encryption level status
  bool Opened() const { return errorCode == 0; }
  bool Encrypted() const { return errorCode != 0 || encryption != u"None"; }
};

// The file opened with the password; whether that opens it as owner is asked only with askOwner,
// since at 256-bit AES it costs another key derivation.
TInspection Inspect(std::u16string_view path, std::u16string_view password, bool askOwner);

// An encrypted copy must open with the passwords that will be recorded, be encrypted at the chosen
// level and hold every page of the input. Throws TFileFailure.
void VerifyEncryptedCopy(std::u16string_view copy, std::u16string_view openPassword, std::u16string_view ownerPassword,
                         std::int32_t level, std::u16string_view inputPages);

// A decrypted copy must open without a password, not be encrypted and hold every page of the
// input. Throws TFileFailure.
void VerifyClearCopy(std::u16string_view copy, std::u16string_view inputPages);

}  // namespace ombrelt::app

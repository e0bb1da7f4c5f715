#include "cli/PasswordCheck.h"

#include <array>

#include "app/core/BatchValidation.h"
#include "cli/CommandLine.h"
#include "cli/PasswordSource.h"
#include "pdf/objects/TextConversions.h"

namespace cli {

namespace {

// RC4 and 128-bit AES hash the password as single bytes, at most 32 of them; 256-bit AES hashes at
// most 127 UTF-8 bytes.
constexpr std::size_t kCodePagePasswordLimit = 32;
constexpr std::size_t kUTF8PasswordLimit = 127;

bool UsesCodePage(TEncryptionLevel level) { return level != TEncryptionLevel::AES_256; }

void CheckOne(TEncryptionLevel level, const std::string& password, const char* which,
              std::vector<std::string>& warnings) {
  if (UsesCodePage(level)) {
    const std::u16string text = pdf::UTF8ToUnicode(password);
    if (!ombrelt::app::LevelHoldsPassword(FacadeStrength(level), text)) {
      throw TPasswordError(std::string("the ") + which + " password has characters " + LevelName(level) +
                           " cannot hold so that every PDF reader opens the copies (only ASCII letters, digits, "
                           "punctuation and spaces); choose aes-256, which holds any character, or another password");
    }
    if (text.size() > kCodePagePasswordLimit) {
      warnings.push_back(std::string("only the first 32 characters of the ") + which + " password count at " +
                         LevelName(level));
    }
  } else if (password.size() > kUTF8PasswordLimit) {
    warnings.push_back(std::string("only the first 127 bytes of the ") + which + " password count");
  }
}

}  // namespace

std::optional<std::string> LevelWarning(TEncryptionLevel level) {
  if (level != TEncryptionLevel::RC4_40 && level != TEncryptionLevel::RC4_128) return std::nullopt;
  // RC4 has known biases, a 40-bit key falls to a search within minutes, and PDF 2.0 deprecates both
  // levels; they stay for readers that know nothing newer.
  return std::string(LevelName(level)) + " is weak and deprecated since PDF 2.0: choose aes-256 unless the copies "
         "must open in readers that know only RC4";
}

std::vector<std::string> CheckPasswords(TEncryptionLevel level, const std::string& openPassword,
                                        const std::string& ownerPassword, const TPermissions& allow) {
  if (openPassword.empty() && ownerPassword.empty()) {
    throw TPasswordError("both passwords are empty: the copies would open without a password and with every right");
  }
  std::vector<std::string> warnings;
  CheckOne(level, openPassword, "open", warnings);
  CheckOne(level, ownerPassword, "owner", warnings);
  const bool restricted = allow != TPermissions::All();
  if (restricted && (ownerPassword.empty() || ownerPassword == openPassword)) {
    warnings.push_back("without an owner password different from the open password, whoever opens the copies can "
                       "lift the restrictions of --allow");
  }
  if (!restricted && openPassword.empty()) {
    warnings.push_back("the copies open without a password and allow everything; restrict them with --allow");
  }
  if (level == TEncryptionLevel::RC4_40) {
    // Revision 2 has no bits for these; readers allow them whenever the file opens.
    const TPermissions& a = allow;
    if (!a.FillForms || !a.Accessibility || !a.Assemble || (a.Print && !a.PrintHighQuality)) {
      warnings.push_back("rc4-40 has no separate permissions for filling forms, accessibility, assembling or print quality");
    }
  }
  return warnings;
}

}  // namespace cli

#include "cli/SecurityWords.h"

#include "pdf/facade/VelloPDF.h"

namespace cli {

// Items 0 to 10 stand at 20 to 30, items 11 to 13 at 41 to 43.
const std::array<TSecurityItem, 14> kSecurityItems = {{
    {20, "encryption", "Encryption", true},
    {21, "user_password_needed", "User password needed", true},
    {22, "owner_password_needed", "Owner password needed", true},
    {23, "print", "Printing", true},
    {24, "change", "Changing", true},
    {25, "copy", "Copying", true},
    {26, "annotate", "Adding annotations", true},
    {27, "fill_forms", "Filling forms", true},
    {28, "copy_for_accessibility", "Copying for accessibility", true},
    {29, "assemble", "Assembling", true},
    {30, "encryption_level", "Encryption level", true},
    {41, "password_is_user_password", "Password is the user password", true},
    {42, "password_is_owner_password", "Password is the owner password", true},
    {43, "rc4_key_bits", "RC4 key length (bits)", false},
}};

std::string SecurityCodeWords(int code) {
  switch (code) {
    case 0: return "not encrypted";
    case 1: return "encrypted with the standard security handler";
    case 2: return "no";
    case 3: return "yes";
    case 4: return "allowed at full quality";
    case 5: return "not allowed";
    case 6: return "allowed";
    case 7: return "40-bit RC4";
    case 8: return "128-bit RC4";
    case 9: return "encrypted in a way that cannot be opened";
    case 10: return "allowed at low resolution only";
    case 11: return "not applicable";
    case 12: return "128-bit AES";
    case 13: return "256-bit AES (revision 5)";
    case 14: return "RC4 with a 41 to 127-bit key";
    case 15: return "256-bit AES (revision 6)";
    case 16: return "unknown without a password that opens the file";
    default: return "unknown code " + std::to_string(code);
  }
}

}  // namespace cli

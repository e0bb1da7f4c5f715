#pragma once
// Random passwords for the batch job's "Auto create" options: a pool of character classes and a
// length that arrives as the text of the settings dialog's length field.

#include <stdexcept>
#include <string>
#include <string_view>

#include "pdf/security/RandomSource.h"

namespace ombrelt::app {

// A text that should hold a number but does not. The message quotes the text so the user sees
// what was read: "'abc' is not a valid integer value".
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The character classes, in the order the pool is built from them. The letters leave out I and O,
// which are easily mistaken for 1 and 0 when a password is read off a printout.
inline constexpr std::u16string_view kPasswordDigits = u"1234567890";
inline constexpr std::u16string_view kPasswordLetters = u"ABCDEFGHJKLMNPQRSTUVWXYZ";
inline constexpr std::u16string_view kPasswordSpecials = u"!?/*+-@#$";

// The longest password the generator makes: the settings field holds five digits. A longer length
// can only come from a hand-edited setting or a script and would cost gigabytes, so it is refused.
inline constexpr int kMaxPasswordLength = 99999;

// The password length a length text asks for: a signed decimal integer, blanks and control
// characters around it ignored; 0 or less gives 1. Raises EConvertError for anything else and for
// lengths above kMaxPasswordLength.
int PasswordLength(std::u16string_view lengthText);

// One password of PasswordLength(lengthText) characters, each drawn uniformly from the pool of the
// chosen classes (the letters alone when none is chosen); lowerCase maps A-Z to a-z afterwards.
// Each character is an independent draw from the CSPRNG, so nothing forces every class to occur.
// The first is drawn from the pool less "+-@", which a spreadsheet would take for the start of a
// formula (kFormulaStarts), so a generated password reaches the password file as it is.
std::u16string CreatePassword(std::u16string_view lengthText, bool numeric, bool alphabet, bool specialCharacters,
                              bool lowerCase, pdf::TRandomSource& source = pdf::SystemRandom());

}  // namespace ombrelt::app

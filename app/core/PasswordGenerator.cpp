#include "app/core/PasswordGenerator.h"

#include <cstdint>

#include "app/core/BatchSettings.h"
#include "app/core/PasswordFile.h"
#include "pdf/objects/TextConversions.h"

namespace ombrelt::app {

namespace {

[[noreturn]] void ThrowNotAnInteger(std::u16string_view text) {
  throw EConvertError("'" + pdf::UnicodeToUTF8(text) + "' is not a valid integer value");
}

// The pool less the characters a spreadsheet takes for the start of a formula: a password that
// began with one would reach the password file guarded (FormulaGuarded), and a user copying it out
// of a spreadsheet could take the guard for part of it. Every class keeps characters of its own
// (the specials "!?/*#$"), so the pool never ends up empty.
std::u16string FirstCharacterPool(std::u16string_view pool) {
  std::u16string first;
  for (const char16_t c : pool) {
    if (c > 0x7F || kFormulaStarts.find(static_cast<char>(c)) == std::string_view::npos) first += c;
  }
  return first;
}

char16_t RandomCharacter(std::u16string_view pool, pdf::TRandomSource& source) {
  return pool[pdf::RandomBelow(static_cast<std::uint32_t>(pool.size()), source)];
}

}  // namespace

int PasswordLength(std::u16string_view lengthText) {
  // The settings dialog keeps blanks the user typed around the number; " 12 " still means 12.
  const std::u16string text = TrimText(lengthText);
  std::size_t at = 0;
  const bool negative = !text.empty() && text[0] == u'-';
  if (!text.empty() && (text[0] == u'-' || text[0] == u'+')) ++at;
  if (at == text.size()) ThrowNotAnInteger(lengthText);
  std::int64_t value = 0;
  for (; at < text.size(); ++at) {
    const char16_t c = text[at];
    if (c < u'0' || c > u'9') ThrowNotAnInteger(lengthText);
    value = value * 10 + (c - u'0');
    // A length is a 32-bit integer: text beyond that range is no integer at all.
    if (value > (negative ? 2147483648LL : 2147483647LL)) ThrowNotAnInteger(lengthText);
  }
  if (negative || value == 0) return 1;
  if (value > kMaxPasswordLength) {
    throw EConvertError("'" + pdf::UnicodeToUTF8(lengthText) + "' is not a valid password length (at most " +
                        std::to_string(kMaxPasswordLength) + ")");
  }
  return static_cast<int>(value);
}

std::u16string CreatePassword(std::u16string_view lengthText, bool numeric, bool alphabet, bool specialCharacters,
                              bool lowerCase, pdf::TRandomSource& source) {
  std::u16string pool;
  if (numeric) pool += kPasswordDigits;
  if (alphabet) pool += kPasswordLetters;
  if (specialCharacters) pool += kPasswordSpecials;
  if (pool.empty()) pool = kPasswordLetters;

  const int length = PasswordLength(lengthText);
  std::u16string password;
  password.reserve(static_cast<std::size_t>(length));
  const std::u16string firstPool = FirstCharacterPool(pool);
  password += RandomCharacter(firstPool, source);
  for (int i = 1; i < length; ++i) password += RandomCharacter(pool, source);
  if (lowerCase) {
    for (char16_t& c : password) {
      if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
    }
  }
  return password;
}

}  // namespace ombrelt::app

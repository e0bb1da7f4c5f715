#include "app/core/BatchValidation.h"

#include <sys/stat.h>

#include <algorithm>

#include "app/core/BatchSettings.h"
#include "pdf/io/FileOperations.h"
#include "pdf/objects/TextConversions.h"

namespace ombrelt::app {

namespace {

bool FolderExists(std::u16string_view folder) {
  const std::optional<std::string> native = pdf::NativePath(folder);
  struct stat info {};
  return native && ::stat(native->c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool EndsWithCsv(std::u16string_view path) {
  if (path.size() < 4) return false;
  const std::u16string_view tail = path.substr(path.size() - 4);
  std::u16string lower;
  for (const char16_t c : tail) lower += c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
  return lower == u".csv";
}

TValidationFailure Warning(std::u16string message, TValidationFollowUp followUp = TValidationFollowUp::kNone) {
  return {std::move(message), u"Warning", followUp};
}

bool IsControlCharacter(char16_t c) {
  return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029;
}

std::u16string ControlName(char16_t c) {
  static constexpr char16_t kDigits[] = u"0123456789ABCDEF";
  std::u16string code = u"U+";
  for (int shift = 12; shift >= 0; shift -= 4) code += kDigits[(c >> shift) & 0xF];
  if (c == 0) return code + u", NUL";
  if (c == u'\t') return code + u", a tab";
  if (c == u'\n' || c == u'\r' || c == 0x2028 || c == 0x2029) return code + u", a line end";
  return code;
}

// The first typed password the level cannot hold, as a warning that sends the user to it.
std::optional<TValidationFailure> CodePageFailure(const TValidationInput& input, std::u16string_view open,
                                                  std::u16string_view restrictions) {
  const auto message = [](std::u16string_view which) {
    return u"The " + std::u16string(which) +
           u" password has characters that this encryption level cannot hold: PDF readers do not agree on them, "
           u"and the copies would not open in all of them. At 40 and 128 bits only unaccented Latin letters, "
           u"digits, spaces and ASCII punctuation are safe. Please choose 256 bits AES, which holds any "
           u"character, or another password.";
  };
  if (input.openPasswordBox && !input.openPasswordAuto && !LevelHoldsPassword(input.level, open)) {
    return Warning(message(u"user"), TValidationFollowUp::kFocusOpenPassword);
  }
  if (input.restrictionsBox && !input.restrictionsAuto && !LevelHoldsPassword(input.level, restrictions)) {
    return Warning(message(u"owner"), TValidationFollowUp::kFocusRestrictionsPassword);
  }
  return std::nullopt;
}

// The first typed password holding a control character, as a warning that sends the user to it.
std::optional<TValidationFailure> ControlCharacterFailure(const TValidationInput& input, std::u16string_view open,
                                                          std::u16string_view restrictions) {
  const auto message = [](std::u16string_view which, const std::u16string& fault) {
    return u"The " + std::u16string(which) + u" password " + fault + u". Please remove it.";
  };
  const bool openTyped = input.openPasswordBox && !input.openPasswordAuto && !input.openPasswordListed;
  const bool restrictionsTyped = input.restrictionsBox && !input.restrictionsAuto && !input.restrictionsListed;
  if (const auto fault = openTyped ? NewPasswordFault(open) : std::nullopt) {
    return Warning(message(u"user", *fault), TValidationFollowUp::kFocusOpenPassword);
  }
  if (const auto fault = restrictionsTyped ? NewPasswordFault(restrictions) : std::nullopt) {
    return Warning(message(u"owner", *fault), TValidationFollowUp::kFocusRestrictionsPassword);
  }
  return std::nullopt;
}

// The passwords the copies get: at least one, each typed one given, held by the level, and the
// two different.
std::optional<TValidationFailure> PasswordFailure(const TValidationInput& input) {
  using enum TValidationFollowUp;
  if (!input.openPasswordBox && !input.restrictionsBox) {
    return Warning(u"Please provide password to encrypt pdf file(s).");
  }
  const std::u16string open = TrimText(input.openPasswordText);
  const std::u16string restrictions = TrimText(input.restrictionsText);
  if (input.openPasswordBox && open.empty() && !input.openPasswordAuto && !input.openPasswordListed) {
    return Warning(u"No user password provided.", kFocusOpenPassword);
  }
  if (input.restrictionsBox && restrictions.empty() && !input.restrictionsAuto && !input.restrictionsListed) {
    return Warning(u"No owner password provided.", kFocusRestrictionsPassword);
  }
  if (const auto failure = ControlCharacterFailure(input, open, restrictions)) return failure;
  // At RC4 and 128-bit AES readers hash other bytes than each other for any character outside
  // printable ASCII, so some would refuse the copy. Generated passwords never have such.
  if (const auto failure = CodePageFailure(input, open, restrictions)) return failure;
  // Compared even when an auto option makes the typed texts unused: the user sees them as entered.
  const bool bothTyped = !input.openPasswordListed && !input.restrictionsListed;
  if (input.openPasswordBox && input.restrictionsBox && bothTyped && !open.empty() && open == restrictions) {
    return TValidationFailure{u"Do not use same password for user and owner.", u"Alert!", kNone};
  }
  return std::nullopt;
}

std::optional<TValidationFailure> PasswordFileFailure(const TValidationInput& input) {
  if ((input.openPasswordAuto || input.restrictionsAuto) && !PasswordFilePathIsValid(input.passwordFilePath)) {
    return Warning(u"Password file path is invalid. Please choose correct one.",
                   TValidationFollowUp::kShowPasswordSettings);
  }
  return std::nullopt;
}

// Only the AES levels can leave the metadata readable: an RC4 copy would encrypt it all the same.
std::optional<TValidationFailure> MetadataFailure(const TValidationInput& input) {
  constexpr std::int32_t kAES128 = 2;
  if (!input.keepMetadataReadable || input.level >= kAES128) return std::nullopt;
  return Warning(u"Keeping metadata readable needs 128 bits AES or 256 bits AES. Please choose one of them or "
                 u"let the metadata be encrypted.");
}

}  // namespace

std::optional<std::u16string> NewPasswordFault(std::u16string_view password) {
  const auto control = std::find_if(password.begin(), password.end(), IsControlCharacter);
  if (control == password.end()) return std::nullopt;
  return u"holds a control character (" + ControlName(*control) + u"), which no reader lets anyone type";
}

bool LevelHoldsPassword(std::int32_t level, std::u16string_view password) {
  constexpr std::int32_t kAES256 = 4;
  return level >= kAES256 || std::all_of(password.begin(), password.end(), pdf::IsStandardPasswordCharacter);
}

bool PasswordFilePathIsValid(std::u16string_view path) {
  if (!EndsWithCsv(path)) return false;
  const std::size_t slash = path.rfind(u'/');
  if (slash == std::u16string_view::npos) return false;
  return FolderExists(slash == 0 ? std::u16string_view(u"/") : path.substr(0, slash));
}

std::optional<TValidationFailure> ValidateBatch(const TValidationInput& input) {
  using enum TValidationFollowUp;
  if (input.fileCount == 0) return Warning(u"Please add file(s).", kOpenFileDialog);
  if (const auto failure = PasswordFailure(input)) return failure;
  if (const auto failure = MetadataFailure(input)) return failure;
  if (TrimText(input.outputFolder).empty()) return Warning(u"Please select output path.", kFocusOutputFolder);
  return PasswordFileFailure(input);
}

std::optional<TValidationFailure> ValidateNewProtection(const TValidationInput& input) {
  if (const auto failure = PasswordFailure(input)) return failure;
  if (const auto failure = MetadataFailure(input)) return failure;
  return PasswordFileFailure(input);
}

}  // namespace ombrelt::app

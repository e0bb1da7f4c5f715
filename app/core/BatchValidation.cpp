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

// The first typed password the level cannot hold, as a warning that sends the user to it.
std::optional<TValidationFailure> CodePageFailure(const TValidationInput& input, std::u16string_view open,
                                                  std::u16string_view restrictions) {
  constexpr std::int32_t kAES256 = 4;
  if (input.level >= kAES256) return std::nullopt;
  const auto holds = [](std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), pdf::IsWindows1252Character);
  };
  const auto message = [](std::u16string_view which) {
    return u"The " + std::u16string(which) +
           u" password has characters that this encryption level cannot hold. Please choose 256 bits AES, "
           u"which holds any character, or a password of characters this level can hold.";
  };
  if (input.openPasswordBox && !input.openPasswordAuto && !holds(open)) {
    return Warning(message(u"user"), TValidationFollowUp::kFocusOpenPassword);
  }
  if (input.restrictionsBox && !input.restrictionsAuto && !holds(restrictions)) {
    return Warning(message(u"owner"), TValidationFollowUp::kFocusRestrictionsPassword);
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
  // RC4 and 128-bit AES hash a password as Windows-1252 bytes, any other character as "?": a copy
  // would open with "??" rather than with what was typed. Generated passwords never have such.
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

}  // namespace

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
  if (TrimText(input.outputFolder).empty()) return Warning(u"Please select output path.", kFocusOutputFolder);
  return PasswordFileFailure(input);
}

std::optional<TValidationFailure> ValidateNewProtection(const TValidationInput& input) {
  if (const auto failure = PasswordFailure(input)) return failure;
  return PasswordFileFailure(input);
}

}  // namespace ombrelt::app

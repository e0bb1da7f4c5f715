#pragma once
// The checks "Encrypt Pdf" makes before a batch starts, in the order the user meets them: the first
// one that fails is shown and nothing starts.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace ombrelt::app {

// What the window does after showing the message.
enum class TValidationFollowUp {
  kNone,
  kOpenFileDialog,             // the list is empty: offer to add files at once
  kFocusOpenPassword,          // openPasswordEdit
  kFocusRestrictionsPassword,  // restrictionsPasswordEdit
  kFocusOutputFolder,          // outputFolderEdit
  kShowPasswordSettings,       // the password settings dialog, modal, to fix the password file path
};

struct TValidationFailure {
  std::u16string message;
  std::u16string caption;  // "Warning", or "Alert!" for equal passwords
  TValidationFollowUp followUp = TValidationFollowUp::kNone;
};

// The window's state as validation sees it; texts are raw control texts (validation trims them).
struct TValidationInput {
  std::size_t fileCount = 0;
  std::int32_t level = 1;  // as TBatchSettings::level: below 4 passwords hold printable ASCII only
  bool openPasswordBox = false;
  bool openPasswordAuto = false;
  std::u16string openPasswordText;
  bool restrictionsBox = false;
  bool restrictionsAuto = false;
  std::u16string restrictionsText;
  // Sides whose passwords come from a password list, one per file: on, and not typed.
  bool openPasswordListed = false;
  bool restrictionsListed = false;
  std::u16string outputFolder;
  std::u16string passwordFilePath;
  bool keepMetadataReadable = false;  // as TBatchSettings::keepMetadataReadable
};

// The first rule the input breaks, or nothing when the batch may start.
std::optional<TValidationFailure> ValidateBatch(const TValidationInput& input);

// The rules of ValidateBatch about the protection the copies get (the passwords and the password
// file), for a batch whose files and output folder are chosen elsewhere.
std::optional<TValidationFailure> ValidateNewProtection(const TValidationInput& input);

// Why a new password cannot be used, or nothing: a NUL, a line end, a tab or another control
// character inside it (U+0000 to U+001F, U+007F to U+009F, U+2028, U+2029) makes a password that
// no reader's password field lets anyone type, so the copy would open nowhere. The words follow
// "the open password ...", e.g. "holds a control character (U+000A, a line end), which no reader
// lets anyone type". Every source of new passwords calls it (typed, file, environment, list);
// passwords that open inputs are taken as they are.
std::optional<std::u16string> NewPasswordFault(std::u16string_view password);

// Whether the level (as TBatchSettings::level) holds the password: 256-bit AES holds any text;
// below it only printable ASCII, since readers turn other characters into bytes of their own and
// some of them would not open the copy.
bool LevelHoldsPassword(std::int32_t level, std::u16string_view password);

// A usable password file path: it ends in ".csv" (any case) and its folder part names an existing
// folder. A bare file name has no folder part and is refused.
bool PasswordFilePathIsValid(std::u16string_view path);

}  // namespace ombrelt::app

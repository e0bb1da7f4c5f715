#pragma once
// What a batch encryption uses, taken once from the window (or the command line) when the batch
// starts and only read afterwards, so the job never touches a control.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ombrelt::app {

// The text with leading and trailing blanks and control characters (U+0000 ... U+0020) removed,
// as the window trims what users type.
std::u16string TrimText(std::u16string_view text);

enum class TPasswordMode {
  kNone,       // the password's box is off: the password is empty
  kTyped,      // box on, auto off: the typed text
  kGenerated,  // box on, auto on: a fresh password for every file
  kListed,     // each file's password from its line in the password list (TBatchSettings::passwordListPath)
};

// The mode of one password from its two check boxes. An auto option that stays ticked while its
// password box is off does not make a password (it still asks for the password file).
TPasswordMode PasswordModeOf(bool boxChecked, bool autoChecked);

// One side of the password settings dialog: the arguments of CreatePassword.
struct TGeneratorSettings {
  std::u16string lengthText = u"8";
  bool numeric = true;
  bool alphabet = true;
  bool specialCharacters = false;
  bool lowerCase = false;
};

struct TPasswordSettings {
  TPasswordMode mode = TPasswordMode::kNone;
  std::u16string typed;  // used in kTyped mode; trimmed by NormalisedSettings
  TGeneratorSettings generator;
};

enum class TNamingMode {
  kSuffix,  // folder / base name + suffix + ".pdf"
  kKeep,    // folder / the input's own file name
  kNamed,   // folder / outputName: a caller that names the single output itself (the command line's -o)
};

// Defaults here and below are the window's initial state.
struct TPermissionFlags {
  bool print = false;
  bool highQualityPrint = true;  // counts only when print is allowed
  bool copy = false;
  bool change = false;
  bool annotations = false;
  bool formFilling = false;
  bool accessibility = false;
  bool assembling = false;
};

// What the batch makes of each file.
enum class TOperation {
  kEncrypt,  // an encrypted copy; an input encrypted already is encrypted anew when currentPassword opens it
  kDecrypt,  // a copy in clear of an encrypted input
};

// How the batch opens inputs that are encrypted already.
struct TCurrentPasswordSettings {
  enum class TKind {
    kNone,    // encrypted inputs are refused, as the window refuses them
    kTyped,   // one password for every file, taken as it is
    kLedger,  // the passwords of each file's lines in a password file (see TPasswordList)
  };
  TKind kind = TKind::kNone;
  std::u16string typed;
  std::u16string ledgerPath;
};

struct TBatchSettings {
  TOperation operation = TOperation::kEncrypt;
  TCurrentPasswordSettings currentPassword;
  std::u16string passwordListPath;  // where kListed passwords come from
  // 0 = 40-bit RC4, 1 = 128-bit RC4, 2 = 128-bit AES, 4 = 256-bit AES (the window never uses 3).
  std::int32_t level = 1;
  TPermissionFlags permissions;
  TPasswordSettings openPassword;          // the user password
  TPasswordSettings restrictionsPassword;  // the owner password
  TNamingMode naming = TNamingMode::kSuffix;
  std::u16string suffix = u"_Secure";  // trimmed by NormalisedSettings; may be empty
  std::u16string outputName;           // kNamed only: a file name without folder, used as it is
  std::u16string outputFolder;  // as typed: the job uses it unchanged
  bool passwordFileWanted = false;  // either auto option ticked, whether or not its box is
  std::u16string passwordFilePath;
  std::vector<std::u16string> files;  // full paths, in list order
  // Reopen every output with its recorded passwords before it counts. The window always verifies;
  // only the command line may turn it off.
  bool verify = true;
  // Leave the document's XMP metadata unencrypted (/EncryptMetadata false), for search tools.
  bool cleartextMetadata = false;
};

// The settings as the job uses them: typed passwords and the suffix trimmed, high-quality printing
// off whenever printing is. Idempotent; the job applies it itself, so callers may fill in raw texts.
TBatchSettings NormalisedSettings(TBatchSettings settings);

// The input's file name without its folder and without the part from its last "." on.
std::u16string BaseName(std::u16string_view inputPath);

// Where the job writes the encrypted copy of inputPath. A folder typed with a trailing "/" does not
// get a second one.
std::u16string OutputPathFor(const TBatchSettings& settings, std::u16string_view inputPath);

}  // namespace ombrelt::app

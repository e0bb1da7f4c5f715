#pragma once
// The command line of ombreltenc-cli as settings structs: which command, its options and operands.
// Parsing looks at nothing but the arguments (no file is opened here), so every mistake it reports
// is a usage error the user can fix by retyping the command.

#include <stdexcept>
#include <string>
#include <vector>

namespace cli {

// A mistake in the arguments; the program prints it with the short usage and exits with 2.
class TUsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where a password comes from. Never the command line itself: other users of the machine can read
// every process's arguments.
struct TPasswordSource {
  enum class TKind { None, File, Environment };
  TKind Kind = TKind::None;
  std::string Name;  // the file ("-" for standard input) or the environment variable

  bool operator==(const TPasswordSource&) const = default;
};

struct TInspectSettings {
  bool Json = false;
  TPasswordSource Password;
  std::vector<std::string> Files;
  std::string Ledger;  // a password file whose lines for each file are tried in turn

  bool operator==(const TInspectSettings&) const = default;
};

enum class TEncryptionLevel { RC4_40, RC4_128, AES_128, AES_256 };

struct TPermissions {
  bool Print = true;
  bool PrintHighQuality = true;
  bool Copy = true;
  bool Change = true;
  bool Annotate = true;
  bool FillForms = true;
  bool Accessibility = true;
  bool Assemble = true;

  static TPermissions All() { return {}; }
  static TPermissions None() { return {false, false, false, false, false, false, false, false}; }
  bool operator==(const TPermissions&) const = default;
};

// A fresh random password for every file, instead of one typed password for all of them. The
// defaults are the desktop window's: letters and digits, 8 characters, capitals.
struct TGeneratorOptions {
  bool Auto = false;  // --open-password-auto / --owner-password-auto
  int Length = 8;
  bool Digits = true;
  bool Letters = true;
  bool Specials = false;
  bool Lower = false;

  bool operator==(const TGeneratorOptions&) const = default;
};

struct TEncryptSettings {
  TEncryptionLevel Level = TEncryptionLevel::AES_256;
  std::string OutputFolder;  // set for --output-dir
  std::string OutputFile;    // set for -o
  TPasswordSource OpenPassword;
  TPasswordSource OwnerPassword;
  TGeneratorOptions OpenGenerator;
  TGeneratorOptions OwnerGenerator;
  std::string PasswordFile;  // the CSV that records every copy's passwords; empty for none
  // How inputs encrypted already are opened, to be encrypted anew; with neither they are refused.
  TPasswordSource InputPassword;
  std::string InputLedger;
  // A CSV in the password file's form giving each file its own passwords.
  std::string PasswordsFrom;
  int Jobs = 0;              // files encrypted at once; 0 for one per processor core
  bool Verify = true;        // reopen every copy with its passwords before it counts
  // Everything is granted unless --allow restricts it: encrypting for confidentiality (an open
  // password) should not silently forbid printing or copying.
  TPermissions Allow = TPermissions::All();
  std::string Suffix = "_Secure";
  bool KeepName = false;
  bool Recursive = false;
  bool CleartextMetadata = false;  // leave the copies' XMP metadata readable (AES levels only)
  std::vector<std::string> Inputs;  // files and folders, as given

  bool operator==(const TEncryptSettings&) const = default;
};

struct TDecryptSettings {
  TPasswordSource Password;  // one password for every file
  std::string Ledger;        // or each file's lines in a password file
  std::string OutputFolder;
  std::string OutputFile;
  std::string Suffix;     // set for --suffix; otherwise the copies keep the inputs' names
  bool SuffixGiven = false;
  int Jobs = 0;
  bool Verify = true;
  bool Recursive = false;
  std::vector<std::string> Inputs;

  bool operator==(const TDecryptSettings&) const = default;
};

struct TCommandLine {
  enum class TCommand { Help, Version, Inspect, Encrypt, Decrypt };
  TCommand Command = TCommand::Help;
  TInspectSettings Inspect;
  TEncryptSettings Encrypt;
  TDecryptSettings Decrypt;
};

// arguments: everything after the program name. Throws TUsageError.
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);
// The decrypt command's arguments (arguments[0] is "decrypt"). Throws TUsageError.
TDecryptSettings ParseDecrypt(const std::vector<std::string>& arguments, bool& help);

// Parses the value of --allow ("print,copy", "all", "none"). Throws TUsageError.
TPermissions ParsePermissions(const std::string& list);

// The full text of --help, and the two lines printed after a usage error.
const std::string& HelpText();
const std::string& ShortUsage();

// The facade's strength number of a level.
int FacadeStrength(TEncryptionLevel level);
const char* LevelName(TEncryptionLevel level);

}  // namespace cli

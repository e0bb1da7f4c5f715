#include "cli/CommandLine.h"

#include <algorithm>
#include <array>
#include <optional>
#include <set>
#include <string_view>
#include <utility>

#include "app/core/PasswordGenerator.h"
#include "cli/ArgumentWalk.h"

namespace cli {

namespace {

const std::string kHelpText =
    R"(Usage:
  ombreltenc-cli encrypt [OPTIONS] (--output-dir DIR | -o FILE) FILE_OR_FOLDER...
  ombreltenc-cli decrypt (--password-file F | --password-env VAR | --ledger LIST.csv)
                 (--output-dir DIR | -o FILE) [OPTIONS] FILE_OR_FOLDER...
  ombreltenc-cli inspect [--json] [--password-file F | --password-env VAR | --ledger LIST.csv] FILE...
  ombreltenc-cli --help | --version

encrypt: writes an encrypted copy of each PDF file. A folder contributes its *.pdf files
(in name order); already encrypted, unreadable and page-less files are refused. A signed
file, or one that claims PDF/A, is encrypted with a warning on standard error: the copy's
signatures no longer verify, and an encrypted file is never PDF/A.
  --level LEVEL              rc4-40, rc4-128, aes-128 or aes-256 (default aes-256); the
                             RC4 levels are weak and deprecated since PDF 2.0 (a warning)
  --output-dir DIR           write the copies into DIR (created if missing)
  -o FILE                    write the copy of the single input file to FILE
  --open-password-file F     the password needed to open the copies, read from file F
  --open-password-env VAR    ... or from the environment variable VAR
  --open-password-auto       ... or a fresh generated password for every copy
  --owner-password-file F    the password that lifts the restrictions, read from file F
  --owner-password-env VAR   ... or from the environment variable VAR
  --owner-password-auto      ... or a fresh generated password for every copy
  --password-file F.csv      record every copy's passwords in the CSV file F.csv (needed
                             with an -auto option; its folder must exist)
  --allow LIST               what readers may do: a comma-separated list of print,
                             print-high (full quality, implies print), copy, change,
                             annotate, fill-forms, accessibility, assemble; or all,
                             or none (default all)
  --suffix TEXT              output name: input name without extension + TEXT + .pdf
                             (default _Secure)
  --keep-name                output name: the input's name
  --recursive                also take the PDF files of subfolders
  --jobs N                   encrypt N files at once (default: one per processor core)
  --no-verify                skip reopening every copy with its passwords before it counts
  --cleartext-metadata       keep the copies' XMP metadata readable without a password, for
                             search tools and document stores (aes-128 and aes-256 only)
  --input-password-file F    encrypt inputs that are encrypted already anew (new level,
                             passwords and permissions), opening them with the password
                             in file F; it must be their owner password, or their open
                             password when they grant every permission
  --input-password-env VAR   ... or the password in the environment variable VAR
  --input-ledger LIST.csv    ... or the passwords of each file's lines in LIST.csv, a
                             password file an earlier run wrote
  --passwords-from LIST.csv  each file's own passwords from its line in LIST.csv, a CSV in
                             the password file's form; the line's "File Name" is the
                             input's name without extension (or its "File Path" the
                             input's path); an empty field means no such password, and a
                             file without a line fails. A side the list has a column for
                             may not also be given by a password option. A malformed list
                             (a line with another number of fields than the header, an
                             unclosed quote, a control character in a password) or two
                             different lines for one file stop the run before it starts
At least one password is needed. Without an open password the copies open freely and only
the restrictions of --allow apply; without an owner password the open password lifts them.

Generated passwords, for each side (--open-... or --owner-...) that has -password-auto:
  --open-length N            N characters, 1 to 99999 (default 8)
  --open-chars LIST          drawn from digits, letters, specials: a comma-separated list
                             (default digits,letters; letters leave out I and O, specials
                             are !?/*+-@#$)
  --open-lower               letters in lower case
  --owner-length N, --owner-chars LIST, --owner-lower    the same for the owner password
The password file gets one line per encrypted copy: "File Name","Open Password",
"Owner Password","File Path" (CSV, UTF-8), with typed passwords too. Lines are added to an
existing file, in list order, and each is on disk before its copy appears.
  Example: ombreltenc-cli encrypt --passwords-from staff.csv --output-dir out payslips/
  with staff.csv holding "File Name","Open Password" and "payslip_ann","ann's secret".

decrypt: writes a copy in clear (not encrypted) of each encrypted PDF file, under the input's
name unless --suffix is given. The password must be the file's owner password, or its open
password when the file grants every permission; with --ledger, the passwords of the lines
that name the file (by its path, or by a "File Name" that its name begins with, so that
report_Secure.pdf finds "report"; newest line first) are tried in turn.
  --password-file F, --password-env VAR   the password of every file
  --ledger LIST.csv          the password file an encrypt run wrote
  --output-dir DIR, -o FILE, --suffix TEXT, --keep-name, --recursive, --jobs N, --no-verify
                             as for encrypt
  Example: ombreltenc-cli decrypt --ledger passwords.csv --output-dir clear secured/

inspect: prints page count, PDF version, encryption, document information, whether the file
is signed, the PDF/A conformance it claims, what reading a damaged file took and the
security settings of each file: the security handler, level and key length, whether a user
password is needed, whether an owner password apart from the open one exists, what each
permission allows and, at 256-bit AES, whether /Perms agrees with /P. An encrypted file that
no password given opens fails, and still shows the settings its encryption dictionary tells
without a password. --json prints one JSON object per file and line ("signed": true or
false, "pdfa": "PDF/A-1B" or the like, or null; "repaired": what reading a damaged file
took, such as "object table rebuilt by scanning the file", or null; under "security",
"key_bits", "filter" and "perms_agree" beside the coded items).
  --password-file F, --password-env VAR   the password for encrypted files
  --ledger LIST.csv                       or the passwords of each file's lines in LIST.csv

Passwords are never taken from the command line, where other users can read them. A password
file holds the password in UTF-8; one line end at its end is ignored; "-" reads standard input.
A new password holding a control character (NUL, a tab, an inner line end) is refused: no
reader lets anyone type it.

Ctrl-C (or SIGTERM) stops encrypt or decrypt after the copies being written; a second Ctrl-C stops it at
once, leaving no partial copy under an output name. Every input still gets its status line:
those never started say "Failed! not started:" and why the run stopped.

Exit status: 0 every file succeeded, 1 some file failed or the run was stopped, 2 usage error
or a password (or password list) that cannot be read or used.
)";

const std::string kShortUsage =
    "Usage: ombreltenc-cli encrypt [OPTIONS] (--output-dir DIR | -o FILE) FILE_OR_FOLDER...\n"
    "       ombreltenc-cli decrypt (--password-file F | --password-env VAR | --ledger LIST.csv) ...\n"
    "       ombreltenc-cli inspect [--json] [--password-file F | --password-env VAR] FILE...\n"
    "Try 'ombreltenc-cli --help' for more.\n";

struct TPermissionName {
  std::string_view Name;
  bool TPermissions::*Flag;
};

constexpr std::array<TPermissionName, 8> kPermissionNames = {{
    {"print", &TPermissions::Print},
    {"print-high", &TPermissions::PrintHighQuality},
    {"copy", &TPermissions::Copy},
    {"change", &TPermissions::Change},
    {"annotate", &TPermissions::Annotate},
    {"fill-forms", &TPermissions::FillForms},
    {"accessibility", &TPermissions::Accessibility},
    {"assemble", &TPermissions::Assemble},
}};

struct TLevelName {
  std::string_view Name;
  TEncryptionLevel Level;
  int Strength;
};

// Strength 3 (256-bit AES of revision 5) is left out: that revision is deprecated and weaker than 6.
constexpr std::array<TLevelName, 4> kLevels = {{
    {"rc4-40", TEncryptionLevel::RC4_40, 0},
    {"rc4-128", TEncryptionLevel::RC4_128, 1},
    {"aes-128", TEncryptionLevel::AES_128, 2},
    {"aes-256", TEncryptionLevel::AES_256, 4},
}};

TEncryptionLevel ParseLevel(const std::string& text) {
  for (const TLevelName& level : kLevels) {
    if (text == level.Name) return level.Level;
  }
  throw TUsageError("unknown level '" + text + "' (rc4-40, rc4-128, aes-128 or aes-256)");
}

TInspectSettings ParseInspect(const std::vector<std::string>& arguments, bool& help) {
  TInspectSettings settings;
  TArgumentWalk walk(arguments, 1);
  while (const std::optional<std::string> option = walk.NextOption(settings.Files)) {
    const std::string& name = *option;
    if (ParseCurrentPasswordOption({"--", "--ledger", "inspection"}, name, walk, settings.Password, settings.Ledger)) {
      continue;
    }
    if (name == "--help" || name == "-h") {
      help = true;
    } else if (name == "--json") {
      walk.NoValue(name);
      settings.Json = true;
    } else {
      RefuseUnknownOption(name, "--password-file F or --password-env VAR");
    }
  }
  if (!help && settings.Files.empty()) throw TUsageError("inspect needs at least one file");
  if (!settings.Ledger.empty() && settings.Password.Kind != TPasswordSource::TKind::None) {
    throw TUsageError("give a password or a ledger, not both");
  }
  return settings;
}

struct TCharacterClass {
  std::string_view Name;
  bool TGeneratorOptions::*Flag;
};

constexpr std::array<TCharacterClass, 3> kCharacterClasses = {{
    {"digits", &TGeneratorOptions::Digits},
    {"letters", &TGeneratorOptions::Letters},
    {"specials", &TGeneratorOptions::Specials},
}};

// "digits,letters,specials" or part of it: the classes a generated password draws from.
void ParseCharacterClasses(const std::string& name, const std::string& list, TGeneratorOptions& generator) {
  for (const TCharacterClass& characterClass : kCharacterClasses) generator.*characterClass.Flag = false;
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::string_view item(list.data() + start, comma - start);
    start = comma + 1;
    const auto known = std::find_if(kCharacterClasses.begin(), kCharacterClasses.end(),
                                    [&](const TCharacterClass& characterClass) { return characterClass.Name == item; });
    if (known == kCharacterClasses.end()) {
      throw TUsageError("unknown character class '" + std::string(item) + "' in " + name +
                        " (digits, letters, specials)");
    }
    generator.*known->Flag = true;
  }
}

void CheckEncryptSettings(const TEncryptSettings& settings, bool suffixGiven) {
  using TKind = TPasswordSource::TKind;
  if (settings.Inputs.empty()) throw TUsageError("encrypt needs at least one file or folder");
  CheckOutputOptions({settings.Inputs, settings.OutputFolder, settings.OutputFile, settings.Suffix, suffixGiven,
                      settings.KeepName, settings.Recursive});
  const auto given = [](const TPasswordSource& source, const TGeneratorOptions& generator) {
    return source.Kind != TKind::None || generator.Auto;
  };
  if (!given(settings.OpenPassword, settings.OpenGenerator) &&
      !given(settings.OwnerPassword, settings.OwnerGenerator) && settings.PasswordsFrom.empty()) {
    throw TUsageError(
        "give an open password, an owner password or both (--open-password-file F, "
        "--owner-password-file F, their -env forms, or --open-password-auto and "
        "--owner-password-auto for generated ones)");
  }
  const auto fromStandardInput = [](const TPasswordSource& source) {
    return source.Kind == TKind::File && source.Name == "-";
  };
  const int fromInput = fromStandardInput(settings.OpenPassword) + fromStandardInput(settings.OwnerPassword) +
                        fromStandardInput(settings.InputPassword);
  if (fromInput > 1) throw TUsageError("only one password can be read from standard input");
  if (settings.InputPassword.Kind != TKind::None && !settings.InputLedger.empty()) {
    throw TUsageError("give --input-password-file, --input-password-env or --input-ledger, not two of them");
  }
}

// The options that exist once for each password: --open-... and --owner-...
struct TPasswordSide {
  std::string_view Prefix;  // "--open-" or "--owner-"
  std::string_view Word;    // "open" or "owner"
  TPasswordSource TEncryptSettings::*Source;
  TGeneratorOptions TEncryptSettings::*Generator;
};

constexpr std::array<TPasswordSide, 2> kPasswordSides = {{
    {"--open-", "open", &TEncryptSettings::OpenPassword, &TEncryptSettings::OpenGenerator},
    {"--owner-", "owner", &TEncryptSettings::OwnerPassword, &TEncryptSettings::OwnerGenerator},
}};

// Handles one of side's options; false when name is none of them. tuning receives the name of the
// first generator option given, which is only meaningful with the side's -password-auto.
bool ParseSideOption(const TPasswordSide& side, const std::string& name, TArgumentWalk& walk,
                     TEncryptSettings& settings, std::string& tuning) {
  using TKind = TPasswordSource::TKind;
  if (!name.starts_with(side.Prefix)) return false;
  const std::string_view option = std::string_view(name).substr(side.Prefix.size());
  TPasswordSource& source = settings.*side.Source;
  TGeneratorOptions& generator = settings.*side.Generator;
  if (option == "password-file") {
    SetPasswordSource(source, TKind::File, name, walk.Value(name), side.Word);
    return true;
  }
  if (option == "password-env") {
    SetPasswordSource(source, TKind::Environment, name, walk.Value(name), side.Word);
    return true;
  }
  if (option == "password-auto") {
    walk.NoValue(name);
    generator.Auto = true;
    return true;
  }
  if (option == "length") {
    generator.Length = WholeNumber(name, walk.Value(name), 1, ombrelt::app::kMaxPasswordLength);
  } else if (option == "chars") {
    ParseCharacterClasses(name, walk.Value(name), generator);
  } else if (option == "lower") {
    walk.NoValue(name);
    generator.Lower = true;
  } else {
    return false;
  }
  if (tuning.empty()) tuning = name;
  return true;
}

// A side's password is typed or generated, not both; generator options need the generator.
void CheckSide(const TPasswordSide& side, const TEncryptSettings& settings, const std::string& tuning) {
  const bool automatic = (settings.*side.Generator).Auto;
  const std::string prefix(side.Prefix);
  if (automatic && (settings.*side.Source).Kind != TPasswordSource::TKind::None) {
    throw TUsageError("the " + std::string(side.Word) + " password is given twice (" + prefix + "password-auto and a " +
                      "password file or variable)");
  }
  if (!automatic && !tuning.empty()) throw TUsageError(tuning + " applies only with " + prefix + "password-auto");
}

TEncryptSettings ParseEncrypt(const std::vector<std::string>& arguments, bool& help) {
  TEncryptSettings settings;
  bool suffixGiven = false;
  std::array<std::string, kPasswordSides.size()> tuning;
  TArgumentWalk walk(arguments, 1);
  while (const std::optional<std::string> option = walk.NextOption(settings.Inputs)) {
    const std::string& name = *option;
    if (ParseSideOption(kPasswordSides[0], name, walk, settings, tuning[0]) ||
        ParseSideOption(kPasswordSides[1], name, walk, settings, tuning[1])) {
      continue;
    }
    if (name == "--help" || name == "-h") {
      help = true;
    } else if (name == "--level") {
      settings.Level = ParseLevel(walk.Value(name));
    } else if (name == "--output-dir") {
      settings.OutputFolder = NonEmpty(name, walk.Value(name));
    } else if (name == "-o") {
      settings.OutputFile = NonEmpty(name, walk.Value(name));
    } else if (name == "--password-file") {
      settings.PasswordFile = NonEmpty(name, walk.Value(name));
    } else if (ParseCurrentPasswordOption({"--input-", "--input-ledger", "input"}, name, walk, settings.InputPassword,
                                          settings.InputLedger)) {
      continue;
    } else if (name == "--passwords-from") {
      settings.PasswordsFrom = NonEmpty(name, walk.Value(name));
    } else if (name == "--jobs") {
      settings.Jobs = WholeNumber(name, walk.Value(name), 1, kMaxJobs);
    } else if (name == "--no-verify") {
      walk.NoValue(name);
      settings.Verify = false;
    } else if (name == "--allow") {
      settings.Allow = ParsePermissions(walk.Value(name));
    } else if (name == "--suffix") {
      settings.Suffix = walk.Value(name);
      suffixGiven = true;
    } else if (name == "--keep-name") {
      walk.NoValue(name);
      settings.KeepName = true;
    } else if (name == "--recursive") {
      walk.NoValue(name);
      settings.Recursive = true;
    } else if (name == "--cleartext-metadata") {
      walk.NoValue(name);
      settings.CleartextMetadata = true;
    } else {
      RefuseUnknownOption(name, "--open-password-file F or --open-password-env VAR (and the --owner-password forms)");
    }
  }
  if (!help) {
    CheckEncryptSettings(settings, suffixGiven);
    for (std::size_t side = 0; side < kPasswordSides.size(); ++side)
      CheckSide(kPasswordSides[side], settings, tuning[side]);
  }
  return settings;
}

}  // namespace

TPermissions ParsePermissions(const std::string& list) {
  if (list == "all") return TPermissions::All();
  if (list == "none") return TPermissions::None();
  TPermissions permissions = TPermissions::None();
  std::size_t start = 0;
  while (start <= list.size()) {
    const std::size_t comma = std::min(list.find(',', start), list.size());
    const std::string_view item(list.data() + start, comma - start);
    start = comma + 1;
    if (item == "all" || item == "none") throw TUsageError("--allow " + std::string(item) + " must stand alone");
    bool known = false;
    for (const TPermissionName& permission : kPermissionNames) {
      if (item != permission.Name) continue;
      permissions.*permission.Flag = true;
      known = true;
    }
    if (!known) {
      throw TUsageError("unknown permission '" + std::string(item) +
                        "' in --allow (print, print-high, copy, change, annotate, fill-forms, accessibility, "
                        "assemble, all, none)");
    }
  }
  // Printing at full quality is a kind of printing: asking for it alone means asking for both.
  if (permissions.PrintHighQuality) permissions.Print = true;
  return permissions;
}

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  TCommandLine line;
  if (arguments.empty()) throw TUsageError("no command given");
  const std::string& command = arguments.front();
  bool help = false;
  if (command == "--help" || command == "-h" || command == "help") {
    help = true;
  } else if (command == "--version") {
    if (arguments.size() > 1) throw TUsageError("--version takes nothing after it");
    line.Command = TCommandLine::TCommand::Version;
    return line;
  } else if (command == "inspect") {
    line.Command = TCommandLine::TCommand::Inspect;
    line.Inspect = ParseInspect(arguments, help);
  } else if (command == "encrypt") {
    line.Command = TCommandLine::TCommand::Encrypt;
    line.Encrypt = ParseEncrypt(arguments, help);
  } else if (command == "decrypt") {
    line.Command = TCommandLine::TCommand::Decrypt;
    line.Decrypt = ParseDecrypt(arguments, help);
  } else {
    if (command.starts_with("-")) RefuseUnknownOption(command.substr(0, command.find('=')), "a password file or variable");
    throw TUsageError("unknown command '" + command + "' (encrypt, decrypt or inspect)");
  }
  if (help) line.Command = TCommandLine::TCommand::Help;
  return line;
}

const std::string& HelpText() { return kHelpText; }
const std::string& ShortUsage() { return kShortUsage; }

int FacadeStrength(TEncryptionLevel level) {
  for (const TLevelName& entry : kLevels) {
    if (entry.Level == level) return entry.Strength;
  }
  return -1;
}

const char* LevelName(TEncryptionLevel level) {
  for (const TLevelName& entry : kLevels) {
    if (entry.Level == level) return entry.Name.data();
  }
  return "?";
}

}  // namespace cli

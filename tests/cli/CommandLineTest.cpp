// Argument vectors of ombreltenc-cli turn into the settings they describe, or into a usage error
// that names the mistake (and never repeats a password typed on the command line).

#include "cli/CommandLine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace cli {
namespace {

using TKind = TPasswordSource::TKind;
using Args = std::vector<std::string>;

TPermissions Only(std::initializer_list<bool TPermissions::*> flags) {
  TPermissions permissions = TPermissions::None();
  for (const auto flag : flags) permissions.*flag = true;
  return permissions;
}

struct EncryptCase {
  std::string name;
  Args arguments;  // after "encrypt"
  // Changes to the settings of "--output-dir out --open-password-file pw a.pdf" with nothing else.
  std::function<void(TEncryptSettings&)> change;
};

TEncryptSettings BaseSettings() {
  TEncryptSettings settings;
  settings.OutputFolder = "out";
  settings.OpenPassword = {TKind::File, "pw"};
  settings.Inputs = {"a.pdf"};
  return settings;
}

const Args kBase = {"--output-dir", "out", "--open-password-file", "pw", "a.pdf"};

Args Plus(Args extra) {
  Args arguments = kBase;
  arguments.insert(arguments.end(), extra.begin(), extra.end());
  return arguments;
}

// A whole command line: "encrypt", the base arguments, then extra.
Args EncryptWith(Args extra) {
  Args arguments = Plus(std::move(extra));
  arguments.insert(arguments.begin(), "encrypt");
  return arguments;
}

const EncryptCase kEncryptCases[] = {
    {"defaults", kBase, [](TEncryptSettings&) {}},
    {"rc4-40", Plus({"--level", "rc4-40"}), [](auto& s) { s.Level = TEncryptionLevel::RC4_40; }},
    {"rc4-128 with =", Plus({"--level=rc4-128"}), [](auto& s) { s.Level = TEncryptionLevel::RC4_128; }},
    {"aes-128", Plus({"--level", "aes-128"}), [](auto& s) { s.Level = TEncryptionLevel::AES_128; }},
    {"aes-256", Plus({"--level", "aes-256"}), [](auto&) {}},
    {"allow list", Plus({"--allow", "copy,annotate,assemble"}),
     [](auto& s) { s.Allow = Only({&TPermissions::Copy, &TPermissions::Annotate, &TPermissions::Assemble}); }},
    {"allow print-high implies print", Plus({"--allow=print-high"}),
     [](auto& s) { s.Allow = Only({&TPermissions::Print, &TPermissions::PrintHighQuality}); }},
    {"allow print alone is low quality", Plus({"--allow", "print"}),
     [](auto& s) { s.Allow = Only({&TPermissions::Print}); }},
    {"allow the rest", Plus({"--allow", "change,fill-forms,accessibility"}),
     [](auto& s) { s.Allow = Only({&TPermissions::Change, &TPermissions::FillForms, &TPermissions::Accessibility}); }},
    {"allow none", Plus({"--allow", "none"}), [](auto& s) { s.Allow = TPermissions::None(); }},
    {"allow all", Plus({"--allow", "all"}), [](auto&) {}},
    {"suffix starting with a dash", Plus({"--suffix", "-enc"}), [](auto& s) { s.Suffix = "-enc"; }},
    {"empty suffix", Plus({"--suffix="}), [](auto& s) { s.Suffix = ""; }},
    {"keep name, recursive, several inputs", Plus({"--keep-name", "--recursive", "folder"}),
     [](auto& s) {
       s.KeepName = true;
       s.Recursive = true;
       s.Inputs.push_back("folder");
     }},
    {"metadata kept readable", Plus({"--cleartext-metadata"}), [](auto& s) { s.CleartextMetadata = true; }},
    {"owner password from the environment", Plus({"--owner-password-env", "OWNER"}),
     [](auto& s) { s.OwnerPassword = {TKind::Environment, "OWNER"}; }},
    {"standard input for one password", {"--output-dir", "out", "--owner-password-file", "-", "a.pdf"},
     [](auto& s) {
       s.OpenPassword = {};
       s.OwnerPassword = {TKind::File, "-"};
     }},
    {"operands after -- may look like options", Plus({"--", "--odd.pdf", "-"}),
     [](auto& s) { s.Inputs = {"a.pdf", "--odd.pdf", "-"}; }},
    {"generated owner password with every generator option",
     Plus({"--owner-password-auto", "--owner-length", "12", "--owner-chars", "digits,specials", "--owner-lower",
           "--password-file", "p.csv"}),
     [](auto& s) {
       s.OwnerGenerator = {true, 12, true, false, true, true};
       s.PasswordFile = "p.csv";
     }},
    {"both generated with the defaults, jobs, no verification",
     {"--output-dir", "out", "--open-password-auto", "--owner-password-auto", "--password-file=p.csv", "--jobs", "3",
      "--no-verify", "a.pdf"},
     [](auto& s) {
       s.OpenPassword = {};
       s.OpenGenerator.Auto = true;
       s.OwnerGenerator.Auto = true;
       s.PasswordFile = "p.csv";
       s.Jobs = 3;
       s.Verify = false;
     }},
    {"one character class, repeated", Plus({"--owner-password-auto", "--owner-chars=letters,letters"}),
     [](auto& s) { s.OwnerGenerator = {true, 8, false, true, false, false}; }},
    {"single output file", {"-o", "b.pdf", "--open-password-env", "OPEN", "a.pdf"},
     [](auto& s) {
       s.OutputFolder.clear();
       s.OutputFile = "b.pdf";
       s.OpenPassword = {TKind::Environment, "OPEN"};
     }},
};

TEST(CommandLineEncrypt, ArgumentsBecomeSettings) {
  for (const EncryptCase& c : kEncryptCases) {
    SCOPED_TRACE(c.name);
    Args arguments = {"encrypt"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const TCommandLine line = ParseCommandLine(arguments);
    TEncryptSettings expected = BaseSettings();
    c.change(expected);
    ASSERT_EQ(line.Command, TCommandLine::TCommand::Encrypt);
    EXPECT_TRUE(line.Encrypt == expected);
  }
}

TEST(CommandLineEncrypt, LevelsMapToFacadeStrengths) {
  // Strength 3 (AES-256 revision 5) is deprecated and never chosen.
  const std::pair<TEncryptionLevel, int> levels[] = {{TEncryptionLevel::RC4_40, 0},
                                                     {TEncryptionLevel::RC4_128, 1},
                                                     {TEncryptionLevel::AES_128, 2},
                                                     {TEncryptionLevel::AES_256, 4}};
  for (const auto& [level, strength] : levels) EXPECT_EQ(FacadeStrength(level), strength) << LevelName(level);
}

TEST(CommandLineInspect, ArgumentsBecomeSettings) {
  const TCommandLine plain = ParseCommandLine({"inspect", "a.pdf", "b.pdf"});
  ASSERT_EQ(plain.Command, TCommandLine::TCommand::Inspect);
  EXPECT_TRUE(plain.Inspect == (TInspectSettings{false, {}, {"a.pdf", "b.pdf"}, ""}));

  const TCommandLine json = ParseCommandLine({"inspect", "a.pdf", "--json", "--password-env", "PW"});
  EXPECT_TRUE(json.Inspect == (TInspectSettings{true, {TKind::Environment, "PW"}, {"a.pdf"}, ""}));

  const TCommandLine file = ParseCommandLine({"inspect", "--password-file=-", "a.pdf"});
  EXPECT_TRUE(file.Inspect == (TInspectSettings{false, {TKind::File, "-"}, {"a.pdf"}, ""}));

  const TCommandLine ledger = ParseCommandLine({"inspect", "--ledger", "l.csv", "a.pdf"});
  EXPECT_TRUE(ledger.Inspect == (TInspectSettings{false, {}, {"a.pdf"}, "l.csv"}));
}

TEST(CommandLineDecrypt, ArgumentsBecomeSettings) {
  const TCommandLine line = ParseCommandLine(
      {"decrypt", "--password-env", "PW", "--output-dir", "out", "--suffix", "_clear", "--jobs", "3", "a.pdf", "dir"});
  ASSERT_EQ(line.Command, TCommandLine::TCommand::Decrypt);
  TDecryptSettings expected;
  expected.Password = {TKind::Environment, "PW"};
  expected.OutputFolder = "out";
  expected.Suffix = "_clear";
  expected.SuffixGiven = true;
  expected.Jobs = 3;
  expected.Inputs = {"a.pdf", "dir"};
  EXPECT_TRUE(line.Decrypt == expected);

  const TCommandLine ledger = ParseCommandLine({"decrypt", "--ledger", "l.csv", "-o", "x.pdf", "a.pdf"});
  EXPECT_EQ(ledger.Decrypt.Ledger, "l.csv");
  EXPECT_EQ(ledger.Decrypt.OutputFile, "x.pdf");
  EXPECT_FALSE(ledger.Decrypt.SuffixGiven);
}

TEST(CommandLine, HelpAndVersion) {
  const std::pair<Args, TCommandLine::TCommand> cases[] = {
      {{"--help"}, TCommandLine::TCommand::Help},
      {{"help"}, TCommandLine::TCommand::Help},
      {{"-h"}, TCommandLine::TCommand::Help},
      // Help of a command wins over its missing operands.
      {{"encrypt", "--help"}, TCommandLine::TCommand::Help},
      {{"inspect", "-h"}, TCommandLine::TCommand::Help},
      {{"--version"}, TCommandLine::TCommand::Version},
  };
  for (const auto& [arguments, command] : cases) {
    EXPECT_EQ(ParseCommandLine(arguments).Command, command) << arguments.front();
  }
  EXPECT_NE(HelpText().find("default all"), std::string::npos) << "the permission default must be documented";
}

std::string Joined(const Args& arguments) {
  std::string joined;
  for (const std::string& argument : arguments) joined += argument + " ";
  return joined;
}

struct UsageCase {
  Args arguments;
  std::string message;  // part of the error text
};

const UsageCase kUsageCases[] = {
    {{}, "no command"},
    {{"unlock", "a.pdf"}, "unknown command 'unlock'"},
    {{"--frobnicate"}, "unknown option --frobnicate"},
    {{"encrypt", "--output-dir", "out", "--open-password-file", "pw"}, "at least one file"},
    {{"encrypt", "--open-password-file", "pw", "a.pdf"}, "exactly one of --output-dir"},
    {{"encrypt", "--output-dir", "out", "-o", "b.pdf", "--open-password-file", "pw", "a.pdf"}, "exactly one of"},
    {{"encrypt", "-o", "b.pdf", "--open-password-file", "pw", "a.pdf", "c.pdf"}, "exactly one input"},
    {{"encrypt", "-o", "b.pdf", "--open-password-file", "pw", "--suffix", "_x", "a.pdf"}, "names the output"},
    {{"encrypt", "-o", "b.pdf", "--open-password-file", "pw", "--recursive", "a.pdf"}, "names the output"},
    {EncryptWith({"--suffix", "_x", "--keep-name"}), "not both"},
    {EncryptWith({"--suffix", "sub/x"}), "must not contain '/'"},
    {{"encrypt", "--output-dir", "out", "a.pdf"}, "give an open password, an owner password or both"},
    {{"encrypt", "--output-dir", "out", "--open-password-file", "-", "--owner-password-file", "-", "a.pdf"},
     "only one password can be read from standard input"},
    {EncryptWith({"--open-password-env", "PW"}), "open password is given twice"},
    {EncryptWith({"--open-password-auto"}), "open password is given twice"},
    {{"encrypt", "--output-dir", "out", "--owner-password-auto", "--owner-password-env", "PW", "a.pdf"},
     "owner password is given twice"},
    {EncryptWith({"--owner-length", "12"}), "--owner-length applies only with --owner-password-auto"},
    {EncryptWith({"--open-lower"}), "--open-lower applies only with --open-password-auto"},
    {EncryptWith({"--owner-chars", "digits"}), "--owner-chars applies only with --owner-password-auto"},
    {EncryptWith({"--owner-password-auto", "--owner-length", "0"}),
     "--owner-length needs a whole number from 1 to 99999"},
    {EncryptWith({"--owner-password-auto", "--owner-length", "100000"}), "from 1 to 99999"},
    {EncryptWith({"--owner-password-auto", "--owner-length", "-3"}), "from 1 to 99999"},
    {EncryptWith({"--owner-password-auto", "--owner-length", "8x"}), "from 1 to 99999"},
    {EncryptWith({"--owner-password-auto", "--owner-chars", "digits,,letters"}), "unknown character class ''"},
    {EncryptWith({"--owner-password-auto", "--owner-chars", "Digits"}), "unknown character class 'Digits'"},
    {EncryptWith({"--owner-password-auto=yes"}), "--owner-password-auto takes no value"},
    {EncryptWith({"--jobs", "0"}), "--jobs needs a whole number from 1 to 256"},
    {EncryptWith({"--jobs", "many"}), "--jobs needs a whole number"},
    {EncryptWith({"--no-verify=1"}), "--no-verify takes no value"},
    {EncryptWith({"--cleartext-metadata=yes"}), "--cleartext-metadata takes no value"},
    {EncryptWith({"--password-file="}), "--password-file needs a non-empty value"},
    {EncryptWith({"--level", "aes-512"}), "unknown level 'aes-512'"},
    {EncryptWith({"--level", "rc4-40", "--level", "aes-128"}), "--level is given twice"},
    {EncryptWith({"--allow", "print,,copy"}), "unknown permission ''"},
    {EncryptWith({"--allow", "print,copy,"}), "unknown permission ''"},
    {EncryptWith({"--allow", ""}), "unknown permission ''"},
    {EncryptWith({"--allow", "all,print"}), "--allow all must stand alone"},
    {EncryptWith({"--allow", "print,none"}), "--allow none must stand alone"},
    {EncryptWith({"--allow", "Print"}), "unknown permission 'Print'"},
    {EncryptWith({"--allow"}), "--allow needs a value"},
    {{"encrypt", "--output-dir", "--recursive", "--open-password-file", "pw", "a.pdf"}, "--output-dir needs a value"},
    {{"encrypt", "--output-dir=", "--open-password-file", "pw", "a.pdf"}, "non-empty value"},
    {EncryptWith({"--recursive=yes"}), "--recursive takes no value"},
    {EncryptWith({"--input-password-file", "cur", "--input-ledger", "l.csv"}), "not two of them"},
    {EncryptWith({"--input-password-env", "A", "--input-password-env", "B"}), "given twice"},
    {{"decrypt", "--output-dir", "out", "a.pdf"}, "exactly one of --password-file F, --password-env VAR and --ledger"},
    {{"decrypt", "--output-dir", "out", "--password-env", "PW", "--ledger", "l.csv", "a.pdf"}, "exactly one of"},
    {{"decrypt", "--password-env", "PW", "a.pdf"}, "exactly one of --output-dir"},
    {{"decrypt", "--output-dir", "out", "--password-env", "PW"}, "decrypt needs at least one file"},
    {{"decrypt", "-o", "x.pdf", "--password-env", "PW", "a.pdf", "b.pdf"}, "exactly one input"},
    {{"decrypt", "--output-dir", "out", "--password-env", "PW", "--suffix", "_x", "--keep-name", "a.pdf"},
     "not both"},
    {{"decrypt", "--output-dir", "out", "--password-env", "PW", "--level", "aes-128", "a.pdf"},
     "unknown option --level"},
    {{"inspect", "--ledger", "l.csv", "--password-env", "V", "a.pdf"}, "a password or a ledger, not both"},
    {{"inspect"}, "at least one file"},
    {{"inspect", "--json=1", "a.pdf"}, "--json takes no value"},
    {{"inspect", "--password-file", "f", "--password-env", "V", "a.pdf"}, "given twice"},
    {{"--version", "x"}, "--version takes nothing"},
};

TEST(CommandLine, MistakesAreUsageErrors) {
  for (const UsageCase& c : kUsageCases) {
    SCOPED_TRACE(Joined(c.arguments));
    try {
      ParseCommandLine(c.arguments);
      ADD_FAILURE() << "accepted";
    } catch (const TUsageError& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
    }
  }
}

TEST(CommandLine, PasswordValuesAreRefusedWithoutBeingRepeated) {
  const std::pair<Args, bool> cases[] = {
      {{"encrypt", "--password", "s3cret", "-o", "b.pdf", "a.pdf"}, true},
      {EncryptWith({"--open-password", "s3cret"}), true},
      {EncryptWith({"--owner-password=s3cret"}), true},
      {EncryptWith({"--user-password", "s3cret"}), true},
      {EncryptWith({"-ps3cret"}), true},
      {{"inspect", "--password=s3cret", "a.pdf"}, true},
      {{"-ps3cret"}, true},
      // An unknown short option may be a value glued on: only its letter is shown.
      {EncryptWith({"-xs3cret"}), false},
  };
  for (const auto& [arguments, passwordOption] : cases) {
    SCOPED_TRACE(Joined(arguments));
    try {
      ParseCommandLine(arguments);
      ADD_FAILURE() << "accepted";
    } catch (const TUsageError& error) {
      const std::string message = error.what();
      EXPECT_EQ(message.find("s3cret"), std::string::npos) << message;
      EXPECT_EQ(message.find("not accepted on the command line") != std::string::npos, passwordOption) << message;
    }
  }
}

}  // namespace
}  // namespace cli

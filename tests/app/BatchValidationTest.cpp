#include "app/core/BatchValidation.h"

#include <gtest/gtest.h>

#include <functional>

#include "pdf/objects/TextConversions.h"
#include "tests/support/TestTools.h"

namespace ombrelt::app {
namespace {

using enum TValidationFollowUp;
using pdf::testing::TempFolder;

std::u16string Wide(const std::string& text) { return pdf::UTF8ToUnicode(text); }

TEST(ValidateBatch, RulesApplyInOrder) {
  TempFolder folder;
  // Everything wrong at once; each step mends the rule that was reported, so the next one shows.
  TValidationInput input;
  input.openPasswordAuto = true;
  input.passwordFilePath = u"report.txt";
  struct Step {
    std::u16string message;
    std::u16string caption;
    TValidationFollowUp followUp;
    std::function<void()> mend;
  };
  const Step steps[] = {
      {u"Please add file(s).", u"Warning", kOpenFileDialog, [&] { input.fileCount = 2; }},
      {u"Please provide password to encrypt pdf file(s).", u"Warning", kNone,
       [&] { input.openPasswordBox = input.restrictionsBox = true; input.openPasswordAuto = false; }},
      {u"No user password provided.", u"Warning", kFocusOpenPassword, [&] { input.openPasswordText = u" same "; }},
      {u"No owner password provided.", u"Warning", kFocusRestrictionsPassword,
       [&] { input.restrictionsText = u"same\t"; input.restrictionsAuto = true; }},
      {u"Do not use same password for user and owner.", u"Alert!", kNone, [&] { input.restrictionsText = u"Same"; }},
      {u"Please select output path.", u"Warning", kFocusOutputFolder, [&] { input.outputFolder = u"D"; }},
      {u"Password file path is invalid. Please choose correct one.", u"Warning", kShowPasswordSettings,
       [&] { input.passwordFilePath = Wide((folder / "report.csv").string()); }},
  };
  for (const Step& step : steps) {
    const std::optional<TValidationFailure> failure = ValidateBatch(input);
    ASSERT_TRUE(failure.has_value());
    EXPECT_EQ(failure->message, step.message);
    EXPECT_EQ(failure->caption, step.caption);
    EXPECT_EQ(failure->followUp, step.followUp);
    step.mend();
  }
  EXPECT_FALSE(ValidateBatch(input).has_value());
}

TEST(ValidateBatch, SingleRuleCases) {
  TempFolder folder;
  const std::u16string csv = Wide((folder / "p.csv").string());
  TValidationInput valid;
  valid.fileCount = 1;
  valid.openPasswordBox = true;
  valid.openPasswordText = u"user";
  valid.outputFolder = u"out";
  struct Case {
    const char* name;
    std::function<void(TValidationInput&)> change;
    std::u16string message;  // empty: passes
  };
  const Case cases[] = {
      {"blank and control characters count as empty", [](auto& in) { in.openPasswordText = u" \t\r\n\x01 "; },
       u"No user password provided."},
      {"an auto option covers an empty text", [&](auto& in) { in.openPasswordText.clear(); in.openPasswordAuto = true;
                                                             in.passwordFilePath = csv; }, u""},
      {"an unchecked box needs no text", [](auto& in) { in.openPasswordBox = false; in.restrictionsBox = true;
                                                        in.restrictionsText = u"owner"; }, u""},
      {"typed texts are compared even with auto on",
       [&](auto& in) { in.restrictionsBox = in.restrictionsAuto = true; in.restrictionsText = u"user";
                       in.passwordFilePath = csv; }, u"Do not use same password for user and owner."},
      {"equal texts with the restrictions box off", [](auto& in) { in.restrictionsText = u"user"; }, u""},
      {"output folder of blanks", [](auto& in) { in.outputFolder = u"  "; }, u"Please select output path."},
      {"readable metadata at RC4", [](auto& in) { in.keepMetadataReadable = true; },
       u"Keeping metadata readable needs 128 bits AES or 256 bits AES. Please choose one of them or let the "
       u"metadata be encrypted."},
      {"readable metadata at 128-bit AES", [](auto& in) { in.keepMetadataReadable = true; in.level = 2; }, u""},
      {"no auto option: the password file path is not looked at", [](auto& in) { in.passwordFilePath = u"x"; }, u""},
      {"extension in capitals", [&](auto& in) { in.restrictionsAuto = true;
                                                in.passwordFilePath = Wide((folder / "P.CSV").string()); }, u""},
      {"bare file name", [](auto& in) { in.openPasswordAuto = true; in.passwordFilePath = u"p.csv"; },
       u"Password file path is invalid. Please choose correct one."},
      {"missing folder", [&](auto& in) { in.openPasswordAuto = true;
                                         in.passwordFilePath = Wide((folder / "none" / "p.csv").string()); },
       u"Password file path is invalid. Please choose correct one."},
      {"other extension", [&](auto& in) { in.openPasswordAuto = true;
                                          in.passwordFilePath = Wide((folder / "p.csv.txt").string()); },
       u"Password file path is invalid. Please choose correct one."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TValidationInput input = valid;
    c.change(input);
    const std::optional<TValidationFailure> failure = ValidateBatch(input);
    EXPECT_EQ(failure ? failure->message : u"", c.message);
  }
}

// At RC4 and 128-bit AES readers disagree on the bytes of every character outside printable ASCII,
// so some would refuse the copy. Only 256-bit AES takes every character, and a generated password
// never has such characters.
TEST(ValidateBatch, PasswordsTheLevelCannotHoldAreRefused) {
  struct Case {
    std::int32_t level;
    std::u16string open;
    std::u16string owner;
    bool ownerAuto;
    std::u16string message;  // empty: passes
    TValidationFollowUp followUp;
  };
  const std::u16string rest =
      u" password has characters that this encryption level cannot hold: PDF readers do not agree on them, and the "
      u"copies would not open in all of them. At 40 and 128 bits only unaccented Latin letters, digits, spaces and "
      u"ASCII punctuation are safe. Please choose 256 bits AES, which holds any character, or another password.";
  const std::u16string user = u"The user" + rest;
  const std::u16string owner = u"The owner" + rest;
  const Case cases[] = {
      {0, u"\u5BC6\u7801", u"owner", false, user, kFocusOpenPassword},
      {1, u"user", u"\u043F\u0430\u0440\u043E\u043B\u044C", false, owner, kFocusRestrictionsPassword},
      {2, u"\u03BA\u03BB\u03B5\u03B9\u03B4\u03AF", u"owner", false, user, kFocusOpenPassword},
      {2, u"user", u"\u0141\u00F3d\u017A", false, owner, kFocusRestrictionsPassword},
      {4, u"\u5BC6\u7801", u"\u043F\u0430\u0440\u043E\u043B\u044C", false, u"", kNone},
      // Latin-1 and the signs every single-byte encoding has: poppler still hashes their UTF-8.
      {1, u"caf\u00E9", u"owner", false, user, kFocusOpenPassword},
      {2, u"user", u"na\u00EFve \u20AC\u0153", false, owner, kFocusRestrictionsPassword},
      {1, u" !\"#$%&'()*+,-./09:;<=>?@AZ[\\]^_`az{|}~", u"owner", false, u"", kNone},  // printable ASCII
      {0, u"user", u"\u5BC6\u7801", true, u"", kNone},  // generated: the typed text is not used
  };
  TempFolder folder;
  for (const Case& c : cases) {
    TValidationInput input;
    input.fileCount = 1;
    input.level = c.level;
    input.openPasswordBox = input.restrictionsBox = true;
    input.openPasswordText = c.open;
    input.restrictionsText = c.owner;
    input.restrictionsAuto = c.ownerAuto;
    input.outputFolder = u"out";
    input.passwordFilePath = Wide((folder / "p.csv").string());
    const std::optional<TValidationFailure> failure = ValidateBatch(input);
    EXPECT_EQ(failure ? failure->message : u"", c.message) << c.level;
    if (failure) {
      EXPECT_EQ(failure->caption, u"Warning");
      EXPECT_EQ(failure->followUp, c.followUp);
    }
  }
}

// A password with a NUL, a tab or a line end inside opens in no reader: no password field takes
// them. Those at the ends are trimmed as blanks are; only inner ones are refused.
TEST(NewPasswordFault, NamesTheFirstControlCharacterInside) {
  const std::pair<std::u16string, std::u16string> cases[] = {
      {u"plain p\u00E4ss w\u00F6rd \u5BC6", u""},
      {std::u16string(u"a\0b", 3), u"holds a control character (U+0000, NUL), which no reader lets anyone type"},
      {u"a\tb", u"holds a control character (U+0009, a tab), which no reader lets anyone type"},
      {u"line\r\nbreak", u"holds a control character (U+000D, a line end), which no reader lets anyone type"},
      {u"a\u2028b", u"holds a control character (U+2028, a line end), which no reader lets anyone type"},
      {u"del\u007F", u"holds a control character (U+007F), which no reader lets anyone type"},
      {u"c1\u0085", u"holds a control character (U+0085), which no reader lets anyone type"},
  };
  for (const auto& [password, fault] : cases) {
    EXPECT_EQ(NewPasswordFault(password).value_or(u""), fault) << pdf::UnicodeToUTF8(password);
  }
}

TEST(ValidateBatch, TypedPasswordsWithAControlCharacterInsideAreRefused) {
  TValidationInput input;
  input.fileCount = 1;
  input.openPasswordBox = input.restrictionsBox = true;
  input.openPasswordText = u" user\t";  // around it: trimmed, as blanks are
  input.restrictionsText = u"own\ter";
  input.outputFolder = u"out";
  std::optional<TValidationFailure> failure = ValidateBatch(input);
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->message, u"The owner password holds a control character (U+0009, a tab), which no reader lets "
                              u"anyone type. Please remove it.");
  EXPECT_EQ(failure->followUp, kFocusRestrictionsPassword);
  input.openPasswordText = u"us\ner";
  failure = ValidateBatch(input);
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->followUp, kFocusOpenPassword);
  input.openPasswordListed = true;  // the list's passwords are checked where the list is read
  input.openPasswordText.clear();
  input.restrictionsText = u"owner";
  EXPECT_FALSE(ValidateBatch(input).has_value());
}

// A batch whose files and output folder another dialog chooses: only the protection is checked,
// with the same rules and messages.
TEST(ValidateNewProtection, ChecksOnlyThePasswordsAndThePasswordFile) {
  TValidationInput input;  // no files, no output folder
  ASSERT_TRUE(ValidateNewProtection(input).has_value());
  EXPECT_EQ(ValidateNewProtection(input)->message, u"Please provide password to encrypt pdf file(s).");
  input.openPasswordBox = true;
  input.openPasswordText = u"open";
  EXPECT_FALSE(ValidateNewProtection(input).has_value());
  input.restrictionsBox = true;
  input.restrictionsAuto = true;
  input.passwordFilePath = u"report.txt";
  ASSERT_TRUE(ValidateNewProtection(input).has_value());
  EXPECT_EQ(ValidateNewProtection(input)->followUp, kShowPasswordSettings);
}

}  // namespace
}  // namespace ombrelt::app

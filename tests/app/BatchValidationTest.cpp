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

}  // namespace
}  // namespace ombrelt::app

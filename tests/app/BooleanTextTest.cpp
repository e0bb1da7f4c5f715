#include "app/core/BooleanText.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/core/PasswordGenerator.h"

namespace ombrelt::app {
namespace {

using ::testing::ThrowsMessage;
using ::testing::StrEq;

TEST(BooleanText, StoredForms) {
  EXPECT_EQ(BoolToText(true), u"-1");
  EXPECT_EQ(BoolToText(false), u"0");
  EXPECT_TRUE(TextToBool(BoolToText(true)));
  EXPECT_FALSE(TextToBool(BoolToText(false)));
}

TEST(BooleanText, NumbersAndWordsLoad) {
  struct Case {
    std::u16string text;
    bool value;
  };
  const Case cases[] = {
      {u"1", true},       {u"-1", true},     {u"2", true},       {u"2.5", true},   {u"+.5", true},
      {u"1e3", true},     {u"0", false},     {u"-0", false},     {u"0.000", false}, {u"0e7", false},
      {u" 0 ", false},    {u"True", true},   {u"TRUE", true},    {u"true", true},  {u"False", false},
      {u"fAlSe", false},  {u"\tTrue ", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToBool(c.text), c.value) << std::string(c.text.begin(), c.text.end());
  }
}

TEST(BooleanText, AnythingElseIsRefusedByName) {
  for (const std::u16string text : {u"yes", u"on", u"", u"1.2.3", u"e5", u"1e", u".", u"-", u"0x1", u"Truth"}) {
    const std::string name(text.begin(), text.end());
    EXPECT_THAT([&] { TextToBool(text); },
                ThrowsMessage<EConvertError>(StrEq("'" + name + "' is not a valid boolean value")))
        << name;
  }
}

}  // namespace
}  // namespace ombrelt::app

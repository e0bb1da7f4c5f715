// Text that comes from files others made reaches JSON output and the terminal intact but harmless.

#include <gtest/gtest.h>

#include <string>

#include "cli/JsonWriter.h"
#include "cli/Utf8Text.h"

namespace cli {
namespace {

struct TextCase {
  std::string name;
  std::string input;
  std::string json;      // JsonString(input)
  std::string terminal;  // TerminalText(input)
};

const TextCase kTextCases[] = {
    {"plain", "Report 2024", "\"Report 2024\"", "Report 2024"},
    {"quote and backslash", "a\"b\\c", "\"a\\\"b\\\\c\"", "a\"b\\c"},
    {"line ends and tab", "a\nb\r\tc", "\"a\\nb\\r\\tc\"", "a?b??c"},
    {"other controls", std::string("\x01\x1b[2J\x7f", 6), "\"\\u0001\\u001b[2J\x7f\"", "??[2J?"},
    {"NUL", std::string("a\0b", 3), "\"a\\u0000b\"", "a?b"},
    {"C1 control U+009B (CSI)", "a\xC2\x9B" "b", "\"a\xC2\x9B" "b\"", "a?b"},
    {"multilingual", "\xCE\xA9mega \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x94\x92",
     "\"\xCE\xA9mega \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x94\x92\"", "\xCE\xA9mega \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x94\x92"},
    {"lone continuation byte", "a\x80z", "\"a\xEF\xBF\xBDz\"", "a\xEF\xBF\xBDz"},
    {"overlong slash", "\xC0\xAF", "\"\xEF\xBF\xBD\xEF\xBF\xBD\"", "\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"surrogate", "\xED\xA0\x80!", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD!\"", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD!"},
    {"cut off at the end", "ab\xE6\x97", "\"ab\xEF\xBF\xBD\xEF\xBF\xBD\"", "ab\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"beyond U+10FFFF", "\xF4\x90\x80\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\"",
     "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
};

TEST(CliText, JsonAndTerminalForms) {
  for (const TextCase& c : kTextCases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(JsonString(c.input), c.json);
    EXPECT_EQ(TerminalText(c.input), c.terminal);
    EXPECT_EQ(IsWellFormedUTF8(c.input), WellFormedUTF8(c.input) == c.input);
  }
}

TEST(CliText, JsonObjectKeepsMemberTypes) {
  TJsonObject inner;
  inner.AddNumber("code", 15).AddString("meaning", "256-bit AES");
  TJsonObject object;
  object.AddString("title", "x").AddNumber("pages", std::nullopt).AddBool("usage_rights", false).AddObject("level", inner);
  EXPECT_EQ(object.Text(),
            R"({"title":"x","pages":null,"usage_rights":false,"level":{"code":15,"meaning":"256-bit AES"}})");
  EXPECT_EQ(TJsonObject().Text(), "{}");
  EXPECT_EQ(TJsonObject().AddStringOrNull("pdfa", "PDF/A-1B").AddStringOrNull("none", std::nullopt).Text(),
            R"({"pdfa":"PDF/A-1B","none":null})");
}

}  // namespace
}  // namespace cli

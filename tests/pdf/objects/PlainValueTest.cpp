#include "pdf/objects/PlainValue.h"

#include <gtest/gtest.h>

#include <string>

#include "pdf/objects/PDFStructure.h"

namespace pdf {
namespace {

std::string Nested(int depth) { return std::string(static_cast<std::size_t>(depth), '[') + std::string(static_cast<std::size_t>(depth), ']'); }

TEST(PlainContainerEnd, AcceptedTextIsExactlyOneValueThatParsesToTheSame) {
  struct Case {
    std::string text;
    std::size_t end;
  };
  const Case cases[] = {
      {"<< /Type /Page /Parent 3 0 R /MediaBox [ 0 0 612 792 ] >>", 57},
      {"\r\n [1 0 R 22 5 R]\nendobj", 17},
      {"<</A<</B[/C 1]>>/D[]>> trailing", 22},
      {"[ -1.5 +2 .5 5. 007 true false null /x.y-z_1 ]", 46},
      {"<< /FontMatrix [.00048828125 0 0 -.00048828125 0 0] >>", 54},
      {"[ 1 0 2 R 3 ]", 13},  // "1" alone, then the reference 0 2 R
      {"<< /A 1 0 R/B 2 >>", 18},
      {"[/]", 3},
      {Nested(256), 512},
  };
  for (const Case& c : cases) {
    const std::optional<std::size_t> end = PlainContainerEnd(c.text);
    ASSERT_EQ(end, c.end) << c.text;
    // What is copied as it stands must read as the parse of the whole object reads.
    TPDFStructure structure;
    std::size_t consumed = 0;
    const std::string whole = structure.ParseObjectAt(c.text, consumed)->ToText();
    EXPECT_EQ(consumed, c.end) << c.text;
    EXPECT_EQ(structure.ParseObject(c.text.substr(0, *end))->ToText(), whole) << c.text;
  }
}

TEST(PlainContainerEnd, RefusesWhatEncryptionOrWritingWouldChange) {
  const std::string refused[] = {
      "", "   ", "/Name", "42", "1 0 R", "null",                   // not a dictionary or array
      "<< /Title (text) >>", "[ <0102> ]", "<< /A <> >>",        // strings, which are encrypted
      "[ 1 % comment\n 2 ]", "<< /A#20B 1 >>", "[ /caf\xC3\xA9 ]",  // comments, escapes, non-ASCII
      "[ 1\x01 ]", std::string("[ 1\0 2 ]", 8),                    // control bytes, NUL as white space
      "<< /A 1 >", "<< /A 1", "[ 1 2", "[ [ ]",                  // unterminated
      "<< 1 2 >>", "<< /A >>", "<< /A /B /C >>",                 // keys that are not names, keys without values
      "[ R ]", "[ 1 R ]", "[ -1 0 R ]", "[ 1 0.0 R ]", "[ 1 0 Rx ]",  // references only as "n g R"
      "[ obj ]", "[ 1 0 obj ]", "[ endobj ]", "[ stream ]",      // keywords other than true, false, null
      "[ 1E5 ]", "[ 1.2.3 ]", "[ - ]", "[ . ]", "[ +-1 ]", "[ truex ]", "[ { } ]", "[ ) ]",
      Nested(257),  // deeper than the parser reads
  };
  for (const std::string& text : refused) EXPECT_EQ(PlainContainerEnd(text), std::nullopt) << text;
}

}  // namespace
}  // namespace pdf

#include "pdf/objects/PDFParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "pdf/objects/PDFStructure.h"

namespace pdf {
namespace {

struct ParseCase {
  std::string input;
  std::string text;       // ToText of the parsed object
  std::size_t consumed;
};

class ParseTable : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTable, ParsesToTextAndConsumed) {
  const ParseCase& c = GetParam();
  TPDFStructure structure;
  std::size_t consumed = 99;
  TPDFObject* object = structure.ParseObjectAt(c.input, consumed);
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(object->ToText(), c.text) << "input: " << c.input;
  EXPECT_EQ(consumed, c.consumed) << "input: " << c.input;
}

// Numbers are written back as the tokens they were read from, and words with no value in the
// object model ("1e5", a lone "-") are kept as they stand: other readers must read the copy as they
// read the input.
INSTANTIATE_TEST_SUITE_P(
    Scalars, ParseTable,
    ::testing::Values(
        ParseCase{"-.5", "-.5", 3}, ParseCase{"5.", "5.", 2}, ParseCase{".", ".", 1},
        ParseCase{"007", "007", 3}, ParseCase{"+5", "+5", 2}, ParseCase{"+.5", "+.5", 3},
        ParseCase{"[+0 .0 999 +999.]", "[ +0 .0 999 +999. ]", 17}, ParseCase{"1.5E3", "1.5E3", 5},
        ParseCase{"1E", "1E", 2}, ParseCase{"2E5E1", "2E5E1", 5}, ParseCase{"1e5", "1e5", 3},
        ParseCase{"1E-2", "1E-2", 4}, ParseCase{"-", "-", 1}, ParseCase{"+", "+", 1},
        ParseCase{"[ 1 0 0 1e-05 5 6 ]", "[ 1 0 0 1e-05 5 6 ]", 19},
        ParseCase{"0.123456789999", "0.123456789999", 14},
        ParseCase{"0.00048828125", "0.00048828125", 13},
        ParseCase{"123456789012", "123456789012", 12},
        ParseCase{"1000000000000000000000", "1000000000000000000000", 22},
        ParseCase{"4294967296", "4294967296", 10},
        ParseCase{"1 0 R", "1 0 R", 5}, ParseCase{"1.0 0 R", "1.0", 3},
        ParseCase{"1 0 R2", "1", 1}, ParseCase{"12 0 obj", "12", 2},
        ParseCase{"7 %c\n 0 %d\r R", "7 0 R", 13}, ParseCase{"1 2.7 R", "1", 1},
        ParseCase{"5000000000 0 R", "0 0 R", 14},
        ParseCase{"1 0", "1", 1}, ParseCase{"-3 0 R", "-3", 2},
        ParseCase{"true]", "true", 4}, ParseCase{"trueX", "trueX", 5}, ParseCase{"true", "true", 4},
        ParseCase{"True", "True", 4}, ParseCase{"false/", "false", 5}, ParseCase{"null", "null", 4},
        ParseCase{"%comment\n5", "5", 10}, ParseCase{"  \n ", "null", 3}, ParseCase{"", "null", 0},
        ParseCase{"endobj", "null", 0}, ParseCase{" ]", "null", 1}));

INSTANTIATE_TEST_SUITE_P(
    StringsAndNames, ParseTable,
    ::testing::Values(
        ParseCase{"(a\\(b)", "(a\\(b)", 6}, ParseCase{"(a(b)c)", "(a\\(b\\)c)", 7},
        ParseCase{"(abc", "null", 0}, ParseCase{"(\\101)", "(A)", 6},
        // The backslash of an unknown escape is dropped; 8 and 9 are no octal digits.
        ParseCase{"(\\9)", "(9)", 4}, ParseCase{"(\\q)", "(q)", 4},
        ParseCase{"(\\0053)", std::string("(\x05") + "3)", 7},
        ParseCase{"(\\777)", "(\xFF)", 6},
        ParseCase{"(a\\\nb)", "(ab)", 6}, ParseCase{"(a\\\r\nb)", "(ab)", 7},
        ParseCase{"(a\r\nb\rc\nd)", "(a\\nb\\nc\\nd)", 10},
        ParseCase{"(a\\)", "(a\\\\)", 4},
        ParseCase{"<48656C6C6F>", "<48656C6C6F>", 12},
        ParseCase{"< 48 65 6c 6c 6f >", "<48656C6C6F>", 18}, ParseCase{"<414>", "<4140>", 5},
        ParseCase{"<4G1>", "<41>", 5}, ParseCase{"<41", "<40>", 3}, ParseCase{"<>", "<>", 2},
        // A malformed escape keeps the name's bytes as written.
        ParseCase{"/A#20B", "/A#20B", 6}, ParseCase{"/A#2", "/A#2", 4}, ParseCase{"/Im#1", "/Im#1", 5},
        ParseCase{"/Im#", "/Im#", 4}, ParseCase{"/A#zz", "/A#zz", 5},
        ParseCase{"/F}", "/F", 2}, ParseCase{"/", "/", 1}, ParseCase{"/a#2f#2F", "/a#2F#2F", 8},
        ParseCase{"/#E9t", "/#E9t", 5}));

INSTANTIATE_TEST_SUITE_P(
    Containers, ParseTable,
    ::testing::Values(
        ParseCase{"<< /Type /Page /Kids [ 4 0 R 5 0 R ] /Count 2 >>",
                  "<<\n/Type /Page\n/Kids [ 4 0 R 5 0 R ]\n/Count 2\n>>\n", 48},
        ParseCase{"<</A 1/A 2/B 3>>", "<<\n/A 2\n/B 3\n>>\n", 16},
        ParseCase{"<< /A 1 /B >>", "<<\n/A 1\n>>\n", 13},
        // Values without keys are stepped over, and the entries after them kept.
        ParseCase{"<< /A 1 2 3 >>", "<<\n/A 1\n>>\n", 14},
        ParseCase{"<< /A 1 2 /B 3 >>", "<<\n/A 1\n/B 3\n>>\n", 17},
        ParseCase{"<<\r\x1a/Pages 2 0 R>>", "<<\n/Pages 2 0 R\n>>\n", 18},
        ParseCase{"<</Len]th4=/N 1>>", "<<\n/Len null\n/N 1\n>>\n", 17},
        ParseCase{"<< ] /A 1 ) >>", "<<\n/A 1\n>>\n", 14},
        ParseCase{"<< /M [ 1 0 0 1e-05 0 0 ] /B 2 >>", "<<\n/M [ 1 0 0 1e-05 0 0 ]\n/B 2\n>>\n", 33},
        ParseCase{"<< /A - /B 2 >>", "<<\n/A -\n/B 2\n>>\n", 15},
        ParseCase{"<< /A (x >>", "<<\n>>\n", 6},
        ParseCase{"<</S 1>>stream\r\n", "<<\n/S 1\n>>\n", 8},
        ParseCase{"<<>>", "<<\n>>\n", 4}, ParseCase{"<<>", "<>", 3},
        ParseCase{"[ 1 [ 2 ] << /K [ ] >> ]", "[ 1 [ 2 ] <<\n/K [ ]\n>>\n]", 24},
        ParseCase{"[1 2", "[ 1 2 ]", 4}, ParseCase{"[1 } 2]", "[ 1 ]", 3},
        ParseCase{"[1 0 R 2 0 R]", "[ 1 0 R 2 0 R ]", 13}));

TEST(Parser, DuplicateKeyKeepsFirstPositionAndLastValue) {
  TPDFStructure structure;
  auto* dict = As<TPDFDictionary>(structure.ParseObject("<< /A 1 /B 2 /A 3 >>"));
  ASSERT_NE(dict, nullptr);
  EXPECT_EQ(dict->IndexOfKey("A"), 0);
  EXPECT_EQ(dict->GetInteger("A", -1), 3);
  EXPECT_EQ(dict->EntryCount(), 2);
}

TEST(Parser, ParsedObjectsAreUnmodified) {
  TPDFStructure structure;
  TPDFObject* object = structure.ParseObject("<< /K [ 1 (s) << /X /Y >> ] >>");
  EXPECT_FALSE(object->IsModified());
}

TEST(Parser, DeepNestingEndsAtTheDepthLimitWithoutOverflow) {
  for (const char* open : {"[", "<< /K "}) {
    std::string text;
    for (int i = 0; i < 100000; ++i) text += open;
    TPDFStructure structure;
    std::size_t consumed = 0;
    TPDFObject* object = structure.ParseObjectAt(text, consumed);
    ASSERT_NE(object, nullptr);
    EXPECT_NE(object->Kind(), TPDFObjectKind::Null);
    EXPECT_LE(structure.ObjectCount(), 2 * 257 + 1);
  }
}

TEST(Parser, LongReferenceArrayAndHugeDictionaryStayLinear) {
  std::string kids = "[";
  std::string dict = "<<";
  for (int i = 0; i < 200000; ++i) {
    kids += std::to_string(i + 1) + " 0 R ";
    dict += "/K" + std::to_string(i) + " " + std::to_string(i) + " ";
  }
  TPDFStructure structure;
  auto* array = As<TPDFArray>(structure.ParseObject(kids + "]"));
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(array->ItemCount(), 200000);
  auto* parsed = As<TPDFDictionary>(structure.ParseObject(dict + ">>"));
  ASSERT_NE(parsed, nullptr);
  EXPECT_EQ(parsed->EntryCount(), 200000);
  EXPECT_EQ(parsed->GetInteger("K123456", -1), 123456);
}

TEST(Parser, IsNumberText) {
  for (const char* good : {"", "12", "-1.5", ".5", "-", " 7\t", "3."}) EXPECT_TRUE(IsNumberText(good)) << good;
  for (const char* bad : {"1-2", "1.2.3", "1e5", "+1", "--1", "0x1"}) EXPECT_FALSE(IsNumberText(bad)) << bad;
}

TEST(Parser, NumberValues) {
  TPDFStructure structure;
  auto value = [&](const char* text) { return As<TPDFNumeric>(structure.ParseObject(text))->Value(); };
  EXPECT_EQ(value("1E-2"), 0.01);
  EXPECT_EQ(value("-.5"), -0.5);
  EXPECT_EQ(value("+.5"), 0.5);
  EXPECT_EQ(value("0.1234567891234"), 0.1234567891234);
  EXPECT_EQ(value("4294967296"), 4294967296.0);
  EXPECT_EQ(value("12345678"), 12345678);
  EXPECT_EQ(value("99999999999999999999"), 1e20);
  EXPECT_TRUE(std::isinf(value("1E999")));
}

// A renamed number or name is written from its new value, not from the text it was read from.
TEST(Parser, ChangedValuesForgetTheirTokens) {
  TPDFStructure structure;
  auto* dict = As<TPDFDictionary>(structure.ParseObject("<< /Im#1 +.50 >>"));
  ASSERT_NE(dict, nullptr);
  As<TPDFNumeric>(dict->GetValue("Im#1", false))->SetValue(2);
  EXPECT_EQ(dict->ToText(), "<<\n/Im#1 2\n>>\n");
  TPDFName* key = nullptr;
  TPDFObject* value = nullptr;
  dict->GetEntry(0, key, value);
  key->SetValue("X#");
  EXPECT_EQ(dict->ToText(), "<<\n/X#23 2\n>>\n");
}

}  // namespace
}  // namespace pdf

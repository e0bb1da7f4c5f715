#include "pdf/objects/PlainValue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "pdf/objects/PDFStructure.h"

namespace pdf {
namespace {

using namespace std::string_literals;

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

// Every string of a parsed value, in the order of its text (the fixtures repeat no key).
void CollectStrings(TPDFObject* object, std::vector<TPDFString*>& strings) {
  if (auto* string = As<TPDFString>(object)) {
    strings.push_back(string);
  } else if (auto* array = As<TPDFArray>(object)) {
    for (std::int32_t i = 0; i < array->ItemCount(); ++i) CollectStrings(array->GetItem(i), strings);
  } else if (auto* dictionary = As<TPDFDictionary>(object)) {
    for (std::int32_t i = 0; i < dictionary->EntryCount(); ++i) {
      TPDFName* key = nullptr;
      TPDFObject* value = nullptr;
      dictionary->GetEntry(i, key, value);
      CollectStrings(value, strings);
    }
  }
}

// Stands for encryption: new bytes of another length, holding what a literal string must escape.
std::string Transformed(std::string bytes) {
  std::reverse(bytes.begin(), bytes.end());
  return bytes + "()\\\r\n\x00\xFF"s;
}

TEST(ScanPlainValue, StringsReadAndWrittenAsTheParserReadsThem) {
  const std::string accepted[] = {
      "<< /Contents (escapes \\n\\r\\t\\b\\f \\( \\) \\\\ \\q) /NM (octal \\101\\7\\0123\\400 \\8) >>",
      "<< /T (balanced (nested (twice)) and (more) after) >>",
      "<< /T (joined \\\ntwo \\\r\nthree \\\rfour) >>",
      "<< /T (ends of line\rCR\nLF\r\nCRLF\n\rLFCR) >>",
      "<< /V < 48 65\n6C\t6C 6F 7 > /W <> /X <zz 4 1> >>",
      "<</T(a)/V<41>/DA(/Helv 0 Tf 0 g)/F 4/P 3 0 R>>",
      "[ (a) [ <62> << /K [ (c) << /L (d) >> ] >> ] 3 0 R ]",
      "[ () <> ( ) (50% off, endobj, stream) ]",
      "<< /T (\xFE\xFF\x00" "A\x00\x7F) /U (\x00) >>"s,
      "[(a)(b)<63><64>(e)true(f)null]",
      "(a top-level string)",
      "<FEFF0041>",
      "(a\\)",  // a backslash in the last two bytes escapes nothing: ")" closes
  };
  for (const std::string& text : accepted) {
    const std::optional<TPlainValue> value = ScanPlainValue(text);
    ASSERT_TRUE(value.has_value()) << text;
    TPDFStructure structure;
    std::size_t consumed = 0;
    TPDFObject* parsed = structure.ParseObjectAt(text, consumed);
    EXPECT_EQ(value->end, consumed) << text;
    std::vector<TPDFString*> strings;
    CollectStrings(parsed, strings);
    ASSERT_EQ(value->strings.size(), strings.size()) << text;
    TPlainValue transformed = *value;
    for (std::size_t i = 0; i < strings.size(); ++i) {
      EXPECT_EQ(value->strings[i].bytes, strings[i]->Value()) << text << " string " << i;
      EXPECT_EQ(value->strings[i].hexForm, strings[i]->HexForm()) << text << " string " << i;
      transformed.strings[i].bytes = Transformed(value->strings[i].bytes);
      strings[i]->SetValue(Transformed(strings[i]->Value()));
    }
    // The copy of the text holds the same value as the parse with the same strings written anew.
    TPDFStructure copy;
    EXPECT_EQ(copy.ParseObject(PlainValueText(text, transformed))->ToText(), parsed->ToText()) << text;
  }
}

TEST(ScanPlainValue, RefusesWhatOnlyTheParseReadsRight) {
  const std::string refused[] = {
      "<< /N#28x (a) >>", "<< /T (a) /N#20 1 >>",                  // escaped names beside strings
      "<< /T (a) % note (b)\n /U (c) >>",                          // comments
      "<< /T (unterminated >>", "<< /T <41 >>", "[ (a\\) ]",      // strings that run past the value
      "<< /T (a", "<< /T <41",                                     // the text ending first
      "<< /T (a) /X foo >>", "[ (a) 1E5 ]", "[ (a) obj ]",         // words the object model keeps as tokens
      "[ (a) \x01 ]", "[ (a) /caf\xC3\xA9 ]",                     // non-ASCII outside strings
      "<< (key) (a) >>", "<< /T (a) (b) >>",                        // string keys, entries without keys
      "/Name", "42", "1 0 R", "null",                                // not a dictionary, array or string
      std::string(257, '[') + "(a)" + std::string(257, ']'),        // deeper than the parser reads
  };
  for (const std::string& text : refused) {
    EXPECT_FALSE(ScanPlainValue(text).has_value()) << text;
    // The scan of values without strings refuses them as well.
    EXPECT_EQ(PlainContainerEnd(text), std::nullopt) << text;
  }
}

TEST(ScanPlainValue, RefusesStringsInDictionariesOfTypesSetApart) {
  constexpr std::array<std::string_view, 2> kTypes = {"Sig", "DocTimeStamp"};
  struct Case {
    std::string text;
    bool accepted;
  };
  const Case cases[] = {
      {"<< /Type /Sig /Contents <3082> /M (D:2024) >>", false},
      {"<< /FT /Sig /V << /Type /DocTimeStamp /Contents <3082> >> /T (field) >>", false},
      {"<< /Type /Annot /Type /Sig /Contents (a) >>", false},  // whichever /Type a reader keeps
      {"<< /Type /Sig /ByteRange [ 0 1 2 3 ] >>", true},       // nothing the caller treats apart
      {"<< /Type /Annot /Contents (a) /T (Sig) >>", true},
      {"<< /Type (Sig) /Contents (a) >>", true},               // a /Type that is no name is no type
      {"<< /FT /Sig /Contents (a) >>", true},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ScanPlainValue(c.text, kTypes).has_value(), c.accepted) << c.text;
    EXPECT_TRUE(ScanPlainValue(c.text).has_value()) << c.text;
  }
}

TEST(ScanPlainValue, HighestReferenceIsTheParsersAndCountsOnlyForAcceptedValues) {
  const std::string accepted[] = {
      "[ (a) 7 0 R 3 0 R ]", "<< /P 00000000012 0 R /T (a) >>", "[ 2147483647 0 R (a) ]",
      "[ 2147483648 0 R 99999999999 0 R 5 0 R ]", "<< /A 1 2 R /B 4 >>",
  };
  for (const std::string& text : accepted) {
    std::int64_t highest = 0;
    ASSERT_TRUE(ScanPlainValue(text, {}, &highest).has_value()) << text;
    TPDFStructure structure;
    structure.ParseObject(text);
    EXPECT_EQ(highest, structure.HighestReferenceNumber()) << text;
  }
  std::int64_t highest = 3;
  EXPECT_FALSE(ScanPlainValue("[ 9 0 R (a) % comment\n ]", {}, &highest).has_value());
  EXPECT_EQ(highest, 3);
}

}  // namespace
}  // namespace pdf

// The password file's fields: RFC 4180 quoting, and the guard that keeps a spreadsheet from taking
// a field for a formula while the password list reader still reads every field back exactly.

#include "app/core/PasswordFile.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "app/core/PasswordList.h"

namespace ombrelt::app {
namespace {

TEST(PasswordFile, FieldsThatCouldStartAFormulaAreGuardedByOneApostrophe) {
  const std::pair<std::string, std::string> cases[] = {
      {"=1+2", "'=1+2"},
      {"+x", "'+x"},
      {"-x", "'-x"},
      {"@x", "'@x"},
      {"\tx", "'\tx"},
      {"\rx", "'\rx"},
      {"'=x", "''=x"},  // an apostrophe already there stays part of the text
      {"''-x", "'''-x"},
      {"x=1", "x=1"},
      {"'x", "'x"},
      {"'", "'"},
      {"", ""},
      {"!?/*#$", "!?/*#$"},
  };
  for (const auto& [text, guarded] : cases) {
    EXPECT_EQ(FormulaGuarded(text), guarded) << text;
    EXPECT_EQ(FormulaUnguarded(guarded), text) << text;
  }
  EXPECT_EQ(CsvField(u"=\"x\""), "\"'=\"\"x\"\"\"");
}

TEST(PasswordFile, EveryLineReadsBackAsItWasRecorded) {
  const std::u16string texts[] = {u"=HYPERLINK(\"http://x\")", u"-", u"'", u"'@", u"a,\"b\"", u"\u00E9-", u"+\r\n"};
  for (const std::u16string& text : texts) {
    const TPasswordRecord record{u"n" + text, text, u"-" + text, u"/in/" + text + u".pdf"};
    const std::string file = CsvLine({u"File Name", u"Open Password", u"Owner Password", u"File Path"}) + CsvLine(record);
    const std::vector<TPasswordRecord> lines = TPasswordList(u"list.csv", file, TListUse::kLedger).LinesFor(record.filePath);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].openPassword, record.openPassword);
    EXPECT_EQ(lines[0].ownerPassword, record.ownerPassword);
    EXPECT_EQ(lines[0].fileName, record.fileName);
  }
}

// Lines that are not UTF-8 were written by other programs, which never guarded: they read as before.
TEST(PasswordFile, LinesInWindows1252KeepTheirApostrophes) {
  const TPasswordList list(u"list.csv", "\"File Name\",\"Open Password\"\r\n\"caf\xE9\",\"'=caf\xE9\"\r\n", TListUse::kLedger);
  const std::vector<TPasswordRecord> lines = list.LinesFor(u"/in/caf\u00E9.pdf");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].openPassword, u"'=caf\u00E9");
}

}  // namespace
}  // namespace ombrelt::app

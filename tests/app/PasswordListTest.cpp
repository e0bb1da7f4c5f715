// Password files and lists read back: the CSV forms people and other tools write, and which lines
// belong to an input.

#include "app/core/PasswordList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ombrelt::app {
namespace {

using Rows = std::vector<std::vector<std::string>>;

TEST(ParseCsv, ReadsTheFormsWrittenByThisToolAndByEditors) {
  const std::pair<std::string, Rows> cases[] = {
      {"\"a\",\"b\"\r\n\"c\",\"d\"\r\n", {{"a", "b"}, {"c", "d"}}},
      {"a,b\nc,d", {{"a", "b"}, {"c", "d"}}},                               // unquoted, LF, no last line end
      {"\"x\"\"y\",\"1,2\"\r\n", {{"x\"y", "1,2"}}},                        // doubled quote, comma inside quotes
      {"\"line\r\nbreak\",z\r\n", {{"line\r\nbreak", "z"}}},                 // a line break inside quotes
      {"\xEF\xBB\xBF\"a\",\"\"\r\n\r\n", {{"a", ""}}},                       // byte order mark, empty field, blank line
      {"a,,c\n", {{"a", "", "c"}}},
  };
  for (const auto& [text, rows] : cases) EXPECT_EQ(ParseCsv(text), rows) << text;
}

TEST(PasswordList, TakesColumnsByTheHeaderAndLinesInEitherEncoding) {
  // A prepared list: columns in another order, no file paths, one line saved as Windows-1252.
  const TPasswordList list(u"list.csv",
                           "\"Owner Password\",\"File Name\",\"Open Password\"\r\n"
                           "\"own-a\",\"alice\",\"open-a\"\r\n"
                           "own-\xE9,caf\xE9,open-\x80\r\n"
                           "\"own-\xC3\xA9\",\"na\xC3\xAFve\",\"\"\r\n");
  EXPECT_TRUE(list.GivesOpenPasswords());
  EXPECT_TRUE(list.GivesOwnerPasswords());
  const std::vector<TPasswordRecord> alice = list.LinesFor(u"/in/alice.pdf");
  ASSERT_EQ(alice.size(), 1u);
  EXPECT_EQ(alice[0].openPassword, u"open-a");
  EXPECT_EQ(alice[0].ownerPassword, u"own-a");
  EXPECT_EQ(alice[0].filePath, u"");
  const std::vector<TPasswordRecord> cafe = list.LinesFor(u"/in/caf\u00E9.pdf");
  ASSERT_EQ(cafe.size(), 1u);
  EXPECT_EQ(cafe[0].openPassword, u"open-\u20AC");
  EXPECT_EQ(cafe[0].ownerPassword, u"own-\u00E9");
  const std::vector<TPasswordRecord> naive = list.LinesFor(u"/in/na\u00EFve.pdf");
  ASSERT_EQ(naive.size(), 1u);
  EXPECT_EQ(naive[0].ownerPassword, u"own-\u00E9");
  EXPECT_EQ(naive[0].openPassword, u"");

  const TPasswordList openOnly(u"list.csv", "\"File Name\",\"Open Password\"\r\n\"a\",\"1\"\r\n");
  EXPECT_TRUE(openOnly.GivesOpenPasswords());
  EXPECT_FALSE(openOnly.GivesOwnerPasswords());
}

TEST(PasswordList, FindsAFilesLinesByPathThenByNameNewestFirst) {
  const TPasswordList ledger(u"ledger.csv",
                             "\"File Name\",\"Open Password\",\"Owner Password\",\"File Path\"\r\n"
                             "\"report\",\"1\",\"a\",\"/docs/report.pdf\"\r\n"
                             "\"report_2\",\"2\",\"b\",\"/other/report_2.pdf\"\r\n"
                             "\"report\",\"3\",\"c\",\"/docs/report.pdf\"\r\n"
                             "\"File Name\",\"Open Password\",\"Owner Password\",\"File Path\"\r\n"
                             "\"report\",\"4\",\"d\",\"/elsewhere/report.pdf\"\r\n");
  const auto opens = [&](std::u16string_view path) {
    std::u16string passwords;
    for (const TPasswordRecord& line : ledger.LinesFor(path)) passwords += line.openPassword;
    return passwords;
  };
  EXPECT_EQ(opens(u"/docs/report.pdf"), u"31");            // its own path: those lines only, newest first
  EXPECT_EQ(opens(u"/out/report_Secure.pdf"), u"431");     // a copy: names that begin its name
  EXPECT_EQ(opens(u"/out/report_2.pdf"), u"2431");         // the equal name before those that begin it
  EXPECT_EQ(opens(u"/out/summary.pdf"), u"");
  // A list of new passwords: only the equal name, so report_2 never gets report's line.
  EXPECT_EQ(ledger.LinesFor(u"/out/report_Secure.pdf", TNameMatch::kEqual).size(), 0u);
  EXPECT_EQ(ledger.LinesFor(u"/out/report_2.pdf", TNameMatch::kEqual).size(), 1u);
}

TEST(PasswordList, AnUnreadableFileEndsTheBatch) {
  EXPECT_THROW(TPasswordList(u"/nonexistent/folder/list.csv"), EBatchJobError);
}

}  // namespace
}  // namespace ombrelt::app

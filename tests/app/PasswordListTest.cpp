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
                           "\"own-\xC3\xA9\",\"na\xC3\xAFve\",\"\"\r\n",
                           TListUse::kNewPasswords);
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

  const TPasswordList openOnly(u"list.csv", "\"File Name\",\"Open Password\"\r\n\"a\",\"1\"\r\n",
                               TListUse::kNewPasswords);
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
                             "\"report\",\"4\",\"d\",\"/elsewhere/report.pdf\"\r\n",
                             TListUse::kLedger);
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
  EXPECT_THROW(TPasswordList(u"/nonexistent/folder/list.csv", TListUse::kLedger), EBatchJobError);
}

// A list of new passwords that cannot be read as its writer meant is refused whole, naming the line
// and what is wrong; a ledger with the same lines is read as far as it goes, its passwords being
// only tried.
struct MalformedList {
  const char* name;
  std::string text;
  std::string refusal;  // what the message says after the list's name
};

const std::string kHeaderLine = "\"File Name\",\"Open Password\",\"Owner Password\"\r\n";

const MalformedList kMalformedLists[] = {
    {"a line without its password field", kHeaderLine + "\"alice\",\"a\",\"A\"\r\n\"bob\"\r\n",
     "line 3: it has 1 field where the header has 3"},
    {"a line with a field too many", kHeaderLine + "alice,a,A,extra\r\n", "line 2: it has 4 fields where the header has 3"},
    {"an unclosed quote swallowing the next line", kHeaderLine + "\"alice\",\"a-pw\r\n\"bob\",\"b-pw\",\"B\"\r\n",
     "line 2: a quote opened on this line is not closed before the line ends"},
    {"an unclosed quote on the last line", kHeaderLine + "\"alice\",\"a\",\"A\r\n",
     "line 2: a quote opened on this line is never closed"},
    {"text after a closing quote", kHeaderLine + "\"alice\",\"a\"x,\"A\"\r\n", "line 2: text follows a closing quote"},
    {"a quote inside an unquoted field", kHeaderLine + "alice,pa\"ss,A\r\n",
     "line 2: a double quote stands in a field that does not start with one"},
    {"a NUL inside a password", kHeaderLine + "alice,a" + '\0' + "b,A\r\n",
     "line 2: its open password holds a control character (U+0000, NUL), which no reader lets anyone type"},
    {"a line end inside a quoted password", kHeaderLine + "alice,a,\"A\nB\"\r\n",
     "line 2: its owner password holds a control character (U+000A, a line end), which no reader lets anyone type"},
    {"a list without a header and too few fields", "alice,a\r\n",
     "line 1: it has 2 fields where a list without a header has 3 or 4 (name, open password, owner password, path)"},
    {"a malformed header", "\"File Name\"x,\"Open Password\"\r\nalice,a\r\n", "line 1: text follows a closing quote"},
};

TEST(PasswordList, AMalformedListOfNewPasswordsIsRefusedWithItsLine) {
  for (const MalformedList& c : kMalformedLists) {
    SCOPED_TRACE(c.name);
    try {
      const TPasswordList list(u"/lists/new.csv", c.text, TListUse::kNewPasswords);
      ADD_FAILURE() << "accepted";
    } catch (const EBatchJobError& error) {
      EXPECT_EQ(std::string(error.what()), "The password list \"/lists/new.csv\" cannot be used: " + c.refusal);
    }
    EXPECT_NO_THROW(TPasswordList(u"/lists/ledger.csv", c.text, TListUse::kLedger));
  }
}

TEST(PasswordList, AWellFormedListOfNewPasswordsIsAccepted) {
  const std::string lists[] = {
      kHeaderLine + "alice,,A\r\n\"bob\",\"b \"\"quoted\"\", with comma\",\"\"\n\n",  // empty fields, LF, a blank line
      "\xEF\xBB\xBF" + kHeaderLine + "alice,a,A",                                            // byte order mark, no last line end
      "alice,a,A\r\nbob,b,B,/in/bob.pdf\r\n",                                                // no header: 3 or 4 fields
  };
  for (const std::string& text : lists) {
    EXPECT_NO_THROW(TPasswordList(u"list.csv", text, TListUse::kNewPasswords)) << text;
  }
  const TPasswordList list(u"list.csv", lists[0], TListUse::kNewPasswords);
  ASSERT_EQ(list.LinesFor(u"/in/bob.pdf").size(), 1u);
  EXPECT_EQ(list.LinesFor(u"/in/bob.pdf")[0].openPassword, u"b \"quoted\", with comma");
}

TEST(PasswordList, ALedgerCutShortInItsLastLineStillOpensTheFilesBefore) {
  const TPasswordList ledger(u"ledger.csv",
                             "\"File Name\",\"Open Password\",\"Owner Password\",\"File Path\"\r\n"
                             "\"a\",\"1\",\"x\",\"/in/a.pdf\"\r\n"
                             "\"b\",\"2\",\"y",
                             TListUse::kLedger);
  EXPECT_EQ(ledger.PasswordsFor(u"/in/a.pdf"), (std::vector<std::u16string>{u"x", u"1"}));
  EXPECT_EQ(ledger.PasswordsFor(u"/in/b.pdf"), (std::vector<std::u16string>{u"y", u"2"}));
}

TEST(PasswordList, TwoLinesThatGiveOneInputDifferentPasswordsAreRefused) {
  const TPasswordList list(u"/lists/new.csv",
                           "\"File Name\",\"Open Password\",\"Owner Password\",\"File Path\"\r\n"
                           "alice,a,A,\r\n"
                           "bob,b,B,\r\n"
                           "alice,a,A,\r\n"              // identical: one line
                           "carol,c,C,/in/carol.pdf\r\n"  // by path: before the line by name below
                           "carol,x,X,\r\n"
                           "bob,b2,B,\r\n",
                           TListUse::kNewPasswords);
  EXPECT_NO_THROW(list.CheckOneLinePerInput({u"/in/alice.pdf", u"/in/carol.pdf", u"/in/dave.pdf"}));
  try {
    list.CheckOneLinePerInput({u"/in/alice.pdf", u"/in/bob.pdf"});
    ADD_FAILURE() << "accepted";
  } catch (const EBatchJobError& error) {
    EXPECT_EQ(std::string(error.what()), "The password list \"/lists/new.csv\" cannot be used: lines 3 and 7 both "
                                         "name \"/in/bob.pdf\" and give it different passwords");
  }
  // Another carol, not named by the path: the two lines by name disagree.
  EXPECT_THROW(list.CheckOneLinePerInput({u"/elsewhere/carol.pdf"}), EBatchJobError);
}

}  // namespace
}  // namespace ombrelt::app

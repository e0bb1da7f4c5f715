// The built ombreltenc-cli changing the protection of files, checked by qpdf: decrypt with one
// password or a ledger, encrypt anew from an old level, and passwords per file from a list.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/pdf/io/TestPdf.h"
#include "tests/support/TestTools.h"

namespace cli {
namespace {

using pdf::testing::HasProgram;
using pdf::testing::Quote;
using pdf::testing::ReadFile;
using pdf::testing::RunCommand;
using pdf::testing::TempFolder;
using pdf::testing::WriteFile;

namespace fs = std::filesystem;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class CliProtection : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HasProgram("qpdf")) GTEST_SKIP() << "needs qpdf";
  }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }

  void AddDocuments(const std::string& folder, const std::vector<std::string>& names) const {
    fs::create_directories(Path(folder));
    for (const std::string& name : names) {
      WriteFile(Path(folder + "/" + name + ".pdf"), pdf::testing::OnePageDocument().Finish("/Root 1 0 R"));
    }
  }

  pdf::testing::CommandResult Cli(const std::string& arguments, const std::string& environment = "") const {
    return RunCommand("cd " + Quote(folder_.Path().string()) + " && " + environment + " " + Quote(OMBRELT_CLI_PATH) +
                      " " + arguments);
  }

  // Whether qpdf opens the file with the password (empty: none).
  bool Opens(const std::string& file, const std::string& password) const {
    return RunCommand("qpdf --password=" + Quote(password) + " --check " + Quote(Path(file))).exitCode != 2;
  }

  bool Encrypted(const std::string& file) const {
    return !Contains(RunCommand("qpdf --show-encryption " + Quote(Path(file))).output, "File is not encrypted");
  }

  TempFolder folder_;
};

TEST_F(CliProtection, ALedgerOfTwoRunsDecryptsEveryFileWithItsNewestLine) {
  AddDocuments("in", {"a", "b", "c"});
  const std::string encrypt =
      "encrypt --open-password-auto --owner-password-auto --allow none --password-file ledger.csv --output-dir enc in";
  ASSERT_EQ(Cli(encrypt).exitCode, 0);
  ASSERT_EQ(Cli(encrypt).exitCode, 0);  // new passwords for the same copies, appended below the old ones

  const auto run = Cli("decrypt --ledger ledger.csv --output-dir clear enc");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  for (const std::string name : {"a", "b", "c"}) {
    const std::string copy = "clear/" + name + "_Secure.pdf";
    EXPECT_TRUE(Contains(run.output, "enc/" + name + "_Secure.pdf: Succeed!")) << run.output;
    EXPECT_FALSE(Encrypted(copy)) << copy;
    EXPECT_EQ(RunCommand("qpdf --show-npages " + Quote(Path(copy))).output, "1\n");
  }
  // Decryption records nothing: the ledger keeps its six lines and header.
  const std::string ledger = ReadFile(Path("ledger.csv"));
  EXPECT_EQ(std::count(ledger.begin(), ledger.end(), '\n'), 7);
}

TEST_F(CliProtection, AWrongLedgerLineFailsThatFileAlone) {
  AddDocuments("in", {"a", "b"});
  ASSERT_EQ(Cli("encrypt --open-password-auto --password-file ledger.csv --output-dir enc in").exitCode, 0);
  const std::string ledger = ReadFile(Path("ledger.csv"));
  const std::size_t line = ledger.find("\"b\",\"");
  ASSERT_NE(line, std::string::npos);
  std::string damaged = ledger;
  damaged.replace(line + 5, 8, "WRONGPWD");  // b's generated open password
  WriteFile(Path("ledger.csv"), damaged);

  const auto run = Cli("decrypt --ledger ledger.csv --output-dir clear enc");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.output, "enc/a_Secure.pdf: Succeed!")) << run.output;
  EXPECT_TRUE(Contains(run.output, "enc/b_Secure.pdf: Failed! no password of its lines in the ledger")) << run.output;
  EXPECT_TRUE(fs::exists(Path("clear/a_Secure.pdf")));
  EXPECT_FALSE(fs::exists(Path("clear/b_Secure.pdf")));
}

TEST_F(CliProtection, TheOpenPasswordOfARestrictedFileCannotRemoveItsProtection) {
  AddDocuments("in", {"doc"});
  WriteFile(Path("open.txt"), "open pw");
  WriteFile(Path("owner.txt"), "owner pw");
  ASSERT_EQ(Cli("encrypt --open-password-file open.txt --owner-password-file owner.txt --allow print -o enc.pdf in/doc.pdf")
                .exitCode,
            0);
  const auto refused = Cli("decrypt --password-file open.txt -o clear.pdf enc.pdf");
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_TRUE(Contains(refused.output, "Failed! the password given does not carry the authority to change protection"))
      << refused.output;
  EXPECT_FALSE(fs::exists(Path("clear.pdf")));

  const auto allowed = Cli("decrypt --password-file owner.txt -o clear.pdf enc.pdf");
  EXPECT_EQ(allowed.exitCode, 0) << allowed.output;
  EXPECT_FALSE(Encrypted("clear.pdf"));
  // Changing protection needs the same authority.
  const auto again = Cli("encrypt --input-password-file open.txt --open-password-env NEW -o again.pdf enc.pdf", "NEW=x");
  EXPECT_TRUE(Contains(again.output, "authority to change protection")) << again.output;
}

TEST_F(CliProtection, EncryptsOldFilesAnewAndPlainOnesAsUsual) {
  AddDocuments("in", {"plain"});
  WriteFile(Path("old.txt"), "old open");
  WriteFile(Path("old-owner.txt"), "old owner");
  ASSERT_EQ(Cli("encrypt --level rc4-40 --open-password-file old.txt --owner-password-file old-owner.txt "
                "--allow none -o in/old.pdf in/plain.pdf")
                .exitCode,
            0);
  const auto refused = Cli("encrypt --open-password-env NEW --output-dir out in", "NEW=new-open");
  EXPECT_TRUE(Contains(refused.output, "in/old.pdf: Failed! the file is already encrypted")) << refused.output;

  const auto run = Cli("encrypt --input-password-file old-owner.txt --open-password-env NEW --output-dir out in",
                       "NEW=new-open");
  EXPECT_EQ(run.exitCode, 0) << run.output;
  EXPECT_TRUE(Contains(RunCommand("qpdf --password=new-open --show-encryption " + Quote(Path("out/old_Secure.pdf"))).output,
                       "R = 6"));
  for (const std::string old : {"old open", "old owner"}) EXPECT_FALSE(Opens("out/old_Secure.pdf", old)) << old;
  EXPECT_TRUE(Opens("out/plain_Secure.pdf", "new-open"));
}

TEST_F(CliProtection, EachFileGetsItsOwnPasswordFromAList) {
  std::vector<std::string> names;
  std::string list = "\"File Name\",\"Open Password\",\"Owner Password\"\r\n";
  for (int i = 1; i <= 20; ++i) {
    names.push_back("payslip_" + std::to_string(i));
    if (i != 13) list += "\"payslip_" + std::to_string(i) + "\",\"pw-" + std::to_string(i) + "\",\"own-" + std::to_string(i) + "\"\r\n";
  }
  AddDocuments("in", names);
  WriteFile(Path("list.csv"), list);
  const auto run = Cli("encrypt --passwords-from list.csv --password-file ledger.csv --output-dir out in");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_TRUE(Contains(run.output, "payslip_13.pdf: Failed! no line of the password list")) << run.output;
  for (int i = 1; i <= 20; ++i) {
    const std::string copy = "out/payslip_" + std::to_string(i) + "_Secure.pdf";
    if (i == 13) {
      EXPECT_FALSE(fs::exists(Path(copy)));
      continue;
    }
    EXPECT_TRUE(Opens(copy, "pw-" + std::to_string(i))) << copy;
    EXPECT_FALSE(Opens(copy, "pw-" + std::to_string(i % 20 + 1))) << copy;
    EXPECT_FALSE(Opens(copy, "")) << copy;
  }
  EXPECT_TRUE(Contains(ReadFile(Path("ledger.csv")), "\"payslip_7\",\"pw-7\",\"own-7\""));
  // A side the list gives cannot be typed as well.
  EXPECT_EQ(Cli("encrypt --passwords-from list.csv --open-password-env X --output-dir out in", "X=1").exitCode, 2);
}

// A list read wrongly gives copies that open with a password nobody knows or with none: it stops
// the run, naming the line, before anything is written.
TEST_F(CliProtection, AMalformedListStopsTheRunBeforeAnyFile) {
  AddDocuments("in", {"alice", "bob"});
  const std::string header = "\"File Name\",\"Open Password\"\r\n";
  const std::pair<std::string, std::string> lists[] = {
      {header + "\"alice\",\"a-pw\"\r\n\"bob\"\r\n", "line 3: it has 1 field where the header has 2"},
      {header + "\"alice\",\"a-pw\r\n\"bob\",\"b-pw\"\r\n",
       "line 2: a quote opened on this line is not closed before the line ends"},
      {header + "\"bob\",\"b-pw\"\r\n\"alice\",\"a-pw\"\r\n\"bob\",\"other\"\r\n",
       "lines 2 and 4 both name \"" + fs::canonical(Path("in")).string() + "/bob.pdf\" and give it different passwords"},
  };
  for (const auto& [list, message] : lists) {
    SCOPED_TRACE(list);
    WriteFile(Path("list.csv"), list);
    const auto run = Cli("encrypt --passwords-from list.csv --password-file ledger.csv --output-dir out in");
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_EQ(run.output, "ombreltenc-cli: The password list \"" + fs::canonical(Path("list.csv")).string() +
                              "\" cannot be used: " + message + "\n");
    EXPECT_FALSE(fs::exists(Path("out")));
    EXPECT_FALSE(fs::exists(Path("ledger.csv")));
  }
}

// 128-bit RC4 holds printable ASCII only: readers do not agree on the bytes of a CJK password. That
// line's file fails alone; the others are encrypted, with one warning that the level is weak.
TEST_F(CliProtection, AListedPasswordTheLevelCannotHoldFailsThatFileAlone) {
  AddDocuments("in", {"alice", "bob", "carol"});
  WriteFile(Path("list.csv"), "\"File Name\",\"Open Password\"\r\nalice,a-pw\r\nbob,\xE5\xAF\x86\xE7\xA0\x81\r\n"
                              "carol,c-pw\r\n");
  const auto run = Cli("encrypt --level rc4-128 --passwords-from list.csv --output-dir out in");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.output,
            "ombreltenc-cli: warning: rc4-128 is weak and deprecated since PDF 2.0: choose aes-256 unless the copies "
            "must open in readers that know only RC4\n"
            "in/alice.pdf: Succeed!\n"
            "in/bob.pdf: Failed! the open password of its line in the password list \"" +
                fs::canonical(Path("list.csv")).string() +
                "\" has characters this encryption level cannot hold\n"
                "in/carol.pdf: Succeed!\n");
  EXPECT_TRUE(Opens("out/alice_Secure.pdf", "a-pw"));
  EXPECT_FALSE(Opens("out/alice_Secure.pdf", ""));
  EXPECT_TRUE(Opens("out/carol_Secure.pdf", "c-pw"));
  EXPECT_FALSE(fs::exists(Path("out/bob_Secure.pdf")));
  // At 256-bit AES the same list serves every file, with no warning.
  const auto strong = Cli("encrypt --passwords-from list.csv --output-dir strong in");
  EXPECT_EQ(strong.exitCode, 0) << strong.output;
  EXPECT_FALSE(Contains(strong.output, "warning")) << strong.output;
  EXPECT_TRUE(Opens("strong/bob_Secure.pdf", "\xE5\xAF\x86\xE7\xA0\x81"));
}

}  // namespace
}  // namespace cli

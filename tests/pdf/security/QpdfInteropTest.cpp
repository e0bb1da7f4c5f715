// Independent parties agree: files encrypted by qpdf open with our security state, and
// files we encrypt open in qpdf and poppler with the passwords and permissions we set.

#include <gtest/gtest.h>

#include <regex>

#include "pdf/io/MemoryStream.h"
#include "pdf/objects/TextConversions.h"
#include "pdf/security/SecurityInfo.h"
#include "tests/pdf/io/TestPdf.h"
#include "tests/support/EncryptCopy.h"
#include "tests/support/TestTools.h"

namespace pdf {
namespace {

using testing::Quote;
using testing::RunCommand;
using testing::TempFolder;

// "Ωmega 日本" as a UTF-16BE text string.
const std::u16string kTitle = u"\u03A9mega \u65E5\u672C";

std::string BaseDocument() {
  const std::string content = "BT /F1 24 Tf 72 720 Td (Hello interop) Tj ET";
  testing::TestPdf pdf("%PDF-1.4\n");
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>")
      .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] /Contents 4 0 R "
                 "/Resources << /Font << /F1 5 0 R >> >> >>")
      .Object(4, "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream")
      .Object(5, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>")
      .Object(6, "<< /Title <FEFF03A9006D0065006700610020 65E5672C> /Author (Plain author) >>");
  return pdf.Finish("/Root 1 0 R /Info 6 0 R /ID [ <00112233445566778899AABBCCDDEEFF> <00112233445566778899AABBCCDDEEFF> ]");
}

int ReportedNumber(const std::string& report, const std::string& key) {
  std::smatch match;
  const std::regex pattern(key + " = (-?[0-9]+)");
  return std::regex_search(report, match, pattern) ? std::stoi(match[1]) : -99999;
}

class QpdfInterop : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!testing::HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not installed";
    testing::WriteFile(folder_ / "base.pdf", BaseDocument());
  }
  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  TempFolder folder_;
};

struct ReadCase {
  std::string name;
  std::string qpdfArguments;
  std::int32_t revision;
  std::uint8_t cipherLevel;
  std::int32_t keyLength;
  std::int32_t levelItem;
};

const ReadCase kReadCases[] = {
    {"rc4-40", "40 --print=y --modify=n", 2, 0, 40, 7},
    {"rc4-128", "128 --use-aes=n --print=low --modify=none", 3, 1, 128, 8},
    // Crypt filters give their /Length in bytes (16); the record holds bits at every level.
    {"rc4-128-v4", "128 --use-aes=n --force-V4 --print=low --modify=none", 4, 1, 128, 8},
    {"aes-128", "128 --use-aes=y --print=low --modify=none", 4, 2, 128, 12},
    {"aes-256-r5", "256 --force-R5 --print=low --modify=none", 5, 3, 32, 13},
    {"aes-256-r6", "256 --print=low --modify=none", 6, 5, 32, 15}};

TEST_F(QpdfInterop, FilesEncryptedByQpdfOpenWithTheirPasswords) {
  for (const ReadCase& c : kReadCases) {
    for (const std::string user : {"", "us\u00e9r"}) {
      for (const std::string streams : {"disable", "generate"}) {
        SCOPED_TRACE(c.name + " user=" + user + " object streams " + streams);
        const std::string out = Path(c.name + streams + std::to_string(user.size()) + ".pdf");
        const auto made = RunCommand("qpdf --allow-weak-crypto --object-streams=" + streams + " --encrypt " +
                                     Quote(user) + " owner " + c.qpdfArguments + " -- " + Path("base.pdf") + " " + out);
        ASSERT_EQ(made.exitCode, 0) << made.output;
        const std::string report = RunCommand("qpdf --show-encryption --password=owner " + out).output;

        TMemoryStream file(testing::ReadFile(out));
        TSmartPDFReader reader(file);
        ASSERT_EQ(reader.OpenError(), 0);
        TSmartPDFInfo info(reader, false, u"");
        EXPECT_EQ(info.EncryptionState(), 1);
        EXPECT_EQ(info.EncryptRecord().Revision, ReportedNumber(report, "R"));
        EXPECT_EQ(static_cast<std::int32_t>(info.EncryptRecord().PermissionBits), ReportedNumber(report, "P"));
        const std::u16string userText = UTF8ToUnicode(user);
        EXPECT_TRUE(info.CheckPassword(u"owner"));
        EXPECT_FALSE(info.CheckPassword(u"wrong"));
        ASSERT_TRUE(info.CheckPassword(userText));
        EXPECT_EQ(info.Handler().CipherLevel(), c.cipherLevel);
        EXPECT_EQ(info.EncryptRecord().KeyLength, c.keyLength);
        info.SetPassword(userText);
        info.LoadDocument();
        EXPECT_EQ(info.NumberOfPages(), 1u);
        EXPECT_EQ(info.InfoString("Title"), kTitle);
        EXPECT_EQ(info.InfoString("Author"), u"Plain author");
        EXPECT_EQ(info.SecurityItemText(0), "1");
        EXPECT_EQ(info.SecurityItemText(1), user.empty() ? "2" : "3");
        EXPECT_EQ(info.SecurityItemText(4), "5");  // changing: --modify=none
        EXPECT_EQ(info.SecurityItemText(10), std::to_string(c.levelItem));
      }
    }
  }
}

struct WriteCase {
  std::uint8_t strength;
  std::int32_t revision;
};

TEST_F(QpdfInterop, FilesWeEncryptOpenInQpdfAndPoppler) {
  for (const WriteCase c : {WriteCase{0, 2}, WriteCase{1, 3}, WriteCase{2, 4}, WriteCase{3, 5}, WriteCase{5, 6}}) {
    SCOPED_TRACE("strength " + std::to_string(c.strength));
    const std::string out = Path("ours" + std::to_string(c.strength) + ".pdf");
    testing::EncryptCopy(Path("base.pdf"), out, "owner", "user", c.strength, 15, 15);
    for (const std::string password : {"user", "owner"}) {
      const auto check = RunCommand("qpdf --check --password=" + password + " " + out);
      EXPECT_EQ(check.exitCode, 0) << password << ": " << check.output;
    }
    EXPECT_EQ(RunCommand("qpdf --check --password=wrong " + out).exitCode, 2);
    const std::string report = RunCommand("qpdf --show-encryption --password=owner " + out).output;
    EXPECT_EQ(ReportedNumber(report, "R"), c.revision);
    EXPECT_NE(report.find("Supplied password is owner password"), std::string::npos) << report;
    if (testing::HasProgram("pdftotext")) {
      const auto text = RunCommand("pdftotext -upw user " + out + " -");
      EXPECT_NE(text.output.find("Hello interop"), std::string::npos) << text.output;
    }
  }
}

TEST_F(QpdfInterop, EachPermissionFlagAloneShowsInQpdf) {
  struct Flag {
    std::uint8_t basic;
    std::uint8_t extended;
    int bit;
  };
  const Flag flags[] = {{1, 0, 4}, {2, 0, 16}, {4, 0, 8}, {8, 0, 32}, {0, 1, 256}, {0, 2, 512}, {0, 4, 1024}, {0, 8, 2048}};
  for (const std::uint8_t strength : {1, 5}) {
    for (const Flag& flag : flags) {
      SCOPED_TRACE("strength " + std::to_string(strength) + " bit " + std::to_string(flag.bit));
      const std::string out = Path("flag.pdf");
      testing::EncryptCopy(Path("base.pdf"), out, "owner", "user", strength, flag.basic, flag.extended);
      const int p = ReportedNumber(RunCommand("qpdf --show-encryption --password=user " + out).output, "P");
      EXPECT_EQ(p & 0xF3C, flag.bit);
    }
  }
}

}  // namespace
}  // namespace pdf

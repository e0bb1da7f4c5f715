#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "pdf/facade/VelloPDF.h"
#include "pdf/io/MemoryStream.h"
#include "pdf/io/PDFReader.h"
#include "pdf/objects/TextConversions.h"
#include "tests/pdf/io/TestPdf.h"
#include "tests/support/TestTools.h"

namespace pdf {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::u16string Wide(const fs::path& path) { return UTF8ToUnicode(path.string()); }

const std::int32_t kAll = TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1);

std::string TenObjects(const std::string& trailer) {
  testing::TestPdf pdf = testing::OnePageDocument();
  for (int n = 5; n <= 9; ++n) pdf.Object(n, "(filler " + std::to_string(n) + ")");
  pdf.Object(10, "[ (ten) 1 0 R ]");
  return pdf.Finish(trailer);
}

struct Outcome {
  std::int32_t result;
  std::int32_t error;
};

Outcome Encrypt(const fs::path& in, const fs::path& out, std::int32_t strength, std::int32_t permissions = kAll) {
  TCorvanePDFLibrary1013 pdf;
  const std::int32_t result = pdf.EncryptFileToFile(Wide(in), Wide(out), u"owner", u"user", strength, permissions);
  return {result, pdf.ErrorCode()};
}

// The files in a folder other than the given ones: temporary leftovers.
std::vector<std::string> Leftovers(const fs::path& folder, const std::vector<std::string>& expected) {
  std::vector<std::string> extra;
  for (const auto& entry : fs::directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    if (std::find(expected.begin(), expected.end(), name) == expected.end()) extra.push_back(name);
  }
  return extra;
}

TEST(EncryptFileToFile, OneRevisionCopyWithTheEncryptDictionaryLast) {
  TempFolder folder;
  testing::WriteFile(folder / "in.pdf", TenObjects("/Root 1 0 R /ID [ <0102> <0304> ]"));
  const Outcome outcome = Encrypt(folder / "in.pdf", folder / "out.pdf", 1);
  ASSERT_EQ(outcome.error, 0);
  EXPECT_EQ(outcome.result, 1);
  const std::string bytes = testing::ReadFile(folder / "out.pdf");
  EXPECT_TRUE(bytes.starts_with("%PDF-1.4\n"));
  TMemoryStream file(bytes);
  TSmartPDFReader reader(file);
  ASSERT_EQ(reader.OpenError(), 0);
  EXPECT_EQ(reader.MaxObjectNumber(), 11);
  EXPECT_EQ(reader.Trailer()->GetInteger("Size", 0), 12);
  const auto* encrypt = As<TPDFIndRef>(reader.Trailer()->GetValue("Encrypt", false));
  ASSERT_NE(encrypt, nullptr);
  EXPECT_EQ(encrypt->TargetNumber(), 11);
  EXPECT_NE(reader.ReadObjectText(11).find("/Filter /Standard"), std::string::npos);
  const auto* id = As<TPDFArray>(reader.Trailer()->GetValue("ID", false));
  EXPECT_EQ(As<TPDFString>(id->GetItem(0))->Value(), "\x01\x02");
  EXPECT_EQ(Leftovers(folder.Path(), {"in.pdf", "out.pdf"}), std::vector<std::string>{});
}

TEST(EncryptFileToFile, HeaderVersionsAndReadersAgree) {
  if (!testing::HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  TempFolder folder;
  testing::WriteFile(folder / "in.pdf", TenObjects("/Root 1 0 R"));
  const std::pair<std::int32_t, std::string> cases[] = {{0, "1.4"}, {1, "1.4"}, {2, "1.6"}, {3, "1.7"}, {4, "1.7"}};
  for (const auto& [strength, version] : cases) {
    ASSERT_EQ(Encrypt(folder / "in.pdf", folder / "out.pdf", strength).error, 0);
    EXPECT_TRUE(testing::ReadFile(folder / "out.pdf").starts_with("%PDF-" + version)) << strength;
    for (const char* password : {"user", "owner"}) {
      EXPECT_EQ(testing::RunCommand(std::string("qpdf --check --password=") + password + " " + (folder / "out.pdf").string()).exitCode, 0)
          << strength << password;
    }
  }
}

TEST(EncryptFileToFile, FileWithoutIdGetsOneAndKeysUseIt) {
  TempFolder folder;
  testing::WriteFile(folder / "in.pdf", TenObjects("/Root 1 0 R"));
  ASSERT_EQ(Encrypt(folder / "in.pdf", folder / "out.pdf", 0).error, 0);
  TMemoryStream file(testing::ReadFile(folder / "out.pdf"));
  TSmartPDFReader reader(file);
  const auto* id = As<TPDFArray>(reader.Trailer()->GetValue("ID", false));
  ASSERT_NE(id, nullptr);
  EXPECT_EQ(As<TPDFString>(id->GetItem(0))->Value(), As<TPDFString>(id->GetItem(1))->Value());
  EXPECT_EQ(As<TPDFString>(id->GetItem(0))->Value().size(), 16u);
  if (testing::HasProgram("qpdf")) {
    EXPECT_EQ(testing::RunCommand("qpdf --check --password=user " + (folder / "out.pdf").string()).exitCode, 0);
  }
}

TEST(EncryptFileToFile, FreeEntriesKeepTheirGeneration) {
  TempFolder folder;
  std::string bytes = TenObjects("/Root 1 0 R");
  // Turn object 7's entry into a free entry with generation 65535.
  const std::size_t table = bytes.find("xref\n");
  const std::size_t entry = table + 5 + 5 + 20 * 7;
  bytes.replace(entry, 20, testing::TestPdf::Entry(0, 65535, 'f'));
  testing::WriteFile(folder / "in.pdf", bytes);
  ASSERT_EQ(Encrypt(folder / "in.pdf", folder / "out.pdf", 2).error, 0);
  EXPECT_NE(testing::ReadFile(folder / "out.pdf").find("7 65535 obj\nnull\nendobj\n"), std::string::npos);
}

TEST(EncryptFileToFile, RefusalsLeaveFilesAsTheyWere) {
  TempFolder folder;
  const std::string input = TenObjects("/Root 1 0 R");
  testing::WriteFile(folder / "in.pdf", input);
  testing::WriteFile(folder / "old.pdf", "previous output");
  fs::create_symlink(folder / "in.pdf", folder / "link.pdf");
  // A copy of these would name a catalog that is not there: no reader could open it.
  testing::WriteFile(folder / "no-root.pdf", TenObjects(""));
  testing::WriteFile(folder / "root-missing.pdf", TenObjects("/Root 12 0 R"));
  testing::WriteFile(folder / "root-not-dict.pdf", TenObjects("/Root 5 0 R"));
  testing::WriteFile(folder / "root-generation.pdf", TenObjects("/Root 1 3 R"));
  struct Case {
    fs::path in, out;
    std::int32_t strength, permissions, error, result;
  };
  const Case cases[] = {
      {folder / "in.pdf", folder / "old.pdf", 5, kAll, kErrorStrength, 0},
      {folder / "in.pdf", folder / "old.pdf", 1, 0x003200FE, kErrorPermissions, 0},
      {folder / "missing.pdf", folder / "old.pdf", 1, kAll, kErrorInputFile, 0},
      {folder / "in.pdf", folder / "in.pdf", 1, kAll, kErrorOutputReplace, 0},
      {folder / "in.pdf", folder / "link.pdf", 1, kAll, kErrorOutputReplace, 0},
      {folder / "in.pdf", folder / "./in.pdf", 1, kAll, kErrorOutputReplace, 0},
      {folder / "in.pdf", folder.Path(), 1, kAll, kErrorOutputReplace, 0},
      {folder / "in.pdf", folder / "no-such-folder" / "out.pdf", 1, kAll, kErrorOutputWrite, 0},
      {folder / "old.pdf", folder / "out.pdf", 1, kAll, kErrorNotPDF, 0},
      {folder / "no-root.pdf", folder / "old.pdf", 1, kAll, kErrorNotPDF, 0},
      {folder / "root-missing.pdf", folder / "old.pdf", 4, kAll, kErrorNotPDF, 0},
      {folder / "root-not-dict.pdf", folder / "old.pdf", 0, kAll, kErrorNotPDF, 0},
      {folder / "root-generation.pdf", folder / "old.pdf", 2, kAll, kErrorNotPDF, 0}};
  for (const Case& c : cases) {
    const Outcome outcome = Encrypt(c.in, c.out, c.strength, c.permissions);
    EXPECT_EQ(outcome.error, c.error) << c.in << " -> " << c.out;
    EXPECT_EQ(outcome.result, c.result) << c.in << " -> " << c.out;
    EXPECT_EQ(testing::ReadFile(folder / "in.pdf"), input);
    EXPECT_EQ(testing::ReadFile(folder / "old.pdf"), "previous output");
    EXPECT_EQ(Leftovers(folder.Path(), {"in.pdf", "old.pdf", "link.pdf", "no-root.pdf", "root-missing.pdf",
                                        "root-not-dict.pdf", "root-generation.pdf"}),
              std::vector<std::string>{});
  }
  EXPECT_EQ(Encrypt(folder / "in.pdf", folder / "old.pdf", 1, static_cast<std::int32_t>(0xFF3200FFu)).error, 0);
}

TEST(EncryptFileToFile, EncryptedInputIsRefused) {
  TempFolder folder;
  testing::WriteFile(folder / "in.pdf", TenObjects("/Root 1 0 R"));
  ASSERT_EQ(Encrypt(folder / "in.pdf", folder / "once.pdf", 2).error, 0);
  const Outcome twice = Encrypt(folder / "once.pdf", folder / "twice.pdf", 2);
  EXPECT_EQ(twice.error, kErrorEncrypted);
  EXPECT_EQ(twice.result, 0);
  EXPECT_FALSE(fs::exists(folder / "twice.pdf"));
}

TEST(EncryptFileToFile, FullDiskFailsWithoutLeavingAnything) {
  TempFolder folder;
  testing::TestPdf pdf = testing::OnePageDocument();
  for (int n = 5; n < 2000; ++n) pdf.Object(n, "(" + std::string(200, 'x') + ")");
  testing::WriteFile(folder / "in.pdf", pdf.Finish("/Root 1 0 R"));
  testing::WriteFile(folder / "out.pdf", "previous output");
  // A child process whose files may not grow past 64 KiB stands in for a full disk.
  const pid_t child = ::fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{65536, 65536};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    const Outcome outcome = Encrypt(folder / "in.pdf", folder / "out.pdf", 4);
    ::_exit(outcome.error == kErrorOutputWrite && outcome.result == 1 ? 0 : 1);
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(testing::ReadFile(folder / "out.pdf"), "previous output");
  EXPECT_EQ(Leftovers(folder.Path(), {"in.pdf", "out.pdf"}), std::vector<std::string>{});
}

TEST(EncryptFileToFile, ProgressRunsToOneHundred) {
  TempFolder folder;
  testing::WriteFile(folder / "in.pdf", TenObjects("/Root 1 0 R"));
  TCorvanePDFLibrary1013 pdf;
  std::vector<std::int32_t> seen;
  pdf.OnProgress = [&](std::int32_t percent) { seen.push_back(percent); };
  pdf.EncryptFileToFile(Wide(folder / "in.pdf"), Wide(folder / "out.pdf"), u"", u"", 2, kAll);
  EXPECT_EQ(seen, (std::vector<std::int32_t>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
}

}  // namespace
}  // namespace pdf

// Decrypted and re-encrypted copies checked by other readers: qpdf must find a decrypted copy not
// encrypted and read every object of it as it reads the encrypted input with its password
// (tests/tools/compare_objects.py, on pikepdf), and pdftotext must find the same text. A
// re-encrypted copy must open with its new passwords only.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "pdf/facade/VelloPDF.h"
#include "pdf/objects/TextConversions.h"
#include "tests/support/TestTools.h"

namespace pdf {
namespace {

namespace fs = std::filesystem;
using testing::Quote;
using testing::RunCommand;
using testing::TempFolder;

const fs::path kCorpus = OMBRELT_CORPUS_DIR;
const fs::path kCompareObjects = fs::path(OMBRELT_TEST_DATA_DIR).parent_path() / "tools" / "compare_objects.py";

bool HaveReaders() {
  return fs::exists(kCorpus) && testing::HasProgram("qpdf") && testing::HasProgram("pdftotext") &&
         RunCommand("/usr/bin/python3 -c 'import pikepdf'").exitCode == 0;
}

std::u16string Wide(const std::string& text) { return UTF8ToUnicode(text); }
std::u16string Wide(const fs::path& path) { return UTF8ToUnicode(path.string()); }

std::string Text(const fs::path& file, const std::string& password) {
  return RunCommand("pdftotext -q -opw " + Quote(password) + " -upw " + Quote(password) + " " + Quote(file.string()) + " -").output;
}

std::string Pages(const fs::path& file, const std::string& password) {
  return RunCommand("qpdf --password=" + Quote(password) + " --show-npages " + Quote(file.string())).output;
}

// Every object of the input, read by qpdf with its password, has its value in the copy.
void ExpectSameObjects(const fs::path& input, const std::string& inputPassword, const fs::path& copy,
                       const std::string& copyPassword) {
  const auto result = RunCommand("/usr/bin/python3 " + Quote(kCompareObjects.string()) + " " + Quote(input.string()) + " " +
                                 Quote(copy.string()) + " --password " + Quote(copyPassword) + " --input-password " +
                                 Quote(inputPassword));
  EXPECT_EQ(result.exitCode, 0) << result.output;
}

struct DecryptCase {
  std::string file;
  std::string password;  // the owner password, or the open password of a file that grants everything
};

class DecryptCorpus : public ::testing::TestWithParam<DecryptCase> {};

TEST_P(DecryptCorpus, GivesTheDocumentInClear) {
  if (!HaveReaders()) GTEST_SKIP() << "needs the shared corpus, qpdf, pdftotext and pikepdf";
  const DecryptCase& c = GetParam();
  const fs::path input = kCorpus / c.file;
  TempFolder folder;
  const fs::path copy = folder / "clear.pdf";
  TCorvanePDFLibrary1013 library;
  EXPECT_EQ(library.DecryptFileToFile(Wide(input), Wide(copy), Wide(c.password)), 1);
  ASSERT_EQ(library.ErrorCode(), 0);
  EXPECT_NE(RunCommand("qpdf --show-encryption " + Quote(copy.string())).output.find("File is not encrypted"),
            std::string::npos);
  EXPECT_EQ(Pages(copy, ""), Pages(input, c.password));
  EXPECT_EQ(Text(copy, ""), Text(input, c.password));
  ExpectSameObjects(input, c.password, copy, "");
}

INSTANTIATE_TEST_SUITE_P(
    Levels, DecryptCorpus,
    ::testing::Values(DecryptCase{"enc-r2-rc4-40-acrobat5-user-view.pdf", "master"},
                      DecryptCase{"enc-r3-rc4-128-libreoffice.pdf", "permissionpassword"},
                      DecryptCase{"enc-r3-rc4-128-20-pages.pdf", "user"},
                      DecryptCase{"enc-r4-rc4-metadata-crypt-filter.pdf", "owner"},
                      DecryptCase{"enc-r4-aes128-cleartext-metadata.pdf", ""},
                      DecryptCase{"enc-r4-aes128-realworld-jpx.pdf", "ELXRTQWS"},
                      DecryptCase{"enc-r5-aes256-user3-owner3.pdf", "owner3"},
                      DecryptCase{"enc-r6-aes256-acrobatXI-user-view.pdf", "master"},
                      DecryptCase{"enc-r6-aes256-user-foo-owner-bar.pdf", "foo"},
                      DecryptCase{"enc-r6-aes256-unicode-user-pw.pdf", "owner"}),
    [](const auto& info) {
      std::string name = info.param.file.substr(0, info.param.file.size() - 4);
      for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return name;
    });

struct RefusalCase {
  std::string file;
  std::string password;
  std::int32_t code;
};

TEST(DecryptFileToFile, RefusesWhatThePasswordDoesNotAllow) {
  if (!fs::exists(kCorpus)) GTEST_SKIP() << "needs the shared corpus";
  const std::vector<RefusalCase> cases = {
      // The open password of files that restrict printing, copying or changes.
      {"enc-r3-rc4-128-acrobat5-user-view.pdf", "view", kErrorAuthority},
      {"enc-r6-aes256-print-protection.pdf", "password", kErrorAuthority},
      {"enc-r2-rc4-40-acrobat5-user-view.pdf", "view", kErrorAuthority},
      {"enc-r6-aes256-user-foo-owner-bar.pdf", "wrong", kErrorPassword},
      {"basic-google-docs.pdf", "", kErrorNotEncrypted},
  };
  for (const RefusalCase& c : cases) {
    TempFolder folder;
    TCorvanePDFLibrary1013 library;
    EXPECT_EQ(library.DecryptFileToFile(Wide(kCorpus / c.file), Wide(folder / "out.pdf"), Wide(c.password)), 0) << c.file;
    EXPECT_EQ(library.ErrorCode(), c.code) << c.file;
    EXPECT_FALSE(fs::exists(folder / "out.pdf")) << c.file;
  }
}

TEST(ReencryptFileToFile, MovesAnOldFileToNewPasswordsAndLevel) {
  if (!HaveReaders()) GTEST_SKIP() << "needs the shared corpus, qpdf, pdftotext and pikepdf";
  const fs::path input = kCorpus / "enc-r2-rc4-40-acrobat5-user-view.pdf";
  TempFolder folder;
  const fs::path copy = folder / "aes.pdf";
  TCorvanePDFLibrary1013 library;
  const std::int32_t all = TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1);
  EXPECT_EQ(library.ReencryptFileToFile(Wide(input), Wide(copy), u"master", u"new-owner", u"new-open", 4, all), 1);
  ASSERT_EQ(library.ErrorCode(), 0);
  const std::string encryption = RunCommand("qpdf --password=new-open --show-encryption " + Quote(copy.string())).output;
  EXPECT_NE(encryption.find("R = 6"), std::string::npos) << encryption;
  for (const std::string old : {"view", "master"}) {
    EXPECT_EQ(RunCommand("qpdf --password=" + old + " --check " + Quote(copy.string())).exitCode, 2) << old;
  }
  EXPECT_EQ(Text(copy, "new-open"), Text(input, "master"));
  ExpectSameObjects(input, "master", copy, "new-owner");
  if (testing::HasProgram("mutool")) {
    EXPECT_EQ(RunCommand("mutool info -p new-open " + Quote(copy.string())).exitCode, 0);
  }
}

// A 256-bit AES file whose metadata is in clear (/EncryptMetadata false): decrypting or encrypting
// it anew keeps the XMP packet as it is, and qpdf reads every object of the copies as it reads the
// input.
TEST(ReencryptFileToFile, ClearMetadataOfAnAES256InputIsKept) {
  if (!HaveReaders()) GTEST_SKIP() << "needs the shared corpus, qpdf, pdftotext and pikepdf";
  TempFolder folder;
  const fs::path input = folder / "clear-metadata.pdf";
  ASSERT_EQ(RunCommand("qpdf --encrypt '' owner 256 --cleartext-metadata -- " +
                       Quote((kCorpus / "basic-pdfa-crazyones.pdf").string()) + " " + Quote(input.string())).exitCode, 0);
  const auto metadata = [](const fs::path& file, const std::string& password) {
    return RunCommand("/usr/bin/python3 -c " +
                      Quote("import pikepdf,sys\np=pikepdf.open(sys.argv[1],password=sys.argv[2])\n"
                            "sys.stdout.buffer.write(p.Root.Metadata.read_bytes())") +
                      " " + Quote(file.string()) + " " + Quote(password)).output;
  };
  const std::string original = metadata(input, "owner");
  ASSERT_NE(original.find("pdfaid"), std::string::npos) << original;
  const std::int32_t all = TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1);
  TCorvanePDFLibrary1013 library;
  library.DecryptFileToFile(Wide(input), Wide(folder / "clear.pdf"), u"owner");
  ASSERT_EQ(library.ErrorCode(), 0);
  EXPECT_EQ(metadata(folder / "clear.pdf", ""), original);
  ExpectSameObjects(input, "owner", folder / "clear.pdf", "");
  for (const bool keepReadable : {false, true}) {
    library.KeepMetadataReadable = keepReadable;
    library.ReencryptFileToFile(Wide(input), Wide(folder / "again.pdf"), u"owner", u"new-owner", u"new-open", 4, all);
    ASSERT_EQ(library.ErrorCode(), 0);
    EXPECT_EQ(metadata(folder / "again.pdf", "new-open"), original) << keepReadable;
    ExpectSameObjects(input, "owner", folder / "again.pdf", "new-owner");
  }
}

TEST(ReencryptFileToFile, EncryptsAnInputThatIsNotEncrypted) {
  if (!fs::exists(kCorpus)) GTEST_SKIP() << "needs the shared corpus";
  TempFolder folder;
  TCorvanePDFLibrary1013 library;
  EXPECT_EQ(library.ReencryptFileToFile(Wide(kCorpus / "basic-google-docs.pdf"), Wide(folder / "out.pdf"), u"ignored",
                                        u"o", u"u", 2, TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1)),
            1);
  EXPECT_EQ(library.ErrorCode(), 0);
  EXPECT_EQ(library.InspectFile(Wide(folder / "out.pdf"), u"u") != 0, true);
}

// Our own copies at every level come back to the document they were made from.
TEST(DecryptFileToFile, OurCopiesAtEveryLevelComeBack) {
  if (!HaveReaders()) GTEST_SKIP() << "needs the shared corpus, qpdf, pdftotext and pikepdf";
  const fs::path original = kCorpus / "basic-pdftex-paper-14-pages.pdf";
  for (std::int32_t level = 0; level <= 4; ++level) {
    TempFolder folder;
    TCorvanePDFLibrary1013 library;
    const std::int32_t restricted = TVelloPDF::BuildPermissionMask(1, 0, 0, 0, 0, 1, 0, 0);
    ASSERT_EQ(library.EncryptFileToFile(Wide(original), Wide(folder / "enc.pdf"), u"owner", u"open", level, restricted), 1);
    EXPECT_EQ(library.DecryptFileToFile(Wide(folder / "enc.pdf"), Wide(folder / "clear.pdf"), u"open"), 0);
    EXPECT_EQ(library.ErrorCode(), kErrorAuthority) << level;
    EXPECT_EQ(library.DecryptFileToFile(Wide(folder / "enc.pdf"), Wide(folder / "clear.pdf"), u"owner"), 1);
    ASSERT_EQ(library.ErrorCode(), 0) << level;
    EXPECT_EQ(Text(folder / "clear.pdf", ""), Text(original, "")) << level;
    ExpectSameObjects(folder / "enc.pdf", "owner", folder / "clear.pdf", "");
  }
}

}  // namespace
}  // namespace pdf

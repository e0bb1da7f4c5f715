// Damaged files as real ones break: a line before "%PDF-", a download cut short, a wrong or
// missing startxref, a table of zeros, a /Prev into nothing. Each is built from a small sound
// document, opened, encrypted, and its copy read back by qpdf and poppler: the pages and their
// text must be those of the document before the damage.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "pdf/facade/VelloPDF.h"
#include "pdf/objects/TextConversions.h"
#include "tests/pdf/io/TestPdf.h"
#include "tests/support/TestTools.h"

namespace pdf {
namespace {

namespace fs = std::filesystem;
using testing::RunCommand;
using testing::TempFolder;

std::string Quote(const std::string& text) { return "'" + text + "'"; }

std::string PageContents(int page, const std::string& words) {
  const std::string text = "BT /F1 18 Tf 72 700 Td (" + words + " on page " + std::to_string(page) + ") Tj ET";
  return "<< /Length " + std::to_string(text.size()) + " >>\nstream\n" + text + "\nendstream";
}

// Objects 1 to 9 of a three-page document with a font, and object 10, a stream of filler.
std::vector<std::pair<int, std::string>> DocumentObjects(const std::string& words) {
  std::vector<std::pair<int, std::string>> objects = {
      {1, "<< /Type /Catalog /Pages 2 0 R >>"},
      {2, "<< /Type /Pages /Kids [ 3 0 R 5 0 R 7 0 R ] /Count 3 >>"},
      {9, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"}};
  for (int page = 1; page <= 3; ++page) {
    objects.emplace_back(2 * page + 1, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] /Resources << /Font << /F1 9 0 R >> >> /Contents " +
                                           std::to_string(2 * page + 2) + " 0 R >>");
    objects.emplace_back(2 * page + 2, PageContents(page, words));
  }
  objects.emplace_back(10, "<< /Length 4000 >>\nstream\n" + std::string(4000, 'x') + "\nendstream");
  return objects;
}

std::string ClassicDocument() {
  testing::TestPdf pdf;
  auto objects = DocumentObjects("Sound words");
  std::sort(objects.begin(), objects.end());
  for (const auto& [number, body] : objects) pdf.Object(number, body);
  return pdf.Finish("/Root 1 0 R /Info << /Title (Damaged) >>");
}

// The document with every dictionary in an object stream (11) and a cross-reference stream (12):
// only the streams are plain objects.
std::string ObjectStreamDocument() {
  std::string bytes = "%PDF-1.5\n";
  std::map<int, std::pair<char, std::int64_t>> entries;  // number -> (type, offset or index)
  std::string header;
  std::string members;
  int index = 0;
  for (const auto& [number, body] : DocumentObjects("Sound words")) {
    if (body.find("stream") != std::string::npos) {
      entries[number] = {1, static_cast<std::int64_t>(bytes.size())};
      bytes += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
      continue;
    }
    header += std::to_string(number) + " " + std::to_string(members.size()) + " ";
    members += body + "\n";
    entries[number] = {2, index++};
  }
  entries[11] = {1, static_cast<std::int64_t>(bytes.size())};
  const std::string data = header + members;
  bytes += "11 0 obj\n<< /Type /ObjStm /N " + std::to_string(index) + " /First " + std::to_string(header.size()) +
           " /Length " + std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream\nendobj\n";
  const std::int64_t xref = static_cast<std::int64_t>(bytes.size());
  entries[12] = {1, xref};
  std::string rows(7, '\0');
  rows[0] = 0;
  for (int number = 1; number <= 12; ++number) {
    const auto [type, field] = entries[number];
    const std::int64_t second = type == 2 ? 11 : field;
    rows += std::string{type, static_cast<char>(second >> 24), static_cast<char>(second >> 16),
                        static_cast<char>(second >> 8), static_cast<char>(second), 0,
                        static_cast<char>(type == 2 ? field : 0)};
  }
  bytes += "12 0 obj\n<< /Type /XRef /Size 13 /W [ 1 4 2 ] /Root 1 0 R /Length " + std::to_string(rows.size()) +
           " >>\nstream\n" + rows + "\nendstream\nendobj\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return bytes;
}

// Damage as it happens to files.
void Erase(std::string& bytes, const std::string& from, const std::string& to) {
  const std::size_t start = bytes.rfind(from);
  bytes.erase(start, bytes.find(to, start) + to.size() - start);
}
void NoStartxref(std::string& bytes) { Erase(bytes, "startxref", "\n%%EOF"); }
void WrongStartxref(std::string& bytes) {
  const std::size_t number = bytes.rfind("startxref\n") + 10;
  bytes.replace(number, bytes.find('\n', number) - number, "120");
}
void TableOfZeros(std::string& bytes) {
  for (std::size_t entry = bytes.find(" 00000 n"); entry != std::string::npos; entry = bytes.find(" 00000 n", entry + 1)) {
    bytes.replace(entry - 10, 10, "0000000000");
  }
}
void NoTrailer(std::string& bytes) { Erase(bytes, "trailer", ">>\n"); }
void JunkBeforeHeader(std::string& bytes) { bytes.insert(0, "X-Mailer: gateway 1.0\r\nContent-Type: application/pdf\r\n\r\n"); }
void CutInTrailer(std::string& bytes) { bytes.resize(bytes.rfind("/Root")); }
void CutInFiller(std::string& bytes) { bytes.resize(bytes.find(std::string(100, 'x')) + 1000); }
void BrokenXRefStream(std::string& bytes) {
  const std::size_t data = bytes.find("stream\n", bytes.rfind("/Type /XRef")) + 7;
  bytes.replace(data, 20, std::string(20, '\xFF'));
}
// An incremental update that rewrites page 1 and whose /Prev leads nowhere (or back to itself).
void UpdateWithPrev(std::string& bytes, const std::string& prev) {
  const std::size_t object = bytes.size();
  bytes += "4 0 obj\n" + PageContents(1, "Updated words") + "\nendobj\n";
  const std::size_t xref = bytes.size();
  bytes += "xref\n0 1\n" + testing::TestPdf::Entry(0, 65535, 'f') + "4 1\n" + testing::TestPdf::Entry(static_cast<std::int64_t>(object), 0, 'n') +
           "trailer\n<< /Size 11 /Root 1 0 R /Prev " + (prev.empty() ? std::to_string(xref) : prev) + " >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
}
void PrevIntoNothing(std::string& bytes) { UpdateWithPrev(bytes, "99999"); }
void PrevLoop(std::string& bytes) { UpdateWithPrev(bytes, ""); }
void NoRoot(std::string& bytes) { bytes.replace(bytes.rfind("/Root 1 0 R"), 11, "           "); }

struct TDamageCase {
  const char* name;
  std::function<std::string()> document;
  std::vector<std::function<void(std::string&)>> damage;
  const char* page1Words;
};

const TDamageCase kDamageCases[] = {
    {"no startxref", ClassicDocument, {NoStartxref}, "Sound words"},
    {"wrong startxref", ClassicDocument, {WrongStartxref}, "Sound words"},
    {"table of zeros", ClassicDocument, {TableOfZeros}, "Sound words"},
    {"no trailer", ClassicDocument, {NoTrailer}, "Sound words"},
    {"no /Root", ClassicDocument, {NoRoot}, "Sound words"},
    {"cut in the trailer", ClassicDocument, {CutInTrailer}, "Sound words"},
    {"cut in a stream", ClassicDocument, {CutInFiller}, "Sound words"},
    {"/Prev into nothing", ClassicDocument, {PrevIntoNothing}, "Updated words"},
    {"/Prev loop", ClassicDocument, {PrevLoop}, "Updated words"},
    {"junk before the header, no startxref", ClassicDocument, {JunkBeforeHeader, NoStartxref}, "Sound words"},
    {"junk before the header, table of zeros, no startxref", ClassicDocument, {JunkBeforeHeader, TableOfZeros, NoStartxref}, "Sound words"},
    {"/Prev loop, junk before the header", ClassicDocument, {PrevLoop, JunkBeforeHeader}, "Updated words"},
    {"object streams, no startxref", ObjectStreamDocument, {NoStartxref}, "Sound words"},
    {"object streams, broken cross-reference stream", ObjectStreamDocument, {BrokenXRefStream}, "Sound words"},
    {"object streams, junk and a wrong startxref", ObjectStreamDocument, {JunkBeforeHeader, WrongStartxref}, "Sound words"},
};

std::int32_t PageCount(TVelloPDF& library, const fs::path& file, std::u16string_view password, std::string& repaired) {
  const std::int32_t handle = library.InspectFile(UTF8ToUnicode(file.string()), password);
  if (handle == 0) return -1;
  repaired = UnicodeToUTF8(library.InspectionItem(handle, kInspectionItemRepaired));
  const std::int32_t pages = std::stoi(UnicodeToUTF8(library.InspectionItem(handle, 9)));
  library.ReleaseInspection(handle);
  return pages;
}

TEST(DamagedFiles, SoundDocumentsReadAsTheyStand) {
  TempFolder folder;
  for (const auto& make : {ClassicDocument, ObjectStreamDocument}) {
    testing::WriteFile(folder / "in.pdf", make());
    TVelloPDF library;
    std::string repaired;
    EXPECT_EQ(PageCount(library, folder / "in.pdf", u"", repaired), 3);
    EXPECT_EQ(repaired, "");
    if (testing::HasProgram("qpdf")) {
      EXPECT_EQ(RunCommand("qpdf --check " + Quote((folder / "in.pdf").string())).exitCode, 0);
    }
  }
}

TEST(DamagedFiles, AreOpenedRepairedAndCopiedWithTheirPagesAndText) {
  const bool readers = testing::HasProgram("qpdf") && testing::HasProgram("pdftotext");
  for (const TDamageCase& c : kDamageCases) {
    SCOPED_TRACE(c.name);
    TempFolder folder;
    std::string bytes = c.document();
    for (const auto& damage : c.damage) damage(bytes);
    testing::WriteFile(folder / "in.pdf", bytes);
    TVelloPDF library;
    std::string repaired;
    EXPECT_EQ(PageCount(library, folder / "in.pdf", u"", repaired), 3);
    EXPECT_NE(repaired, "");
    library.EncryptFileToFile(UTF8ToUnicode((folder / "in.pdf").string()), UTF8ToUnicode((folder / "out.pdf").string()),
                              u"owner", u"user", 3, TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1));
    ASSERT_EQ(library.ErrorCode(), 0);
    EXPECT_TRUE(library.LastCopyRepairs().Any());
    if (!readers) continue;
    const std::string out = Quote((folder / "out.pdf").string());
    EXPECT_EQ(RunCommand("qpdf --check --password=user " + out).exitCode, 0);
    EXPECT_EQ(RunCommand("qpdf --show-npages --password=user " + out).output, "3\n");
    const std::string text = RunCommand("pdftotext -upw user " + out + " -").output;
    EXPECT_NE(text.find(std::string(c.page1Words) + " on page 1"), std::string::npos) << text;
    EXPECT_NE(text.find("Sound words on page 3"), std::string::npos) << text;
  }
}

// The copy of a stream cut short holds the data up to the cut, and says so in its /Length.
TEST(DamagedFiles, AStreamCutShortKeepsItsDataUpToTheCut) {
  if (!testing::HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not on PATH (scripts/setup installs it)";
  TempFolder folder;
  std::string bytes = ClassicDocument();
  CutInFiller(bytes);
  testing::WriteFile(folder / "in.pdf", bytes);
  TVelloPDF library;
  library.EncryptFileToFile(UTF8ToUnicode((folder / "in.pdf").string()), UTF8ToUnicode((folder / "out.pdf").string()),
                            u"owner", u"user", 4, TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1));
  ASSERT_EQ(library.ErrorCode(), 0);
  const std::string data =
      RunCommand("qpdf --password=user --show-object=10 --raw-stream-data " + Quote((folder / "out.pdf").string())).output;
  EXPECT_EQ(data, std::string(1000, 'x'));
}

// Encrypted files break too; their /Encrypt dictionary is found by the scan, and the password
// opens them, object streams and all.
TEST(DamagedFiles, EncryptedDamagedFilesOpenWithTheirPassword) {
  if (!testing::HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not on PATH (scripts/setup installs it)";
  TempFolder folder;
  testing::WriteFile(folder / "sound.pdf", ClassicDocument());
  const std::string sound = Quote((folder / "sound.pdf").string());
  const std::string encrypted = Quote((folder / "encrypted.pdf").string());
  const struct {
    const char* name;
    const char* qpdfOptions;
    std::function<void(std::string&)> damage;
  } cases[] = {
      {"RC4, table, no startxref", "--allow-weak-crypto --encrypt user owner 128 --use-aes=n --", NoStartxref},
      {"AES-128, object streams, broken cross-reference stream", "--encrypt user owner 128 --use-aes=y -- --object-streams=generate", BrokenXRefStream},
      {"AES-256, object streams, no startxref", "--encrypt user owner 256 -- --object-streams=generate", NoStartxref},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_EQ(RunCommand("qpdf " + std::string(c.qpdfOptions) + " " + sound + " " + encrypted).exitCode, 0);
    std::string bytes = testing::ReadFile(folder / "encrypted.pdf");
    c.damage(bytes);
    testing::WriteFile(folder / "damaged.pdf", bytes);
    TVelloPDF library;
    std::string repaired;
    EXPECT_EQ(PageCount(library, folder / "damaged.pdf", u"user", repaired), 3);
    EXPECT_NE(repaired, "");
    EXPECT_EQ(PageCount(library, folder / "damaged.pdf", u"wrong", repaired), -1);
    EXPECT_EQ(library.ErrorCode(), kErrorPassword);
  }
}

}  // namespace
}  // namespace pdf

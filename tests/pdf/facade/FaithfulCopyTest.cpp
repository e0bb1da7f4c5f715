// Encrypted copies checked by other readers, not by our own: qpdf, pdfinfo and mutool must open each
// copy with both passwords, qpdf must read every object of the copy as it reads the input's, and no
// document text may be left in clear. Each fixture is a fault that once passed our own verification.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "pdf/facade/VelloPDF.h"
#include "pdf/objects/TextConversions.h"
#include "tests/pdf/io/TestPdf.h"
#include "tests/support/TestTools.h"

namespace pdf {
namespace {

namespace fs = std::filesystem;
using testing::Quote;
using testing::RunCommand;
using testing::TempFolder;
using testing::TestPdf;

constexpr char kUser[] = "user-pw";
constexpr char kOwner[] = "owner-pw";
constexpr char kMarker[] = "SECRETMARK";

struct CopyCase {
  std::string name;
  std::string pdf;
  int objects;  // objects 1 .. objects are compared
};

TestPdf Document(const std::string& page) {
  TestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>")
      .Object(3, page)
      .Object(4, "<< /Length 10 >>\nstream\nq Q BT ET\nendstream");
  return pdf;
}

constexpr char kPlainPage[] = "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] /Contents 4 0 R >>";

std::vector<CopyCase> Cases() {
  std::vector<CopyCase> cases;
  // Values the object model cannot hold: the tokens must come back as they were read, and the
  // entries after them must not be lost.
  cases.push_back({"tokens", Document("<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] /Contents 4 0 R "
                                      "/Resources << /XObject << /Im#1 5 0 R /Im# 5 0 R >> >> "
                                      "/Matrix [ 1 0 0 1e-05 +5 - .5 5. ] /Big 1000000000000000 /C 0.6509803922 "
                                      "/F [ 0.00048828125 2.09E-16 -.000000000001 ] /T (SECRETMARK \\q\\9\\101) "
                                      "/After (SECRETMARK after) >>")
                                 .Object(5, "<< /Type /XObject /Subtype /Form /BBox [ 0 0 1 1 ] /Length 0 >>\nstream\n\nendstream")
                                 .Finish("/Root 1 0 R /ID [ <01020304> <05060708> ]"),
                   5});
  for (const std::string id : {"/ID 5 0 R", "/ID [ <0102> ]", "/ID [ <> <> ]", "/ID [ 1 2 ]"}) {
    cases.push_back({"id " + id, Document(kPlainPage).Object(5, "[ <AABB> <CCDD> (SECRETMARK) ]").Finish("/Root 1 0 R " + id), 5});
  }
  // Strings in every form, copied from their objects' text with only the strings encrypted.
  cases.push_back({"strings", Document(kPlainPage)
                                  .Object(5, "<</Type/Annot/Subtype/Text/Rect[0 0 1 1]/Contents(SECRETMARK \\101\\\n"
                                             "(nested)\r\n\\)x)/NM<534543524554>/T(a)/V<41 4>>>")
                                  .Object(6, "[ (SECRETMARK) [ << /K (x\\) y) >> ] <> () ]")
                                  .Object(7, "(SECRETMARK top-level)")
                                  .Finish("/Root 1 0 R"),
                   7});
  cases.push_back({"direct info", Document(kPlainPage).Finish("/Root 1 0 R /Info << /Title (SECRETMARK title) >>"), 4});
  // A signature's /Contents is never encrypted; everything else in the dictionary is. Without
  // /Type the dictionary is no signature to readers. (qpdf 11.3 decrypts the /Contents of a
  // /DocTimeStamp, so that form is checked by its bytes below.)
  for (const std::string type : {"/Type /Sig", ""}) {
    cases.push_back({"signature " + type,
                     Document(kPlainPage)
                         .Object(5, "<< " + type + " /Filter /Adobe.PPKLite /ByteRange [ 0 10 20 30 ] "
                                    "/Contents <3082DEADBEEF> /Name (SECRETMARK name) >>")
                         .Finish("/Root 1 0 R"),
                     5});
  }
  return cases;
}

class FaithfulCopy : public ::testing::TestWithParam<int> {
 protected:
  static void SetUpTestSuite() {
    for (const char* program : {"qpdf", "pdfinfo", "mutool"}) {
      if (!testing::HasProgram(program)) missing_ = program;
    }
  }
  static std::string missing_;
};
std::string FaithfulCopy::missing_;

// What qpdf reads of one object: its value, and a stream's decoded data. Warnings (they name the
// file and its offsets) are left out.
std::string ReadByQpdf(const fs::path& file, const std::string& password, int number) {
  const std::string command = "qpdf" + (password.empty() ? std::string() : " --password=" + Quote(password)) +
                              " --show-object=" + std::to_string(number) + " " + Quote(file.string());
  std::string text = RunCommand("(" + command + " 2>/dev/null)").output;
  if (!text.starts_with("Object is stream.")) return text;
  // A stream's /Length counts its encrypted bytes: the data is compared instead.
  text = std::regex_replace(text, std::regex("/Length [0-9]+"), "/Length");
  return text + RunCommand("(" + command + " --filtered-stream-data 2>/dev/null)").output;
}

// How badly a reader did: 0 clean, then qpdf's warnings (exit 3) before errors (any other).
int Severity(int exitCode) { return exitCode == 0 ? 0 : exitCode == 3 ? 1 : 2; }

// Each reader opens the copy with either password at least as well as it opens the input.
void ExpectReadersOpen(const fs::path& input, const fs::path& copy, const std::string& label) {
  const auto status = [](const std::string& command, const std::string& option, const fs::path& file,
                         const std::string& tail) { return Severity(RunCommand(command + option + Quote(file.string()) + tail).exitCode); };
  const int qpdfInput = status("qpdf --check ", "", input, "");
  const int pdfinfoInput = status("pdfinfo ", "", input, "");
  const int mutoolInput = status("mutool show ", "", input, " trailer");
  for (const std::string password : {kUser, kOwner}) {
    const std::string pdfinfoOption = password == kUser ? "-upw " : "-opw ";
    EXPECT_LE(status("qpdf --check ", "--password=" + password + " ", copy, ""), qpdfInput) << label << " qpdf " << password;
    EXPECT_LE(status("pdfinfo ", pdfinfoOption + password + " ", copy, ""), pdfinfoInput) << label << " pdfinfo " << password;
    EXPECT_LE(status("mutool show ", "-p " + password + " ", copy, " trailer"), mutoolInput) << label << " mutool " << password;
  }
}

TEST_P(FaithfulCopy, OtherReadersReadTheCopyAsTheInput) {
  if (!missing_.empty()) GTEST_SKIP() << missing_ << " is not installed";
  const std::int32_t strength = GetParam();
  TempFolder folder;
  for (const CopyCase& c : Cases()) {
    const std::string label = c.name + " at strength " + std::to_string(strength);
    testing::WriteFile(folder / "in.pdf", c.pdf);
    TCorvanePDFLibrary1013 library;
    library.EncryptFileToFile(UTF8ToUnicode((folder / "in.pdf").string()), UTF8ToUnicode((folder / "out.pdf").string()),
                              UTF8ToUnicode(kOwner), UTF8ToUnicode(kUser), strength,
                              TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1));
    ASSERT_EQ(library.ErrorCode(), 0) << label;
    ExpectReadersOpen(folder / "in.pdf", folder / "out.pdf", label);
    // 256-bit AES names its extension level in the catalog, which the inputs here lack.
    const std::regex extension(R"( /Extensions << /ADBE << /BaseVersion /1\.7 /ExtensionLevel [38] >> >>)");
    for (int number = 1; number <= c.objects; ++number) {
      EXPECT_EQ(std::regex_replace(ReadByQpdf(folder / "out.pdf", kUser, number), extension, ""),
                ReadByQpdf(folder / "in.pdf", "", number))
          << label << " object " << number;
    }
    const std::string info = RunCommand("pdfinfo " + Quote((folder / "in.pdf").string()) + " | grep Title").output;
    EXPECT_EQ(RunCommand("pdfinfo -upw " + std::string(kUser) + " " + Quote((folder / "out.pdf").string()) +
                         " | grep Title")
                  .output,
              info)
        << label;
    EXPECT_EQ(testing::ReadFile(folder / "out.pdf").find(kMarker), std::string::npos) << label << ": text in clear";
  }
}

INSTANTIATE_TEST_SUITE_P(EveryStrength, FaithfulCopy, ::testing::Values(0, 1, 2, 3, 4));

// The table lists objects 0 to 4 only; the page refers to object 5 as well. The /Encrypt dictionary
// must not take number 5, and the font must not be lost: MuPDF finds it by scanning the file when it
// draws the page (qpdf reads the reference as null), so the copy holds it as object 5.
TEST(FaithfulCopyRepairs, ObjectsTheTableLeavesOutAreKept) {
  if (!testing::HasProgram("qpdf") || !testing::HasProgram("mutool")) GTEST_SKIP() << "qpdf or mutool missing";
  TestPdf pdf = Document("<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] /Contents 4 0 R "
                         "/Resources << /Font << /F1 5 0 R >> >> >>");
  pdf.Raw("5 0 obj\n<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>\nendobj\n");
  TempFolder folder;
  testing::WriteFile(folder / "in.pdf", pdf.Finish("/Root 1 0 R"));
  TCorvanePDFLibrary1013 library;
  library.EncryptFileToFile(UTF8ToUnicode((folder / "in.pdf").string()), UTF8ToUnicode((folder / "out.pdf").string()),
                            UTF8ToUnicode(kOwner), UTF8ToUnicode(kUser), 2, TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1));
  ASSERT_EQ(library.ErrorCode(), 0);
  EXPECT_EQ(library.LastCopyRepairs().relocatedObjects, 1u);
  EXPECT_NE(ReadByQpdf(folder / "out.pdf", kUser, 5).find("/BaseFont /Helvetica"), std::string::npos);
  // mutool draws the copy with the same complaints as the input, and none about a missing object.
  const auto errors = [](const std::string& option, const fs::path& file) {
    const std::string output = RunCommand("mutool draw" + option + " -o /dev/null " + Quote(file.string())).output;
    return output.substr(0, output.find("page "));
  };
  EXPECT_EQ(errors(" -p " + std::string(kUser), folder / "out.pdf"), errors("", folder / "in.pdf"));
}

// The trailer's /Root names an object the table leaves out: the catalog must be copied, and the
// /Encrypt dictionary must not take its number (a copy whose /Root named the /Encrypt dictionary
// passed as a success before the fuzzer found it).
TEST(FaithfulCopyRepairs, CatalogOutsideTheTableIsCopied) {
  TestPdf pdf;
  pdf.Object(1, "<< /Type /Pages /Kids [ 2 0 R ] /Count 1 >>").Object(2, "<< /Type /Page /Parent 1 0 R /MediaBox [ 0 0 612 792 ] >>");
  pdf.Raw("3 0 obj\n<< /Type /Catalog /Pages 1 0 R >>\nendobj\n");
  TempFolder folder;
  testing::WriteFile(folder / "in.pdf", pdf.Finish("/Root 3 0 R"));
  TCorvanePDFLibrary1013 library;
  library.EncryptFileToFile(UTF8ToUnicode((folder / "in.pdf").string()), UTF8ToUnicode((folder / "out.pdf").string()),
                            u"o", u"u", 1, TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1));
  ASSERT_EQ(library.ErrorCode(), 0);
  const std::int32_t handle = library.InspectFile(UTF8ToUnicode((folder / "out.pdf").string()), u"u");
  ASSERT_NE(handle, 0);
  EXPECT_EQ(library.InspectionItem(handle, 9), u"1");
  if (testing::HasProgram("qpdf")) {
    EXPECT_EQ(RunCommand("qpdf --password=u --show-npages " + Quote((folder / "out.pdf").string())).output, "1\n");
  }
}

// An entry whose object is a few bytes off its offset, or pointing at another object: the object is
// found and copied, and the copy says it was repaired. Before, the page went blank.
TEST(FaithfulCopyRepairs, MisplacedObjectsAreFoundAndReported) {
  TestPdf pdf = Document(kPlainPage);
  std::string bytes = pdf.Finish("/Root 1 0 R");
  const std::string three = TestPdf::Entry(pdf.Offset(3), 0, 'n');
  bytes.replace(bytes.find(three), three.size(), TestPdf::Entry(pdf.Offset(2), 0, 'n'));
  TempFolder folder;
  testing::WriteFile(folder / "in.pdf", bytes);
  TCorvanePDFLibrary1013 library;
  library.EncryptFileToFile(UTF8ToUnicode((folder / "in.pdf").string()), UTF8ToUnicode((folder / "out.pdf").string()),
                            u"o", u"u", 4, TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1));
  ASSERT_EQ(library.ErrorCode(), 0);
  EXPECT_EQ(library.LastCopyRepairs().relocatedObjects, 1u);
  EXPECT_EQ(library.LastCopyRepairs().unreadableObjects, 0u);
  if (testing::HasProgram("qpdf")) {
    EXPECT_EQ(RunCommand("qpdf --password=u --show-npages " + Quote((folder / "out.pdf").string())).output, "1\n");
    EXPECT_NE(ReadByQpdf(folder / "out.pdf", "u", 3).find("/Type /Page"), std::string::npos);
  }
}

TEST(FaithfulCopySignatures, ContentsStayInClear) {
  TempFolder folder;
  for (const std::string type : {"/Type /Sig", "/Type /DocTimeStamp"}) {
    const std::string signature = "<< " + type + " /ByteRange [ 0 10 20 30 ] /Contents <3082DEADBEEF> /M (D:2024) >>";
    testing::WriteFile(folder / "in.pdf", Document(kPlainPage).Object(5, "<< /FT /Sig /V " + signature + " >>").Finish("/Root 1 0 R"));
    TCorvanePDFLibrary1013 library;
    library.EncryptFileToFile(UTF8ToUnicode((folder / "in.pdf").string()), UTF8ToUnicode((folder / "out.pdf").string()),
                              u"o", u"u", 2, TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1));
    ASSERT_EQ(library.ErrorCode(), 0);
    const std::string copy = testing::ReadFile(folder / "out.pdf");
    EXPECT_NE(copy.find("/Contents <3082DEADBEEF>"), std::string::npos) << type;
    EXPECT_EQ(copy.find("D:2024"), std::string::npos) << type;
  }
}

// The format forbids an /Encrypt dictionary inside an object stream; such a file must be refused
// as encrypted, not crash the reader whose object-stream hook ran before its handler existed.
TEST(FaithfulCopyRefusals, EncryptDictionaryInAnObjectStream) {
  const std::string objects = "<< /Filter /Standard /V 1 /R 2 /O <00> /U <00> /P -4 >>";
  const std::string header = "6 0 ";
  const std::string data = header + objects;
  TestPdf pdf("%PDF-1.5\n");
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(2, "<< /Type /Pages /Kids [ ] /Count 0 >>")
      .Object(5, "<< /Type /ObjStm /N 1 /First " + std::to_string(header.size()) + " /Length " +
                     std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream");
  const std::int64_t xref = pdf.Size();
  std::string rows;
  const auto row = [&rows](int type, std::int64_t a, int b) {
    rows += static_cast<char>(type);
    for (int shift = 24; shift >= 0; shift -= 8) rows += static_cast<char>((a >> shift) & 0xFF);
    rows += static_cast<char>(b);
  };
  row(0, 0, 0);
  row(1, pdf.Offset(1), 0);
  row(1, pdf.Offset(2), 0);
  row(0, 0, 0);
  row(0, 0, 0);
  row(1, pdf.Offset(5), 0);
  row(2, 5, 0);
  row(1, xref, 0);
  pdf.Object(7, "<< /Type /XRef /Size 8 /W [ 1 4 1 ] /Root 1 0 R /Encrypt 6 0 R /Length " +
                    std::to_string(rows.size()) + " >>\nstream\n" + rows + "\nendstream");
  std::string bytes = pdf.EndLines(pdf.Offset(7));
  TempFolder folder;
  testing::WriteFile(folder / "in.pdf", bytes);
  const std::u16string in = UTF8ToUnicode((folder / "in.pdf").string());
  TCorvanePDFLibrary1013 library;
  const std::int32_t handle = library.InspectFile(in, u"");
  EXPECT_NE(library.ErrorCode(), 0);
  if (handle != 0) library.ReleaseInspection(handle);
  library.EncryptFileToFile(in, UTF8ToUnicode((folder / "out.pdf").string()), u"o", u"u", 4,
                            TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1));
  EXPECT_EQ(library.ErrorCode(), kErrorEncrypted);
  EXPECT_FALSE(fs::exists(folder / "out.pdf"));
}

}  // namespace
}  // namespace pdf

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>

#include "pdf/facade/ErrorWords.h"
#include "pdf/facade/VelloPDF.h"
#include "pdf/io/MemoryStream.h"
#include "pdf/io/PDFReader.h"
#include "pdf/objects/StreamFilters.h"
#include "pdf/objects/TextConversions.h"
#include "pdf/security/SecurityInfo.h"
#include "tests/pdf/io/InflatingStream.h"
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
  const Outcome outcome = Encrypt(folder / "in.pdf", folder / "out.pdf", 2);
  ASSERT_EQ(outcome.error, 0);
  EXPECT_EQ(outcome.result, 1);
  const std::string bytes = testing::ReadFile(folder / "out.pdf");
  EXPECT_TRUE(bytes.starts_with("%PDF-1.6\n"));
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

// The copy's header is the higher of the input's version and the one its level needs, never lower
// than what the input uses; 256-bit AES on PDF 1.x names Adobe's extension level of its revision.
TEST(EncryptFileToFile, HeaderVersionsAndReadersAgree) {
  if (!testing::HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  TempFolder folder;
  struct TCase {
    const char* input;
    std::int32_t strength;
    const char* version;
    const char* qpdfVersion;  // as qpdf --check reports it
  };
  const TCase cases[] = {
      {"1.4", 0, "1.4", "1.4"}, {"1.4", 1, "1.4", "1.4"}, {"1.4", 2, "1.6", "1.6"},
      {"1.4", 3, "1.7", "1.7 extension level 3"}, {"1.4", 4, "1.7", "1.7 extension level 8"},
      {"1.7", 0, "1.7", "1.7"}, {"1.7", 1, "1.7", "1.7"}, {"1.7", 2, "1.7", "1.7"},
      {"1.7", 4, "1.7", "1.7 extension level 8"}, {"2.0", 1, "2.0", "2.0"}, {"2.0", 4, "2.0", "2.0"},
  };
  for (const TCase& c : cases) {
    const std::string header = std::string("%PDF-") + c.input + "\n";
    testing::WriteFile(folder / "in.pdf", testing::OnePageDocument(header).Finish("/Root 1 0 R"));
    ASSERT_EQ(Encrypt(folder / "in.pdf", folder / "out.pdf", c.strength).error, 0);
    EXPECT_TRUE(testing::ReadFile(folder / "out.pdf").starts_with(std::string("%PDF-") + c.version + "\n"))
        << c.input << " " << c.strength;
    for (const char* password : {"user", "owner"}) {
      const auto check = testing::RunCommand(std::string("qpdf --check --password=") + password + " " +
                                             (folder / "out.pdf").string());
      EXPECT_EQ(check.exitCode, 0) << c.input << " " << c.strength << password;
      EXPECT_NE(check.output.find(std::string("PDF Version: ") + c.qpdfVersion + "\n"), std::string::npos)
          << c.input << " " << c.strength << "\n" << check.output;
    }
  }
}

// The input's own extensions stay, a higher Adobe level of its own too; a lower one is raised.
TEST(EncryptFileToFile, ExtensionsOfTheInputAreKept) {
  TempFolder folder;
  struct TCase {
    const char* extensions;
    std::vector<std::string> expected;
  };
  const TCase cases[] = {
      {"<< /XYZ << /BaseVersion /1.7 /ExtensionLevel 2 >> >>",
       {"/XYZ << /BaseVersion /1.7 /ExtensionLevel 2 >>", "/ADBE << /BaseVersion /1.7 /ExtensionLevel 8 >>"}},
      {"<< /ADBE << /BaseVersion /1.7 /ExtensionLevel 3 >> >>", {"/ADBE << /BaseVersion /1.7 /ExtensionLevel 8 >>"}},
      {"<< /ADBE << /BaseVersion /1.7 /ExtensionLevel 11 >> >>", {"/ADBE << /BaseVersion /1.7 /ExtensionLevel 11 >>"}},
      {"6 0 R", {"/XYZ << /BaseVersion /1.7 /ExtensionLevel 1 >>", "/ADBE << /BaseVersion /1.7 /ExtensionLevel 8 >>"}},
  };
  for (const TCase& c : cases) {
    testing::TestPdf pdf("%PDF-1.7\n");
    pdf.Object(1, std::string("<< /Type /Catalog /Pages 2 0 R /Extensions ") + c.extensions + " >>");
    pdf.Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>");
    pdf.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>");
    pdf.Object(4, "null");
    pdf.Object(5, "null");
    pdf.Object(6, "<< /XYZ << /BaseVersion /1.7 /ExtensionLevel 1 >> >>");
    testing::WriteFile(folder / "in.pdf", pdf.Finish("/Root 1 0 R"));
    TCorvanePDFLibrary1013 library;
    library.EncryptFileToFile(Wide(folder / "in.pdf"), Wide(folder / "out.pdf"), u"owner", u"", 4, kAll);
    ASSERT_EQ(library.ErrorCode(), 0) << c.extensions;
    TMemoryStream file(testing::ReadFile(folder / "out.pdf"));
    TSmartPDFReader reader(file);
    TSmartPDFInfo info(reader, true, u"");
    ASSERT_NE(info.Catalog(), nullptr);
    const auto* extensions = As<TPDFDictionary>(info.Catalog()->GetValue("Extensions", false));
    ASSERT_NE(extensions, nullptr) << c.extensions;
    std::string text = extensions->ToText();
    std::replace(text.begin(), text.end(), '\n', ' ');
    for (const std::string& entry : c.expected) {
      EXPECT_NE(text.find(entry), std::string::npos) << c.extensions << " -> " << text;
    }
  }
}

// Keys of RC4 copies derive from the first /ID string and the passwords alone: every RC4 copy gets
// a fresh one, so two copies of one file with one password never share a key. Other levels keep
// the input's first string (AES keys are random or used with random IVs). New strings are 16
// random bytes.
TEST(EncryptFileToFile, IdentifiersOfCopies) {
  TempFolder folder;
  testing::WriteFile(folder / "in.pdf", TenObjects("/Root 1 0 R /ID [ <0102> <0304> ]"));
  const auto identifier = [&](const fs::path& copy) {
    TMemoryStream file(testing::ReadFile(copy));
    TSmartPDFReader reader(file);
    const auto* id = As<TPDFArray>(reader.Trailer()->GetValue("ID", false));
    return std::make_pair(As<TPDFString>(id->GetItem(0))->Value(), As<TPDFString>(id->GetItem(1))->Value());
  };
  for (const std::int32_t strength : {0, 1, 2, 4}) {
    ASSERT_EQ(Encrypt(folder / "in.pdf", folder / "a.pdf", strength).error, 0);
    ASSERT_EQ(Encrypt(folder / "in.pdf", folder / "b.pdf", strength).error, 0);
    const auto [firstA, secondA] = identifier(folder / "a.pdf");
    const auto [firstB, secondB] = identifier(folder / "b.pdf");
    EXPECT_EQ(secondA.size(), 16u);
    EXPECT_NE(secondA, secondB) << strength;
    if (strength <= 1) {
      EXPECT_EQ(firstA.size(), 16u);
      EXPECT_NE(firstA, firstB) << strength;
      EXPECT_NE(firstA, "\x01\x02") << strength;
    } else {
      EXPECT_EQ(firstA, "\x01\x02") << strength;
    }
  }
}

// With KeepMetadataReadable at the AES levels, the catalog's XMP stays in clear and the dictionary
// says so; a page's own metadata is encrypted all the same. Readers open the copy and read the XMP.
TEST(EncryptFileToFile, MetadataKeptReadable) {
  TempFolder folder;
  const std::string xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/'>readable title</x:xmpmeta>";
  testing::TestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R /Metadata 4 0 R >>");
  pdf.Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>");
  pdf.Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] /Metadata 5 0 R >>");
  pdf.Object(4, "<< /Type /Metadata /Subtype /XML /Length " + std::to_string(xmp.size()) + " >>\nstream\n" + xmp +
                    "\nendstream");
  pdf.Object(5, "<< /Type /Metadata /Subtype /XML /Length " + std::to_string(xmp.size()) + " >>\nstream\n" + xmp +
                    "\nendstream");
  testing::WriteFile(folder / "in.pdf", pdf.Finish("/Root 1 0 R"));
  for (const std::int32_t strength : {0, 2, 3, 4}) {
    TCorvanePDFLibrary1013 library;
    library.KeepMetadataReadable = true;
    library.EncryptFileToFile(Wide(folder / "in.pdf"), Wide(folder / "out.pdf"), u"owner", u"user", strength, kAll);
    ASSERT_EQ(library.ErrorCode(), 0) << strength;
    const std::string bytes = testing::ReadFile(folder / "out.pdf");
    const bool aes = strength >= 2;
    EXPECT_EQ(bytes.find(xmp) != std::string::npos, aes) << strength;
    // Only one of the two packets is in clear.
    EXPECT_EQ(bytes.find(xmp) == bytes.rfind(xmp), true) << strength;
    EXPECT_EQ(bytes.find("/EncryptMetadata false") != std::string::npos, aes) << strength;

    // Our reader opens the copy with both passwords and decrypts the page's packet, not the catalog's.
    for (const std::u16string password : {u"user", u"owner"}) {
      TMemoryStream file(bytes);
      TSmartPDFReader reader(file);
      TSmartPDFInfo info(reader, false, password);
      ASSERT_TRUE(info.CheckPassword(password));
      info.SetPassword(password);
      EXPECT_TRUE(info.Handler().PermsAgree()) << strength;
      for (const std::int32_t number : {4, 5}) {
        TPDFStructure arena;
        auto* stream = As<TPDFStream>(reader.GetObject(number, &arena));
        ASSERT_NE(stream, nullptr);
        info.DecryptObject(stream, number, 0);
        EXPECT_EQ(stream->Data(), xmp) << strength << " object " << number;
      }
    }
    if (testing::HasProgram("qpdf")) {
      const auto shown = testing::RunCommand("qpdf --password=user --show-object=4 --raw-stream-data " +
                                             (folder / "out.pdf").string());
      EXPECT_EQ(shown.output, xmp) << strength;
    }
  }
}

TEST(EncryptFileToFile, FileWithoutIdGetsOneAndKeysUseIt) {
  TempFolder folder;
  testing::WriteFile(folder / "in.pdf", TenObjects("/Root 1 0 R"));
  ASSERT_EQ(Encrypt(folder / "in.pdf", folder / "out.pdf", 2).error, 0);
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
  std::string noCatalog = TenObjects("");
  noCatalog.replace(noCatalog.find("/Catalog"), 8, "/Katalog");
  testing::WriteFile(folder / "no-catalog.pdf", noCatalog);
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
      {folder / "no-catalog.pdf", folder / "old.pdf", 1, kAll, kErrorNotPDF, 0},
      {folder / "root-generation.pdf", folder / "old.pdf", 2, kAll, kErrorNotPDF, 0}};
  for (const Case& c : cases) {
    const Outcome outcome = Encrypt(c.in, c.out, c.strength, c.permissions);
    EXPECT_EQ(outcome.error, c.error) << c.in << " -> " << c.out;
    EXPECT_EQ(outcome.result, c.result) << c.in << " -> " << c.out;
    EXPECT_EQ(testing::ReadFile(folder / "in.pdf"), input);
    EXPECT_EQ(testing::ReadFile(folder / "old.pdf"), "previous output");
    EXPECT_EQ(Leftovers(folder.Path(), {"in.pdf", "old.pdf", "link.pdf", "no-catalog.pdf", "root-generation.pdf"}),
              std::vector<std::string>{});
  }
  EXPECT_EQ(Encrypt(folder / "in.pdf", folder / "old.pdf", 1, static_cast<std::int32_t>(0xFF3200FFu)).error, 0);
}

// Objects 5 and 6 each alone in an object stream (7, 8) of a few kilobytes that inflates to 40 MiB:
// together more than a file this small may make us inflate. The copy would hold object 6 as null.
TEST(EncryptFileToFile, ObjectStreamsInflatingPastTheFilesBudgetAreRefusedWithTheirReason) {
  constexpr std::size_t kDecoded = std::size_t{40} << 20;
  testing::TestPdf pdf = testing::OnePageDocument("%PDF-1.5\n");
  for (int n = 5; n <= 6; ++n) pdf.Object(n + 2, testing::InflatingObjectStream(n, kDecoded));
  std::string bytes = pdf.Bytes();
  const auto xref = static_cast<std::int64_t>(bytes.size());
  bytes += "xref\n0 9\n" + testing::TestPdf::Entry(0, 65535, 'f');
  for (int n = 1; n <= 4; ++n) bytes += testing::TestPdf::Entry(pdf.Offset(n), 0, 'n');
  bytes += testing::TestPdf::Entry(7, 0, 'c') + testing::TestPdf::Entry(8, 0, 'c');
  for (int n = 7; n <= 8; ++n) bytes += testing::TestPdf::Entry(pdf.Offset(n), 0, 'n');
  bytes += "trailer\n<< /Size 9 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  TempFolder folder;
  testing::WriteFile(folder / "bombs.pdf", bytes);
  const Outcome outcome = Encrypt(folder / "bombs.pdf", folder / "out.pdf", 2);
  EXPECT_EQ(outcome.error, kErrorInflation);
  EXPECT_FALSE(fs::exists(folder / "out.pdf"));
  EXPECT_NE(ErrorWords(kErrorInflation).find("inflates to far more than a file of its size holds"), std::string::npos);
}

// A trailer without a usable /Root is damage other readers get past by finding the catalog by its
// type; so do we, and the copy names it.
TEST(EncryptFileToFile, ACatalogTheTrailerDoesNotNameIsFound) {
  TempFolder folder;
  const std::pair<const char*, std::string> cases[] = {
      {"no /Root", TenObjects("")}, {"/Root missing", TenObjects("/Root 12 0 R")}, {"/Root not a catalog", TenObjects("/Root 5 0 R")}};
  for (const auto& [name, bytes] : cases) {
    testing::WriteFile(folder / "in.pdf", bytes);
    const Outcome outcome = Encrypt(folder / "in.pdf", folder / "out.pdf", 3);
    ASSERT_EQ(outcome.error, 0) << name;
    if (!testing::HasProgram("qpdf")) continue;
    const auto pages = testing::RunCommand("qpdf --show-npages --password=user " + (folder / "out.pdf").string());
    EXPECT_EQ(pages.output, "1\n") << name;
  }
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

// An encrypted copy opened with the user password, its objects decrypted on request.
struct TEncryptedCopy {
  explicit TEncryptedCopy(const fs::path& path)
      : bytes(testing::ReadFile(path)), file(bytes), reader(file), info(reader, false, u"user") {}
  TPDFObject* Decrypted(std::int32_t number) {
    TPDFObject* object = reader.GetObject(number, &arena);
    info.Handler().DecryptObject(info.Handler().ObjectKey(number, reader.Generation(number)), object);
    return object;
  }
  std::string bytes;
  TMemoryStream file;
  TSmartPDFReader reader;
  TSmartPDFInfo info;
  TPDFStructure arena;
};

std::string ParsedText(const std::string& text) { return TPDFStructure().ParseObject(text)->ToText(); }

TEST(EncryptFileToFile, PlainObjectsAreCopiedAsTheyStandAndTheRestIsWrittenAnew) {
  struct Case {
    std::string body;
    std::string after;  // bytes between this object's "endobj" and the next object
    bool verbatim;
  };
  const Case cases[] = {
      {"<< /FontMatrix [.00048828125 0 0 -.00048828125 0 0] /LW 1.33333337 >>", "", true},
      {"[ 1 0 R /Name 2.5 true null ]", "\r\n", true},
      {"<< /Title (secret) >>", "", false},  // holds a string, which is encrypted
      {"<< /Name /A#20B >>", "", false},     // an escaped name is spelled anew
      {"<< /A 1 % note\n>>", "", false},
      {"<< /A 2 >>", "% note after endobj\n", false},
      {"<< /A 3 >>\n12 0 obj\n<< /B 4 >>", "", false},  // a second header inside the object's text
  };
  TempFolder folder;
  testing::TestPdf pdf = testing::OnePageDocument();
  for (std::size_t i = 0; i < std::size(cases); ++i) pdf.Object(5 + static_cast<int>(i), cases[i].body).Raw(cases[i].after);
  testing::WriteFile(folder / "in.pdf", pdf.Finish("/Root 1 0 R"));
  ASSERT_EQ(Encrypt(folder / "in.pdf", folder / "out.pdf", 4).error, 0);
  TEncryptedCopy copy(folder / "out.pdf");
  EXPECT_EQ(copy.bytes.find("secret"), std::string::npos);
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    const auto number = static_cast<std::int32_t>(5 + i);
    EXPECT_EQ(copy.reader.ReadObjectText(number) == "\n" + c.body + "\nendobj\n", c.verbatim) << c.body;
    EXPECT_EQ(copy.Decrypted(number)->ToText(), ParsedText(c.body)) << c.body;
  }
}

// Objects 2 and 3 in object stream 4, found through the cross-reference stream 5.
std::string ObjectStreamDocument() {
  const std::string pages = "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>";
  const std::string page = "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>";
  const std::string header = "2 0 3 " + std::to_string(pages.size() + 1) + " ";
  const std::string objects = header + pages + " " + page;
  testing::TestPdf pdf("%PDF-1.5\n");
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Object(4, "<< /Type /ObjStm /N 2 /First " + std::to_string(header.size()) + " /Length " +
                    std::to_string(objects.size()) + " >>\nstream\n" + objects + "\nendstream");
  const std::int64_t xref = pdf.Size();
  // Seven bytes an entry: the type, four of offset or object stream, two of generation or index.
  const auto entry = [](int type, std::int64_t second, int third) {
    std::string bytes(1, static_cast<char>(type));
    for (const int shift : {24, 16, 8, 0}) bytes += static_cast<char>((second >> shift) & 0xFF);
    return bytes + static_cast<char>(third >> 8) + static_cast<char>(third & 0xFF);
  };
  const std::string entries = entry(0, 0, 65535) + entry(1, pdf.Offset(1), 0) + entry(2, 4, 0) + entry(2, 4, 1) +
                              entry(1, pdf.Offset(4), 0) + entry(1, xref, 0);
  pdf.Object(5, "<< /Type /XRef /Size 6 /W [ 1 4 2 ] /Root 1 0 R /Length " + std::to_string(entries.size()) +
                    " >>\nstream\n" + entries + "\nendstream");
  return pdf.EndLines(xref);
}

TEST(EncryptFileToFile, ObjectsOfObjectStreamsAreCopiedOneByOneAndTheStreamsStayUnreferenced) {
  TempFolder folder;
  testing::WriteFile(folder / "in.pdf", ObjectStreamDocument());
  {
    TMemoryStream file(testing::ReadFile(folder / "in.pdf"));
    TSmartPDFReader input(file);
    ASSERT_TRUE(input.IsCompressed(2) && input.IsCompressed(3) && input.HasXRefStream());
  }
  ASSERT_EQ(Encrypt(folder / "in.pdf", folder / "out.pdf", 4).error, 0);
  TEncryptedCopy copy(folder / "out.pdf");
  EXPECT_EQ(copy.reader.MaxObjectNumber(), 6);
  EXPECT_EQ(copy.Decrypted(2)->ToText(), ParsedText("<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>"));
  EXPECT_EQ(copy.Decrypted(3)->ToText(), ParsedText("<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>"));
  // The streams themselves come along encrypted, but the copy's table is classic and every entry
  // is a plain object: nothing reads them any more.
  EXPECT_FALSE(copy.reader.IsCompressed(2) || copy.reader.IsCompressed(3) || copy.reader.HasXRefStream());
  for (const auto& [number, type] : {std::pair{4, "ObjStm"}, std::pair{5, "XRef"}}) {
    const auto* stream = As<TPDFStream>(copy.Decrypted(number));
    ASSERT_NE(stream, nullptr) << number;
    EXPECT_EQ(stream->Dictionary()->GetTypeName(), type);
  }
  if (testing::HasProgram("qpdf")) {
    const auto out = (folder / "out.pdf").string();
    EXPECT_EQ(testing::RunCommand("qpdf --check --password=user " + out).exitCode, 0);
    EXPECT_EQ(testing::RunCommand("qpdf --show-npages --password=user " + out).output, "1\n");
  }
}

TEST(EncryptFileToFile, LargeStreamsEncryptedInPiecesDecryptToTheirData) {
  std::string data(3 * 1024 * 1024 + 5, '\0');
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  TempFolder folder;
  testing::TestPdf pdf = testing::OnePageDocument();
  pdf.Object(5, "<< /Length " + std::to_string(data.size()) + " /Note (note) >>\nstream\n" + data + "\nendstream");
  testing::WriteFile(folder / "in.pdf", pdf.Finish("/Root 1 0 R"));
  for (const std::int32_t strength : {1, 2, 4}) {
    ASSERT_EQ(Encrypt(folder / "in.pdf", folder / "out.pdf", strength).error, 0) << strength;
    TEncryptedCopy copy(folder / "out.pdf");
    auto* stream = As<TPDFStream>(copy.reader.GetObject(5, &copy.arena));
    ASSERT_NE(stream, nullptr) << strength;
    EXPECT_EQ(stream->Dictionary()->GetInteger("Length", 0), static_cast<std::int32_t>(stream->Data().size())) << strength;
    auto* decrypted = As<TPDFStream>(copy.Decrypted(5));
    EXPECT_TRUE(decrypted->Data() == data) << strength;
    EXPECT_EQ(As<TPDFString>(decrypted->Dictionary()->GetValue("Note", false))->Value(), "note") << strength;
    if (testing::HasProgram("qpdf")) {
      EXPECT_EQ(testing::RunCommand("qpdf --check --password=user " + (folder / "out.pdf").string()).exitCode, 0) << strength;
    }
  }
}

TEST(EncryptFileToFile, InputCutShortWhileItIsCopiedFailsWithoutOutput) {
  TempFolder folder;
  const std::string input = TenObjects("/Root 1 0 R");
  testing::WriteFile(folder / "in.pdf", input);
  TCorvanePDFLibrary1013 pdf;
  // Another program truncates the file halfway through the copy.
  pdf.OnProgress = [&](std::int32_t percent) {
    if (percent == 50) fs::resize_file(folder / "in.pdf", input.size() / 2);
  };
  EXPECT_EQ(pdf.EncryptFileToFile(Wide(folder / "in.pdf"), Wide(folder / "out.pdf"), u"", u"user", 4, kAll), 1);
  EXPECT_EQ(pdf.ErrorCode(), kErrorInputFile);
  EXPECT_EQ(Leftovers(folder.Path(), {"in.pdf"}), std::vector<std::string>{});
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

#include <gtest/gtest.h>

#include <vector>

#include "pdf/facade/VelloPDF.h"
#include "pdf/objects/TextConversions.h"
#include "tests/pdf/io/TestPdf.h"
#include "tests/support/TestTools.h"

namespace pdf {
namespace {

using testing::TempFolder;

std::u16string Wide(const std::filesystem::path& path) { return UTF8ToUnicode(path.string()); }

std::string ThreePages() {
  testing::TestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(2, "<< /Type /Pages /Kids [ 3 0 R 4 0 R 5 0 R ] /Count 3 >>")
      .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>")
      .Object(4, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>")
      .Object(5, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>")
      .Object(6, "<< /Title <FEFF03A9006D0065006700610020D83DDE00> /Author (A. Writer) /CreationDate (D:20240101120000Z) >>");
  return pdf.Finish("/Root 1 0 R /Info 6 0 R");
}

TEST(InspectFile, UnencryptedFileGivesTheFullList) {
  TempFolder folder;
  const auto path = folder / "three.pdf";
  const std::string bytes = ThreePages();
  testing::WriteFile(path, bytes);
  TCorvanePDFLibrary1013 pdf;
  const std::int32_t handle = pdf.InspectFile(Wide(path), u"");
  ASSERT_NE(handle, 0);
  EXPECT_EQ(pdf.ErrorCode(), 0);
  EXPECT_EQ(pdf.InspectionItem(handle, 0), Wide(path));
  EXPECT_EQ(pdf.InspectionItem(handle, 1), UTF8ToUnicode(std::to_string(bytes.size())));
  EXPECT_EQ(pdf.InspectionItem(handle, 2), u"A. Writer");
  EXPECT_EQ(pdf.InspectionItem(handle, 3), u"\u03A9mega \U0001F600");
  EXPECT_EQ(pdf.InspectionItem(handle, 8), u"1.4");
  EXPECT_EQ(pdf.InspectionItem(handle, 9), u"3");
  EXPECT_EQ(pdf.InspectionItem(handle, 10), u"D:20240101120000Z");
  EXPECT_EQ(pdf.InspectionItem(handle, 13), u"None");
  EXPECT_EQ(pdf.InspectionItem(handle, 14), u"No");
  EXPECT_EQ(pdf.InspectionItem(handle, 20), u"0");
  EXPECT_EQ(pdf.InspectionItem(handle, 23), u"4");
  EXPECT_EQ(pdf.InspectionItem(handle, 31), u"0");
  for (const int empty : {12, 16, 19, 32, 40}) EXPECT_EQ(pdf.InspectionItem(handle, empty), u"") << empty;
  EXPECT_EQ(pdf.InspectionItem(handle, 43), u"11");
  EXPECT_EQ(pdf.InspectionItem(handle, kInspectionItemSigned), u"No");
  EXPECT_EQ(pdf.InspectionItem(handle, kInspectionItemPDFA), u"");
  EXPECT_EQ(pdf.InspectionItem(handle, kInspectionItemCount), u"");
  EXPECT_EQ(pdf.InspectionItem(handle, -1), u"");
  EXPECT_EQ(pdf.ReleaseInspection(handle), 1);
  EXPECT_EQ(pdf.InspectionItem(handle, 13), u"");
  EXPECT_EQ(pdf.ReleaseInspection(handle), 0);
  // A released handle's index is never handed out again.
  const std::int32_t next = pdf.InspectFile(Wide(path), u"");
  EXPECT_GT(next, handle);
}

TEST(InspectFile, Failures) {
  TempFolder folder;
  testing::WriteFile(folder / "text.pdf", "just some text, not a PDF\n");
  struct Case {
    std::filesystem::path path;
    std::int32_t error;
  };
  for (const Case& c : {Case{folder / "missing.pdf", kErrorInputFile}, Case{folder.Path(), kErrorInputFile},
                        Case{folder / "text.pdf", kErrorNotPDF}}) {
    TCorvanePDFLibrary1013 pdf;
    EXPECT_EQ(pdf.InspectFile(Wide(c.path), u""), 0) << c.path;
    EXPECT_EQ(pdf.ErrorCode(), c.error) << c.path;
  }
}

TEST(InspectFile, EncryptedFilesNeedTheirPassword) {
  if (!testing::HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  TempFolder folder;
  testing::WriteFile(folder / "plain.pdf", ThreePages());
  struct Case {
    std::string user, owner;
    std::u16string given;
    std::int32_t error;
    std::u16string encryption;
  };
  const Case cases[] = {{"", "owner", u"", 0, u"User"},
                        {"", "", u"", 0, u"Owner"},
                        {"user", "owner", u"", kErrorPassword, u""},
                        {"user", "owner", u"user", 0, u"User"},
                        {"user", "owner", u"owner", 0, u"Owner"}};
  for (const Case& c : cases) {
    const auto path = folder / "encrypted.pdf";
    ASSERT_EQ(testing::RunCommand("qpdf --encrypt " + testing::Quote(c.user) + " " + testing::Quote(c.owner) +
                                  " 256 -- " + (folder / "plain.pdf").string() + " " + path.string())
                  .exitCode,
              0);
    TCorvanePDFLibrary1013 pdf;
    const std::int32_t handle = pdf.InspectFile(Wide(path), c.given);
    EXPECT_EQ(pdf.ErrorCode(), c.error);
    EXPECT_EQ(pdf.InspectionItem(handle, 13), c.encryption);
    if (c.error == 0) {
      EXPECT_EQ(pdf.InspectionItem(handle, 3), u"\u03A9mega \U0001F600");
      EXPECT_EQ(pdf.InspectionItem(handle, 9), u"3");
      EXPECT_EQ(pdf.InspectionItem(handle, 30), u"15");
    }
  }
}

TEST(InspectFile, NoticesOfCorpusFiles) {
  const std::filesystem::path corpus = OMBRELT_CORPUS_DIR;
  if (!std::filesystem::is_directory(corpus)) GTEST_SKIP() << "no corpus at " << corpus;
  struct Case {
    const char* file;
    std::u16string isSigned;
    std::u16string pdfa;
  };
  const Case cases[] = {
      {"basic-pdfa-crazyones.pdf", u"No", u"PDF/A-1B"},
      {"signed-xref-table.pdf", u"Yes", u""},
      {"signed-linearized-xrefstream.pdf", u"Yes", u""},
      {"hybrid-incremental-7-revisions-form-242-fields.pdf", u"Yes", u""},  // usage rights
      {"xrefstream-incremental-3-revisions-form.pdf", u"Yes", u""},         // usage rights
      {"form-xfa-filled-3mb.pdf", u"Yes", u""},                             // certified
      {"enc-r4-aes128-signed.pdf", u"Yes", u""},
      {"form-libreoffice-9-fields.pdf", u"No", u""},
      {"form-pdflatex-3-fields.pdf", u"No", u""},
      {"basic-google-docs.pdf", u"No", u""},
  };
  TempFolder folder;
  for (const Case& c : cases) {
    TCorvanePDFLibrary1013 pdf;
    const std::int32_t handle = pdf.InspectFile(Wide(corpus / c.file), u"");
    ASSERT_NE(handle, 0) << c.file << ": " << pdf.ErrorCode();
    EXPECT_EQ(pdf.InspectionItem(handle, kInspectionItemSigned), c.isSigned) << c.file;
    EXPECT_EQ(pdf.InspectionItem(handle, kInspectionItemPDFA), c.pdfa) << c.file;
    // The copy finds the same notices while it encrypts the file (an encrypted input has none).
    if (std::string_view(c.file).starts_with("enc-")) continue;
    ASSERT_EQ(pdf.EncryptFileToFile(Wide(corpus / c.file), Wide(folder / "copy.pdf"), u"o", u"u", 3, TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1)), 1) << c.file;
    ASSERT_EQ(pdf.ErrorCode(), kErrorNone) << c.file;
    EXPECT_EQ(pdf.LastCopyNotices().signedDocument, c.isSigned == u"Yes") << c.file;
    EXPECT_EQ(UTF8ToUnicode(pdf.LastCopyNotices().claimedPDFA), c.pdfa) << c.file;
  }
}

// A signature field declared nowhere else (no /SigFlags, no /Perms) is found by the copy however
// its /FT is written: spelled out, with an escape, or as a reference to a name object. Fields
// that are not signature fields, or signature fields without a value, leave the input unsigned.
TEST(InspectFile, CopyFindsSignatureFieldsHoweverTheyAreWritten) {
  struct Case {
    const char* label;
    std::string fieldType;  // the field's /FT value
    std::string value;      // its /V entry
    bool expectSigned;
  };
  const Case cases[] = {
      {"spelled out", "/Sig", "/V 6 0 R", true},
      {"escaped", "/S#69g", "/V 6 0 R", true},
      {"indirect", "7 0 R", "/V 6 0 R", true},
      {"text field", "/Tx", "/V (Sig)", false},
      {"no value", "/Sig", "", false},
  };
  TempFolder folder;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    pdf::testing::TestPdf file;
    file.Object(1, "<< /Type /Catalog /Pages 2 0 R /AcroForm << /Fields [ 5 0 R ] >> >>")
        .Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>")
        .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 200 200 ] /Annots [ 5 0 R ] >>")
        .Object(5, "<< /FT " + c.fieldType + " /T (field) /Subtype /Widget /Rect [ 0 0 10 10 ] " + c.value + " >>")
        .Object(6, "<< /Filter /Adobe.PPKLite /ByteRange [ 0 1 2 3 ] /Contents <00> >>");
    if (c.fieldType == "7 0 R") file.Object(7, "/Sig");
    const auto input = folder / "input.pdf";
    testing::WriteFile(input, file.Finish("/Root 1 0 R"));
    TCorvanePDFLibrary1013 pdf;
    const std::int32_t handle = pdf.InspectFile(Wide(input), u"");
    ASSERT_NE(handle, 0);
    EXPECT_EQ(pdf.InspectionItem(handle, kInspectionItemSigned), c.expectSigned ? u"Yes" : u"No");
    ASSERT_EQ(pdf.EncryptFileToFile(Wide(input), Wide(folder / "copy.pdf"), u"o", u"u", 3, TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1)), 1);
    EXPECT_EQ(pdf.LastCopyNotices().signedDocument, c.expectSigned);
  }
}

TEST(InspectFile, PDFAClaimOfAnEncryptedFileIsReadThroughItsEncryption) {
  const std::filesystem::path original = std::filesystem::path(OMBRELT_CORPUS_DIR) / "basic-pdfa-crazyones.pdf";
  if (!std::filesystem::exists(original)) GTEST_SKIP() << "no corpus file " << original;
  if (!testing::HasProgram("qpdf")) GTEST_SKIP() << "qpdf is not installed";
  TempFolder folder;
  const auto path = folder / "encrypted.pdf";
  // The metadata encrypted with everything else, then left in clear as /EncryptMetadata false says.
  for (const std::string options : {"256 --", "128 --use-aes=y --cleartext-metadata --"}) {
    ASSERT_EQ(testing::RunCommand("qpdf --encrypt user owner " + options + " " + original.string() + " " +
                                  path.string())
                  .exitCode,
              0);
    TCorvanePDFLibrary1013 pdf;
    const std::int32_t handle = pdf.InspectFile(Wide(path), u"user");
    ASSERT_NE(handle, 0) << options;
    EXPECT_EQ(pdf.InspectionItem(handle, kInspectionItemPDFA), u"PDF/A-1B") << options;
  }
}


// Files other readers open that were refused: a V4 RC4 crypt filter without /Length (the key is
// the dictionary's 128 bits, not 40), and a trailer longer than 10 KB.
TEST(InspectFile, OpensWhatOtherReadersOpen) {
  TempFolder folder;
  testing::TestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>")
      .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>");
  testing::WriteFile(folder / "long-trailer.pdf",
                     pdf.Finish("/Root 1 0 R /Pad (" + std::string(30000, 'x') + ") /Nested << /A [ 1 2 ] >>"));
  const std::filesystem::path corpus = std::filesystem::path(OMBRELT_CORPUS_DIR) / "enc-r4-rc4-metadata-crypt-filter.pdf";
  struct Case {
    std::filesystem::path file;
    std::u16string pages;
  };
  for (const Case& c : {Case{folder / "long-trailer.pdf", u"1"}, Case{corpus, u"30"}}) {
    if (!std::filesystem::exists(c.file)) continue;
    TCorvanePDFLibrary1013 library;
    const std::int32_t handle = library.InspectFile(Wide(c.file), u"");
    ASSERT_NE(handle, 0) << c.file << " error " << library.ErrorCode();
    EXPECT_EQ(library.InspectionItem(handle, 9), c.pages) << c.file;
  }
}

// Files the crypt filters make unusual, which other readers open: attachments alone encrypted
// (/StmF and /StrF /Identity, /EFF a filter, the attachments naming it in their own /Crypt filter),
// and an RC4 crypt filter whose /Length counts bytes (5: a 40-bit key; the empty password then
// reproduces /U).
TEST(InspectFile, CryptFiltersOtherReadersOpen) {
  const std::filesystem::path corpus = OMBRELT_CORPUS_DIR;
  struct Case {
    const char* file;
    std::u16string password;
    std::u16string level, keyBits;
  };
  const Case cases[] = {
      {"enc-r6-aes256-attachments-only.pdf", u"attachment", u"15", u"0"},
      {"enc-r4-rc4-cf-length-5-edge.pdf", u"", u"7", u"40"},
  };
  for (const Case& c : cases) {
    if (!std::filesystem::exists(corpus / c.file)) GTEST_SKIP() << "corpus missing";
    TCorvanePDFLibrary1013 library;
    const std::int32_t handle = library.InspectFile(Wide(corpus / c.file), c.password);
    ASSERT_NE(handle, 0) << c.file << " error " << library.ErrorCode();
    EXPECT_EQ(library.InspectionItem(handle, 30), c.level) << c.file;
    EXPECT_EQ(library.InspectionItem(handle, 43), c.keyBits) << c.file;
  }
  // The attachments come out in clear: a copy in clear holds the text of the first one.
  TempFolder folder;
  TCorvanePDFLibrary1013 library;
  library.DecryptFileToFile(Wide(corpus / "enc-r6-aes256-attachments-only.pdf"), Wide(folder / "clear.pdf"),
                            u"attachment");
  ASSERT_EQ(library.ErrorCode(), 0);
  const std::int32_t handle = library.InspectFile(Wide(folder / "clear.pdf"), u"");
  ASSERT_NE(handle, 0);
  EXPECT_EQ(library.InspectionItem(handle, 9), u"30");
  if (testing::HasProgram("qpdf")) {
    const auto attachments = testing::RunCommand("qpdf --list-attachments " + (folder / "clear.pdf").string());
    EXPECT_EQ(attachments.exitCode, 0) << attachments.output;
    const auto shown =
        testing::RunCommand("qpdf --show-object=60 --filtered-stream-data " + (folder / "clear.pdf").string() + " 2>/dev/null");
    const auto expected = testing::RunCommand("qpdf --password=attachment --show-object=60 --filtered-stream-data " +
                                              (corpus / "enc-r6-aes256-attachments-only.pdf").string() + " 2>/dev/null");
    EXPECT_EQ(shown.output, expected.output);
    EXPECT_EQ(shown.output.size(), 30u);
  }
}

// Key lengths as /Encrypt gives them: a V2 dictionary without /Length has a 40-bit key, the
// standard's default; a crypt filter's /Length counts bytes.
TEST(InspectLockedFile, KeyLengthsOfTheDictionary) {
  TempFolder folder;
  const std::string values = "/O <" + std::string(64, 'a') + "> /U <" + std::string(64, 'b') + "> /P -4";
  struct Case {
    std::string encrypt;
    std::u16string level, bits;
  };
  const Case cases[] = {
      {"/V 2 /R 3 " + values, u"7", u"40"},
      {"/V 2 /R 3 /Length 128 " + values, u"8", u"128"},
      {"/V 2 /R 3 /Length 56 " + values, u"14", u"56"},
      {"/V 1 /R 2 " + values, u"7", u"40"},
      {"/V 4 /R 4 /StmF /StdCF /StrF /StdCF /CF << /StdCF << /CFM /V2 /Length 16 >> >> " + values, u"8", u"128"},
      {"/V 4 /R 4 /StmF /StdCF /StrF /StdCF /CF << /StdCF << /CFM /AESV2 /Length 16 >> >> " + values, u"12", u"0"},
  };
  for (const Case& c : cases) {
    testing::TestPdf pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
        .Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>")
        .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>")
        .Object(4, "<< /Filter /Standard " + c.encrypt + " >>");
    testing::WriteFile(folder / "locked.pdf", pdf.Finish("/Root 1 0 R /Encrypt 4 0 R /ID [ <01> <02> ]"));
    TCorvanePDFLibrary1013 library;
    const std::int32_t handle = library.InspectLockedFile(Wide(folder / "locked.pdf"));
    ASSERT_NE(handle, 0) << library.ErrorCode();
    EXPECT_EQ(library.InspectionItem(handle, 30), c.level) << c.encrypt;
    EXPECT_EQ(library.InspectionItem(handle, 43), c.bits) << c.encrypt;
  }
}

// Without a password that opens it, an encrypted file still shows what its /Encrypt tells: the
// filter, level, key length and permissions; items that need the password say so.
TEST(InspectLockedFile, ShowsWhatTheDictionaryTells) {
  TempFolder folder;
  testing::WriteFile(folder / "plain.pdf", ThreePages());
  struct Case {
    std::int32_t strength;
    std::u16string level, keyBits;
  };
  const Case cases[] = {{0, u"7", u"40"}, {1, u"8", u"128"}, {2, u"12", u"0"}, {4, u"15", u"0"}};
  for (const Case& c : cases) {
    TCorvanePDFLibrary1013 library;
    const auto copy = folder / "copy.pdf";
    library.EncryptFileToFile(Wide(folder / "plain.pdf"), Wide(copy), u"owner", u"user", c.strength,
                              TVelloPDF::BuildPermissionMask(1, 0, 1, 0, 0, 0, 0, 1));
    ASSERT_EQ(library.ErrorCode(), 0);
    EXPECT_EQ(library.InspectFile(Wide(copy), u""), 0);
    EXPECT_EQ(library.ErrorCode(), kErrorPassword);
    const std::int32_t handle = library.InspectLockedFile(Wide(copy));
    ASSERT_NE(handle, 0) << library.ErrorCode();
    EXPECT_EQ(library.ErrorCode(), 0);
    EXPECT_EQ(library.InspectionItem(handle, kInspectionItemSecurityFilter), u"Standard");
    EXPECT_EQ(library.InspectionItem(handle, 3), u"");  // the title is encrypted
    EXPECT_EQ(library.InspectionItem(handle, 20), u"1");
    EXPECT_EQ(library.InspectionItem(handle, 21), u"3");   // user password needed
    EXPECT_EQ(library.InspectionItem(handle, 22), u"16");  // owner password: unknown without one
    EXPECT_EQ(library.InspectionItem(handle, 23), u"4");   // printing at full quality
    EXPECT_EQ(library.InspectionItem(handle, 24), u"6");   // changing
    EXPECT_EQ(library.InspectionItem(handle, 25), u"5");   // copying
    EXPECT_EQ(library.InspectionItem(handle, 30), c.level);
    EXPECT_EQ(library.InspectionItem(handle, 41), u"11");
    EXPECT_EQ(library.InspectionItem(handle, 43), c.keyBits);
  }
  TCorvanePDFLibrary1013 library;
  EXPECT_EQ(library.InspectLockedFile(Wide(folder / "plain.pdf")), 0);
  EXPECT_EQ(library.ErrorCode(), kErrorNotEncrypted);
}

// "Owner password needed" describes the file, whichever password opened it: yes when it has an
// owner password apart from its open password.
TEST(InspectFile, OwnerPasswordNeededDescribesTheFile) {
  TempFolder folder;
  testing::WriteFile(folder / "plain.pdf", ThreePages());
  struct Case {
    std::u16string owner, user, given, expected;
  };
  const Case cases[] = {
      {u"owner", u"user", u"user", u"3"}, {u"owner", u"user", u"owner", u"3"}, {u"owner", u"", u"", u"3"},
      {u"owner", u"", u"owner", u"3"},    {u"same", u"same", u"same", u"2"},   {u"", u"user", u"user", u"2"},
  };
  for (const std::int32_t strength : {1, 2, 4}) {
    for (const Case& c : cases) {
      TCorvanePDFLibrary1013 library;
      library.EncryptFileToFile(Wide(folder / "plain.pdf"), Wide(folder / "copy.pdf"), c.owner, c.user, strength,
                                TVelloPDF::BuildPermissionMask(1, 1, 1, 1, 1, 1, 1, 1));
      ASSERT_EQ(library.ErrorCode(), 0);
      const std::int32_t handle = library.InspectFile(Wide(folder / "copy.pdf"), c.given);
      ASSERT_NE(handle, 0);
      EXPECT_EQ(library.InspectionItem(handle, 22), c.expected)
          << strength << " owner " << UnicodeToUTF8(c.owner) << " given " << UnicodeToUTF8(c.given);
    }
  }
}

// At 256-bit AES inspection checks /Perms against /P: a file whose /P was changed afterwards
// still opens, and says so.
TEST(InspectFile, PermsMismatchIsReported) {
  TempFolder folder;
  testing::WriteFile(folder / "plain.pdf", ThreePages());
  TCorvanePDFLibrary1013 library;
  library.EncryptFileToFile(Wide(folder / "plain.pdf"), Wide(folder / "copy.pdf"), u"owner", u"", 4,
                            TVelloPDF::BuildPermissionMask(0, 0, 0, 0, 0, 0, 0, 0));
  ASSERT_EQ(library.ErrorCode(), 0);
  std::int32_t handle = library.InspectFile(Wide(folder / "copy.pdf"), u"");
  ASSERT_NE(handle, 0);
  EXPECT_EQ(library.InspectionItem(handle, kInspectionItemPermsAgree), u"Yes");
  std::string bytes = testing::ReadFile(folder / "copy.pdf");
  const std::size_t p = bytes.find("/P -3904");
  ASSERT_NE(p, std::string::npos);
  bytes.replace(p, 8, "/P -4   ");
  testing::WriteFile(folder / "changed.pdf", bytes);
  handle = library.InspectFile(Wide(folder / "changed.pdf"), u"");
  ASSERT_NE(handle, 0) << library.ErrorCode();
  EXPECT_EQ(library.InspectionItem(handle, kInspectionItemPermsAgree), u"No");
  handle = library.InspectFile(Wide(folder / "plain.pdf"), u"");
  EXPECT_EQ(library.InspectionItem(handle, kInspectionItemPermsAgree), u"");
  EXPECT_EQ(library.InspectionItem(handle, kInspectionItemSecurityFilter), u"");
}

// The cheap opening a copy's check uses agrees with the full inspection at every level.
TEST(OpenFile, AgreesWithTheInspection) {
  TempFolder folder;
  const auto plain = folder / "three.pdf";
  testing::WriteFile(plain, ThreePages());
  struct Case {
    std::u16string password;
    bool askOwner;
    bool opens;
    bool asOwner;
  };
  const Case cases[] = {
      {u"user", false, true, false}, {u"user", true, true, false},  {u"owner", true, true, true},
      {u"owner", false, true, false}, {u"wrong", true, false, false}, {u"", true, false, false},
  };
  for (const std::int32_t strength : {0, 1, 2, 4}) {
    const auto copy = folder / ("copy" + std::to_string(strength) + ".pdf");
    TCorvanePDFLibrary1013 pdf;
    pdf.EncryptFileToFile(Wide(plain), Wide(copy), u"owner", u"user", strength,
                          TVelloPDF::BuildPermissionMask(1, 0, 0, 0, 0, 0, 0, 1));
    ASSERT_EQ(pdf.ErrorCode(), 0);
    for (const Case& c : cases) {
      const std::optional<TVelloPDF::TOpenedFile> opened = pdf.OpenFile(Wide(copy), c.password, c.askOwner);
      ASSERT_EQ(opened.has_value(), c.opens) << strength;
      if (!opened) {
        EXPECT_EQ(pdf.ErrorCode(), kErrorPassword);
        continue;
      }
      EXPECT_TRUE(opened->encrypted);
      EXPECT_EQ(opened->asOwner, c.asOwner) << strength;
      EXPECT_EQ(opened->pages, 3u);
      const std::int32_t handle = pdf.InspectFile(Wide(copy), c.password);
      EXPECT_EQ(UTF8ToUnicode(opened->levelStatus), pdf.InspectionItem(handle, 30)) << strength;
      pdf.ReleaseInspection(handle);
    }
    // The same passwords on one reading of the file, a wrong one between right ones included.
    std::vector<TVelloPDF::TPasswordTry> tries;
    for (const Case& c : cases) tries.push_back({c.password, c.askOwner});
    const auto each = pdf.OpenFileWithEach(Wide(copy), tries);
    ASSERT_EQ(each.size(), std::size(cases));
    for (std::size_t i = 0; i < each.size(); ++i) {
      ASSERT_EQ(each[i].has_value(), cases[i].opens) << strength << " try " << i;
      if (!each[i]) continue;
      EXPECT_EQ(each[i]->asOwner, cases[i].asOwner) << strength << " try " << i;
      EXPECT_EQ(each[i]->pages, 3u) << strength << " try " << i;
    }
  }
  TCorvanePDFLibrary1013 pdf;
  const std::optional<TVelloPDF::TOpenedFile> opened = pdf.OpenFile(Wide(plain), u"", true);
  ASSERT_TRUE(opened.has_value());
  EXPECT_FALSE(opened->encrypted);
  EXPECT_FALSE(opened->asOwner);
  EXPECT_FALSE(pdf.OpenFile(Wide(folder / "missing.pdf"), u"", false).has_value());
  EXPECT_EQ(pdf.ErrorCode(), kErrorInputFile);
}

}  // namespace
}  // namespace pdf

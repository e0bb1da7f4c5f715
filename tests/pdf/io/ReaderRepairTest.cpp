// How the reader reads files that other readers open although they are damaged: table offsets a few
// bytes off, no header, a trailer naming an /Encrypt that is gone, an object stream that is none, and
// object streams that inflate past what a file of their size may.

#include <gtest/gtest.h>

#include "pdf/io/DecodeBudget.h"
#include "pdf/io/MemoryStream.h"
#include "pdf/io/PDFReader.h"
#include "pdf/objects/StreamFilters.h"
#include "tests/pdf/io/InflatingStream.h"
#include "tests/pdf/io/OpenedPdf.h"
#include "tests/pdf/io/TestPdf.h"

namespace pdf {
namespace {

using testing::TestPdf;
using testing::OpenFile;

// Objects 1 to 12 written with the given end of line, each entry `shift` bytes off its header; object
// n holds the integer n, so that a number read where a header was expected would pass for the object.
struct ShiftedFile {
  std::string bytes;
  std::size_t relocated = 0;  // entries whose offset is not on blanks just before the header
};

ShiftedFile ShiftedOffsets(int shift, const std::string& eol) {
  ShiftedFile file{"%PDF-1.4" + eol, 0};
  std::string table;
  for (int n = 1; n <= 12; ++n) {
    const auto header = static_cast<std::int64_t>(file.bytes.size());
    const std::int64_t offset = header + shift;
    const std::string skipped = shift < 0 ? file.bytes.substr(static_cast<std::size_t>(offset)) : shift > 0 ? "x" : "";
    if (skipped.find_first_not_of(" \r\n") != std::string::npos) ++file.relocated;
    table += TestPdf::Entry(offset, 0, 'n');
    file.bytes += std::to_string(n) + " 0 obj" + eol + std::to_string(n) + eol + "endobj" + eol;
  }
  const std::string xref = std::to_string(file.bytes.size());
  file.bytes += "xref\n0 13\n" + TestPdf::Entry(0, 65535, 'f') + table + "trailer\n<< /Size 13 /Root 1 0 R >>\n" +
                "startxref\n" + xref + "\n%%EOF\n";
  return file;
}

TEST(ReaderRepair, OffsetsAFewBytesOffFindEveryObjectByItsOwnHeader) {
  for (const std::string eol : {"\n", "\r\n"}) {
    for (int shift = -6; shift <= 6; ++shift) {
      const ShiftedFile shifted = ShiftedOffsets(shift, eol);
      OpenFile file(shifted.bytes);
      ASSERT_EQ(file.reader.OpenError(), 0);
      for (int n = 1; n <= 12; ++n) EXPECT_EQ(file.Text(n), std::to_string(n)) << "object " << n << ", shift " << shift;
      EXPECT_EQ(file.reader.RelocatedObjects(), shifted.relocated) << "shift " << shift;
      EXPECT_EQ(file.reader.UnreadableObjects(), 0u) << "shift " << shift;
    }
  }
}

// The header at the offset must name the generation the table gives, as well as the number.
TEST(ReaderRepair, AHeaderOfAnotherGenerationIsLookedForAgain) {
  TestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog >>").Object(2, "(old)").Object(2, "(new)", 3);
  std::string bytes = pdf.Finish("/Root 1 0 R");
  // The table gives the newer definition's offset with the older one's generation.
  const std::string entry = TestPdf::Entry(pdf.Offset(2), 3, 'n');
  bytes.replace(bytes.find(entry), entry.size(), TestPdf::Entry(pdf.Offset(2), 0, 'n'));
  OpenFile file(bytes);
  EXPECT_EQ(file.Text(2), "(new)");
  EXPECT_EQ(file.reader.RelocatedObjects(), 1u);
}

// Object 2 defined in a first revision and redefined by an update, both indexed by cross-reference
// streams (/W [ 1 2 1 ]); a compressed definition is alone in an object stream of its revision's own.
enum class TKind { kPlain, kCompressed, kFree };

std::string Row(int type, std::int64_t field2, int field3) {
  return {static_cast<char>(type), static_cast<char>(field2 >> 8), static_cast<char>(field2 & 0xFF),
          static_cast<char>(field3)};
}

std::string ObjectStreamOfTwo(const std::string& value) {
  const std::string data = "2 0 " + value;
  return "<< /Type /ObjStm /N 1 /First 4 /Length " + std::to_string(data.size()) + " >>\nstream\n" + data +
         "\nendstream";
}

std::string XRefStream(const std::string& entries, const std::string& rows) {
  return "<< /Type /XRef /W [ 1 2 1 ] /Root 1 0 R " + entries + " /Length " + std::to_string(rows.size()) +
         " >>\nstream\n" + rows + "\nendstream";
}

std::string Overridden(TKind first, TKind then) {
  TestPdf pdf("%PDF-1.5\n");
  pdf.Object(1, "<< /Type /Catalog /Pages << /Type /Pages /Kids [ ] /Count 0 >> /Value 2 0 R >>");
  if (first == TKind::kPlain) pdf.Object(2, "(old)");
  if (first == TKind::kCompressed) pdf.Object(3, ObjectStreamOfTwo("(old)"));
  const std::int64_t xref1 = pdf.Size();
  const std::string rows1 = Row(0, 0, 255) + Row(1, pdf.Offset(1), 0) +
                            (first == TKind::kPlain ? Row(1, pdf.Offset(2), 0) + Row(0, 0, 0)
                                                    : Row(2, 3, 0) + Row(1, pdf.Offset(3), 0)) +
                            Row(1, xref1, 0);
  pdf.Object(4, XRefStream("/Size 5", rows1));
  std::string rows2;
  if (then == TKind::kCompressed) {
    pdf.Object(5, ObjectStreamOfTwo("(new)"));
    rows2 = Row(2, 5, 0) + Row(1, pdf.Offset(5), 0);
  } else if (then == TKind::kPlain) {
    pdf.Object(2, "(new)");
    rows2 = Row(1, pdf.Offset(2), 0) + Row(0, 0, 0);
  } else {
    rows2 = Row(0, 0, 1) + Row(0, 0, 0);
  }
  const std::int64_t xref2 = pdf.Size();
  pdf.Object(6, XRefStream("/Size 7 /Index [ 2 1 5 2 ] /Prev " + std::to_string(xref1), rows2 + Row(1, xref2, 0)));
  return pdf.EndLines(xref2);
}

TEST(ReaderRepair, TheNewestDefinitionWinsWhateverItsKind) {
  struct Case {
    TKind first;
    TKind then;
    std::string value;
  };
  const Case cases[] = {{TKind::kCompressed, TKind::kCompressed, "(new)"},
                        {TKind::kCompressed, TKind::kPlain, "(new)"},
                        {TKind::kPlain, TKind::kCompressed, "(new)"},
                        {TKind::kCompressed, TKind::kFree, "none"},
                        {TKind::kPlain, TKind::kFree, "none"}};
  for (const Case& c : cases) {
    OpenFile file(Overridden(c.first, c.then));
    const auto order = std::to_string(static_cast<int>(c.first)) + " then " + std::to_string(static_cast<int>(c.then));
    ASSERT_EQ(file.reader.OpenError(), 0) << order;
    EXPECT_FALSE(file.reader.Rebuilt()) << order;
    EXPECT_EQ(file.Text(2), c.value) << order;
    EXPECT_EQ(file.reader.IsCompressed(2), c.then == TKind::kCompressed) << order;
    EXPECT_EQ(file.reader.ObjectStreamOf(2), c.then == TKind::kCompressed ? 5 : 0) << order;
  }
}

std::string DocumentWithHeader(const std::string& header) {
  TestPdf pdf(header);
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
      .Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>")
      .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>");
  return pdf.Finish("/Root 1 0 R");
}

TEST(ReaderRepair, FilesWithoutAHeaderInTheFirstKilobyteAreReadFromTheirStart) {
  const std::string headers[] = {"", "%\xe2\xe3\xcf\xd3\n", "%PFD-1.4\n", std::string(1100, ' ') + "%PDF-1.4\n"};
  for (const std::string& header : headers) {
    OpenFile file(DocumentWithHeader(header));
    ASSERT_EQ(file.reader.OpenError(), 0) << header.size();
    EXPECT_TRUE(file.reader.HeaderMissing());
    EXPECT_EQ(file.reader.RelocatedObjects(), 0u);
    EXPECT_NE(file.Text(3).find("/Type /Page"), std::string::npos);
  }
  // Damaged beyond that too (no table either): the objects are found by the scan.
  std::string noTable = DocumentWithHeader("");
  noTable.resize(noTable.find("xref"));
  OpenFile rebuilt(noTable);
  EXPECT_EQ(rebuilt.reader.OpenError(), 0);
  EXPECT_TRUE(rebuilt.reader.Rebuilt());
  EXPECT_FALSE(OpenFile(DocumentWithHeader("%PDF-1.4\n")).reader.HeaderMissing());
  // Bytes that hold no document are still no PDF file.
  EXPECT_EQ(OpenFile("plain text, not a document\n").reader.OpenError(), TSmartPDFReader::kOpenNoHeader);
}

// A file without a usable table whose trailer names /Encrypt is encrypted only when that names a
// dictionary with a security handler.
TEST(ReaderRepair, ARebuiltFileIsEncryptedOnlyByAnEncryptDictionaryItCanRead) {
  struct Case {
    std::string encrypt;
    bool encrypted;
  };
  const Case cases[] = {
      {"/Encrypt 9 0 R", false},  // no object 9
      {"/Encrypt 4 0 R", false},  // not a dictionary
      {"/Encrypt << /V 1 >>", false},
      {"/Encrypt << /Filter /Standard /V 1 /R 2 /O <00> /U <00> /P -4 >>", true},
      {"/Encrypt << /Filter /UnknownHandler >>", true},
  };
  for (const Case& c : cases) {
    TestPdf pdf;
    pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>")
        .Object(2, "<< /Type /Pages /Kids [ 3 0 R ] /Count 1 >>")
        .Object(3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 612 792 ] >>")
        .Object(4, "(not a dictionary)");
    std::string bytes = pdf.Finish("/Root 1 0 R " + c.encrypt);
    bytes.replace(bytes.find("startxref\n") + 10, 1, "9");  // the table is lost
    OpenFile file(bytes);
    ASSERT_EQ(file.reader.OpenError(), 0) << c.encrypt;
    EXPECT_TRUE(file.reader.Rebuilt()) << c.encrypt;
    EXPECT_EQ(file.reader.HasEncrypt(), c.encrypted) << c.encrypt;
  }
}

// Object 3 is placed in object 4, which is an image: object 3 is lost, the rest is read.
TEST(ReaderRepair, AnObjectStreamThatIsNoneCostsOnlyItsOwnObjects) {
  TestPdf pdf("%PDF-1.5\n");
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R /Extra 3 0 R >>")
      .Object(2, "<< /Type /Pages /Kids [ ] /Count 0 >>")
      .Object(4, "<< /Type /XObject /Subtype /Image /Length 1 >>\nstream\nx\nendstream");
  std::string bytes = pdf.Bytes();
  const auto xref = static_cast<std::int64_t>(bytes.size());
  bytes += "xref\n0 5\n" + TestPdf::Entry(0, 65535, 'f') + TestPdf::Entry(pdf.Offset(1), 0, 'n') +
           TestPdf::Entry(pdf.Offset(2), 0, 'n') + TestPdf::Entry(4, 0, 'c') + TestPdf::Entry(pdf.Offset(4), 0, 'n') +
           "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  OpenFile file(bytes);
  ASSERT_EQ(file.reader.OpenError(), 0);
  EXPECT_FALSE(file.reader.Rebuilt());
  EXPECT_EQ(file.Text(3), "none");
  EXPECT_NE(file.Text(1).find("/Catalog"), std::string::npos);
  EXPECT_NE(file.Text(4).find("/Image"), std::string::npos);
}

TEST(ReaderRepair, DecodeBudgetGrowsWithTheFileAboveItsFloor) {
  TDecodeBudget small(1000);
  EXPECT_EQ(small.NextCap(1), std::min<std::size_t>(limits::kMaxDecodedBytes, limits::kMinDecodeBudget + 1));
  EXPECT_TRUE(small.Spend(1, limits::kMinDecodeBudget - 10));
  EXPECT_EQ(small.NextCap(2), 11u);
  EXPECT_FALSE(small.Spend(2, 11));
  EXPECT_TRUE(small.Spent());
  EXPECT_EQ(small.NextCap(3), 0u);  // nothing more is decoded
  EXPECT_FALSE(small.Spend(3, 0));  // spent for good
  constexpr std::size_t kLargeFile = std::size_t{10} << 20;
  static_assert(kLargeFile * limits::kDecodeBudgetPerFileByte > limits::kMinDecodeBudget);
  TDecodeBudget large(static_cast<std::int64_t>(kLargeFile));
  EXPECT_TRUE(large.Spend(1, kLargeFile * limits::kDecodeBudgetPerFileByte));
  EXPECT_FALSE(large.Spent());
  EXPECT_FALSE(large.Spend(2, 1));
}

// The reader forgets decoded streams and decodes them again (its cache, a rebuild, each password
// tried): a stream is paid for once, so a sound file is never taken for a bomb by being read twice.
TEST(ReaderRepair, DecodeBudgetPaysForEachStreamOnce) {
  TDecodeBudget budget(1000);
  const std::size_t half = limits::kMinDecodeBudget / 2 + 1;
  const std::int64_t stream = TDecodeBudget::ObjectStreamKey(7);
  EXPECT_TRUE(budget.Spend(stream, half));
  EXPECT_EQ(budget.NextCap(stream), limits::kMaxDecodedBytes);
  EXPECT_TRUE(budget.Spend(stream, half));
  EXPECT_TRUE(budget.Spend(TDecodeBudget::CrossReferenceStreamKey(7), 10));
  EXPECT_FALSE(budget.Spent());
  EXPECT_FALSE(budget.Spend(TDecodeBudget::ObjectStreamKey(8), half));
}

// Objects 2 and 3, each alone in an object stream (4, 5) that inflates to 40 MiB from a few
// kilobytes: together past the floor of what a file this small may inflate.
TEST(ReaderRepair, ObjectStreamsStopInflatingPastTheFilesBudget) {
  constexpr std::size_t kDecoded = std::size_t{40} << 20;
  static_assert(2 * kDecoded > limits::kMinDecodeBudget && kDecoded < limits::kMinDecodeBudget);
  TestPdf pdf("%PDF-1.5\n");
  pdf.Object(1, "<< /Type /Catalog /Pages << /Type /Pages /Kids [ ] /Count 0 >> >>");
  for (int n = 2; n <= 3; ++n) pdf.Object(n + 2, testing::InflatingObjectStream(n, kDecoded));
  std::string bytes = pdf.Bytes();
  const auto xref = static_cast<std::int64_t>(bytes.size());
  bytes += "xref\n0 6\n" + TestPdf::Entry(0, 65535, 'f') + TestPdf::Entry(pdf.Offset(1), 0, 'n') +
           TestPdf::Entry(4, 0, 'c') + TestPdf::Entry(5, 0, 'c') + TestPdf::Entry(pdf.Offset(4), 0, 'n') +
           TestPdf::Entry(pdf.Offset(5), 0, 'n') + "trailer\n<< /Size 6 /Root 1 0 R >>\nstartxref\n" +
           std::to_string(xref) + "\n%%EOF\n";
  OpenFile file(bytes);
  EXPECT_EQ(file.Text(2), "[ 2 ]");
  EXPECT_FALSE(file.reader.DecodeBudgetSpent());
  EXPECT_EQ(file.Text(3), "none");
  EXPECT_TRUE(file.reader.DecodeBudgetSpent());
  EXPECT_EQ(file.reader.ObjectStreamsDecoded(), 1u);
}

}  // namespace
}  // namespace pdf

#include "pdf/io/PDFReader.h"

#include <gtest/gtest.h>

#include "pdf/io/MemoryStream.h"
#include "pdf/objects/Limits.h"
#include "pdf/objects/StreamFilters.h"
#include "tests/pdf/io/InflatingStream.h"
#include "tests/pdf/io/OpenedPdf.h"
#include "tests/pdf/io/TestPdf.h"

namespace pdf {
namespace {

using testing::OnePageDocument;
using testing::TestPdf;
using testing::OpenFile;

TEST(Reader, OpensAPlainFileAndReadsEveryObject) {
  OpenFile file(OnePageDocument().Finish("/Root 1 0 R"));
  ASSERT_EQ(file.reader.OpenError(), 0);
  EXPECT_EQ(file.reader.Version(), "1.4");
  EXPECT_EQ(file.reader.MaxObjectNumber(), 4);
  EXPECT_EQ(file.Text(2), "<<\n/Type /Pages\n/Kids [ 3 0 R ]\n/Count 1\n>>\n");
  EXPECT_EQ(file.Text(4), "<<\n/Length 8\n>>\nstream\nBT ET q\n\nendstream");
  EXPECT_EQ(file.Text(0), "none");
  EXPECT_EQ(file.Text(5), "none");
}

TEST(Reader, HeaderForms) {
  const std::string junk(300, 'j');
  TestPdf relative(junk + "%PDF-1.6\n");
  relative.Object(1, "(junk first)");
  OpenFile shifted([&] {
    TestPdf pdf(junk);
    pdf.CountOffsetsFromHere().Raw("%PDF-1.6\n").Object(1, "(counted from the header)");
    return pdf.Finish("");
  }());
  EXPECT_EQ(shifted.reader.OpenError(), 0);
  EXPECT_TRUE(shifted.reader.HeaderRelative());
  EXPECT_EQ(shifted.reader.HeaderOffset(), 300);
  EXPECT_EQ(shifted.Text(1), "(counted from the header)");

  OpenFile postScript(TestPdf("%!PS-Adobe-3.0 PDF-1.3\n").Object(1, "1").Finish(""));
  EXPECT_EQ(postScript.reader.Version(), "1.3");
  EXPECT_EQ(postScript.reader.HeaderOffset(), -1);

  OpenFile noHeader(std::string(1100, ' ') + "%PDF-1.4\n");
  EXPECT_EQ(noHeader.reader.OpenError(), 1);
  OpenFile noStartXRef("%PDF-1.4\n1 0 obj\n1\nendobj\n");
  EXPECT_EQ(noStartXRef.reader.OpenError(), 2);
}

TEST(Reader, NewestRevisionWinsAndOlderObjectsRemain) {
  TestPdf pdf = OnePageDocument();
  std::string bytes = pdf.Finish("/Root 1 0 R /Info 9 0 R");
  const std::int64_t prev = pdf.Size() - 12;  // "startxref\nNNN\n%%EOF\n" holds the old offset
  const std::size_t oldStart = bytes.rfind("startxref\n") + 10;
  const std::string oldXRef = bytes.substr(oldStart, bytes.find('\n', oldStart) - oldStart);
  (void)prev;
  const auto update = static_cast<std::int64_t>(bytes.size());
  bytes += "2 0 obj\n<< /Type /Pages /Kids [ 3 0 R ] /Count 1 /New true >>\nendobj\n";
  const auto xref = static_cast<std::int64_t>(bytes.size());
  bytes += "xref\n2 1\n" + TestPdf::Entry(update, 0, 'n') + "trailer\n<< /Size 5 /Root 1 0 R /Prev " + oldXRef +
           " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  OpenFile file(bytes);
  ASSERT_EQ(file.reader.OpenError(), 0);
  EXPECT_NE(file.Text(2).find("/New true"), std::string::npos);
  EXPECT_NE(file.Text(3).find("/Type /Page"), std::string::npos);
  EXPECT_NE(file.reader.Trailer()->ToText().find("/Prev"), std::string::npos);
  EXPECT_NE(file.reader.TrailerReference("Info"), nullptr);  // only in the older trailer
}

TEST(Reader, SubsectionWronglyStartingAtOneIsRenumbered) {
  TestPdf pdf = OnePageDocument();
  std::string bytes = pdf.Finish("/Root 1 0 R");
  bytes.replace(bytes.find("xref\n0 5"), 8, "xref\n1 5");
  OpenFile file(bytes);
  ASSERT_EQ(file.reader.OpenError(), 0);
  EXPECT_NE(file.Text(1).find("/Catalog"), std::string::npos);
  EXPECT_NE(file.Text(4).find("stream"), std::string::npos);
  EXPECT_EQ(file.Text(5), "none");
}

TEST(Reader, OffsetsIntoThePreviousEndobjAndBeyondTheFile) {
  TestPdf pdf = OnePageDocument();
  std::string bytes = pdf.Finish("/Root 1 0 R");
  const std::string good = TestPdf::Entry(pdf.Offset(3), 0, 'n');
  bytes.replace(bytes.find(good), good.size(), TestPdf::Entry(pdf.Offset(3) - 5, 0, 'n'));
  const std::string four = TestPdf::Entry(pdf.Offset(4), 0, 'n');
  bytes.replace(bytes.find(four), four.size(), TestPdf::Entry(999999, 0, 'n'));
  OpenFile file(bytes);
  EXPECT_NE(file.Text(3).find("/Type /Page"), std::string::npos);
  // An offset beyond the file: the object is found by scanning the file, as other readers find it.
  EXPECT_NE(file.Text(4).find("stream"), std::string::npos);
  EXPECT_EQ(file.reader.RelocatedObjects(), 2u);
  EXPECT_EQ(file.reader.UnreadableObjects(), 0u);
}

TEST(Reader, StreamLengthRepairs) {
  struct Case {
    std::string object;
    std::string data;
  };
  const Case cases[] = {
      // A length that does not end where "endstream" follows is recovered up to the keyword, as
      // other readers recover it.
      {"<< /Length 5 0 R >>\nstream\n0123456789\nendstream", "0123456789"},
      {"<< /Length 0 >>\nstream\n0123456789\nendstream", "0123456789\n"},
      {"<< /Length 2 >>\nstream\n0123456789\r\nendstream", "0123456789\r\n"},
      {"<< /Length 14 >>\nstream\n0123456789\nendstream", "0123456789\n"},
      {"<< /Length 400 >>\nstream\n0123456789\nendstream", "0123456789\n"},
      {"<< >>\nstream\n0123456789\nendstream", "0123456789\n"},
      {"<< /Length 11 >>\nstream\n0123456789\n\nendstream", "0123456789\n"},
      {"<< /Length 10 >>\nstream\n0123456789\nendstreaX", "0123456789"},
      // Readers take blanks in place of the end of line after "stream"; a comment there is data.
      {"<< /Length 5 >>\nstream 01234\nendstream", "01234"},
      {"<< /Length 12 >>\nstream % note\n01234\nendstream", "% note\n01234"},
      {"<< /Length 5 >>\nstream01234\nendstream", ""},
      // Without "endstream" the data runs to "endobj"; a damaged "stream" keyword starts no stream,
      // and the tail of "endstream" is no keyword.
      {"<< /Length 40 >>\nstream\n0123456789", "0123456789"},
      {"<< /Length 10 >>\ns>ream\n0123456789\nendstream", ""}};
  for (const Case& c : cases) {
    TestPdf pdf;
    pdf.Object(1, "<< /Type /Catalog >>").Object(4, c.object).Object(5, "10");
    OpenFile file(pdf.Finish("/Root 1 0 R"));
    auto* stream = As<TPDFStream>(file.reader.GetObject(4, &file.arena));
    if (c.data.empty()) {
      EXPECT_EQ(stream, nullptr) << c.object;
      continue;
    }
    ASSERT_NE(stream, nullptr) << c.object;
    EXPECT_EQ(stream->Data(), c.data) << c.object;
  }
}

std::string ObjectStreamFile() {
  // Objects 2 and 3 live in object stream 4; the last one runs to the end of the data.
  const std::string objects = "2 0 3 11 << /A 1 >> [ 1 2 3 ]";
  TestPdf pdf("%PDF-1.5\n");
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Object(4, "<< /Type /ObjStm /N 2 /First 9 /Length " + std::to_string(objects.size()) + " >>\nstream\n" +
                    objects + "\nendstream");
  std::string bytes = pdf.Bytes();
  const auto xref = static_cast<std::int64_t>(bytes.size());
  bytes += "xref\n0 5\n" + TestPdf::Entry(0, 65535, 'f') + TestPdf::Entry(pdf.Offset(1), 0, 'n') +
           TestPdf::Entry(4, 0, 'c') + TestPdf::Entry(4, 1, 'c') + TestPdf::Entry(pdf.Offset(4), 0, 'n') +
           "trailer\n<< /Size 5 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return bytes;
}

// A hybrid file's table marks the objects of its /XRefStm free; the stream's entries stand for them.
TEST(Reader, HybridTableFreeEntriesGiveWayToItsStream) {
  const std::string objects = "2 0 3 11 << /A 1 >> [ 1 2 3 ]";
  TestPdf pdf("%PDF-1.5\n");
  pdf.Object(1, "<< /Type /Catalog /Pages 2 0 R >>");
  pdf.Object(4, "<< /Type /ObjStm /N 2 /First 9 /Length " + std::to_string(objects.size()) + " >>\nstream\n" +
                    objects + "\nendstream");
  const std::string rows("\x02\x00\x04\x00\x02\x00\x04\x01", 8);
  pdf.Object(5, "<< /Type /XRef /Size 6 /W [ 1 2 1 ] /Index [ 2 2 ] /Length 8 >>\nstream\n" + rows + "\nendstream");
  std::string bytes = pdf.Bytes();
  const auto xref = static_cast<std::int64_t>(bytes.size());
  bytes += "xref\n0 6\n" + TestPdf::Entry(0, 65535, 'f') + TestPdf::Entry(pdf.Offset(1), 0, 'n') +
           TestPdf::Entry(3, 0, 'f') + TestPdf::Entry(0, 0, 'f') + TestPdf::Entry(pdf.Offset(4), 0, 'n') +
           TestPdf::Entry(pdf.Offset(5), 0, 'n') + "trailer\n<< /Size 6 /Root 1 0 R /XRefStm " +
           std::to_string(pdf.Offset(5)) + " >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";
  OpenFile file(bytes);
  ASSERT_EQ(file.reader.OpenError(), 0);
  EXPECT_TRUE(file.reader.IsCompressed(2));
  EXPECT_EQ(file.Text(2), "<<\n/A 1\n>>\n");
  EXPECT_EQ(file.Text(3), "[ 1 2 3 ]");
}

TEST(Reader, ObjectsInsideObjectStreams) {
  OpenFile file(ObjectStreamFile());
  ASSERT_EQ(file.reader.OpenError(), 0);
  EXPECT_TRUE(file.reader.IsCompressed(3));
  EXPECT_FALSE(file.reader.IsCompressed(4));
  EXPECT_EQ(file.reader.Generation(3), 0);
  EXPECT_EQ(file.Text(2), "<<\n/A 1\n>>\n");
  EXPECT_EQ(file.Text(3), "[ 1 2 3 ]");
  EXPECT_EQ(file.reader.ReadObjectText(3), "[ 1 2 3 ]");
}

TEST(Reader, PrepareTrailerForASingleRevisionCopy) {
  struct Case {
    std::string trailer;
    bool keepsFirst;
  };
  // The copy's /ID is always a direct pair of strings; the input's first string stays when usable.
  const Case cases[] = {{"/Root 1 0 R /ID [ <AA> <BB> ] /Type /XRef /W [ 1 2 1 ] /Length 5 /Extra 12", true},
                        {"/Root 1 0 R", false},
                        {"/Root 1 0 R /ID 4 0 R", false},
                        {"/Root 1 0 R /ID [ <AA> ]", true},
                        {"/Root 1 0 R /ID [ <> <BB> ]", false},
                        {"/Root 1 0 R /ID [ 1 2 ]", false}};
  for (const Case& c : cases) {
    OpenFile file(OnePageDocument().Finish(c.trailer));
    int fired = 0;
    file.reader.OnFileIDChanged = [&](TSmartPDFReader&) { ++fired; };
    file.reader.PrepareTrailer();
    const TPDFDictionary* trailer = file.reader.Trailer();
    ASSERT_NE(trailer, nullptr);
    EXPECT_EQ(trailer->GetInteger("Size", 0), 5);
    for (const char* gone : {"Type", "W", "Length"}) EXPECT_EQ(trailer->IndexOfKey(gone), -1) << gone;
    EXPECT_EQ(fired, 1) << c.trailer;
    const auto* id = As<TPDFArray>(trailer->GetValue("ID", false));
    ASSERT_NE(id, nullptr) << c.trailer;
    ASSERT_EQ(id->ItemCount(), 2);
    const auto* first = As<TPDFString>(id->GetItem(0));
    const auto* second = As<TPDFString>(id->GetItem(1));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->HexForm());
    EXPECT_EQ(second->Value().size(), 16u);
    if (c.keepsFirst) {
      EXPECT_EQ(first->Value(), "\xAA") << c.trailer;
    } else {
      EXPECT_EQ(first->Value(), second->Value()) << c.trailer;
    }
  }
}

TEST(Reader, HostileTablesAreBounded) {
  TestPdf pdf = OnePageDocument();
  std::string bytes = pdf.Finish("/Root 1 0 R");
  // A subsection claiming object two billion in a tiny file is not allocated.
  bytes.replace(bytes.find("xref\n0 5"), 8, "xref\n0 5");
  const std::size_t trailer = bytes.find("trailer");
  bytes.insert(trailer, "2000000000 1\n0000000009 00000 n \n");
  bytes.replace(bytes.rfind("startxref\n") + 10, std::string::npos, std::to_string(bytes.find("xref\n0 5")) + "\n%%EOF\n");
  OpenFile file(bytes);
  EXPECT_EQ(file.reader.OpenError(), 0);
  EXPECT_EQ(file.reader.MaxObjectNumber(), 4);
}

// An entry pointing at another object's header, or at nothing, is damage: the object is looked for
// near its offset and then anywhere in the file; what no reading finds is counted unreadable.
TEST(Reader, ObjectsNotWhereTheTableSaysAreFoundOrCounted) {
  TestPdf pdf = OnePageDocument();
  pdf.Raw("% padding to move the next object away from its entry\n");
  pdf.Object(5, "(five)");
  std::string bytes = pdf.Finish("/Root 1 0 R");
  const auto repoint = [&bytes](std::int64_t from, std::int64_t to) {
    const std::string entry = TestPdf::Entry(from, 0, 'n');
    bytes.replace(bytes.find(entry), entry.size(), TestPdf::Entry(to, 0, 'n'));
  };
  repoint(pdf.Offset(3), pdf.Offset(2));      // object 2's header
  repoint(pdf.Offset(5), pdf.Offset(5) - 3);  // a few bytes off
  const std::size_t four = bytes.find("4 0 obj");
  bytes.replace(four, 7, "9 0 obj");  // object 4 is nowhere
  OpenFile file(bytes);
  EXPECT_NE(file.Text(3).find("/Type /Page"), std::string::npos);
  EXPECT_NE(file.Text(2).find("/Type /Pages"), std::string::npos);
  EXPECT_EQ(file.Text(5), "(five)");
  EXPECT_EQ(file.Text(4), "none");
  EXPECT_EQ(file.reader.RelocatedObjects(), 2u);  // 3, and 5 a few bytes from its offset
  EXPECT_EQ(file.reader.UnreadableObjects(), 1u);
}

TEST(Reader, ObjectStreamThatContainsItselfReadsAsNone) {
  TestPdf pdf("%PDF-1.5\n");
  pdf.Object(1, "<< /Type /Catalog >>");
  std::string bytes = pdf.Bytes();
  const auto xref = static_cast<std::int64_t>(bytes.size());
  bytes += "xref\n0 3\n" + TestPdf::Entry(0, 65535, 'f') + TestPdf::Entry(pdf.Offset(1), 0, 'n') +
           TestPdf::Entry(2, 0, 'c') + "trailer\n<< /Size 3 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) +
           "\n%%EOF\n";
  OpenFile file(bytes);
  EXPECT_EQ(file.Text(2), "none");
}

TEST(Reader, DecodedObjectStreamsKeptWithinTheirByteBound) {
  // Objects 2, 3 and 4, each alone in its own object stream (5, 6, 7) that decodes to 40 MiB: a
  // few compressed kilobytes each.
  constexpr std::size_t kDecoded = std::size_t{40} << 20;
  TestPdf pdf("%PDF-1.5\n");
  // A file this size may inflate what the test decodes (TDecodeBudget).
  pdf.Raw("%" + std::string(std::size_t{11} << 20, 'x') + "\n");
  pdf.Object(1, "<< /Type /Catalog /Pages << /Type /Pages /Kids [ ] /Count 0 >> >>");
  for (int n = 2; n <= 4; ++n) pdf.Object(n + 3, testing::InflatingObjectStream(n, kDecoded));
  std::string bytes = pdf.Bytes();
  const auto xref = static_cast<std::int64_t>(bytes.size());
  bytes += "xref\n0 8\n" + TestPdf::Entry(0, 65535, 'f') + TestPdf::Entry(pdf.Offset(1), 0, 'n');
  for (int n = 2; n <= 4; ++n) bytes += TestPdf::Entry(n + 3, 0, 'c');
  for (int n = 5; n <= 7; ++n) bytes += TestPdf::Entry(pdf.Offset(n), 0, 'n');
  bytes += "trailer\n<< /Size 8 /Root 1 0 R >>\nstartxref\n" + std::to_string(xref) + "\n%%EOF\n";

  OpenFile file(bytes);
  for (int n = 2; n <= 4; ++n) {
    EXPECT_EQ(file.Text(n), "[ " + std::to_string(n) + " ]");
    EXPECT_LE(file.reader.KeptObjectStreamBytes(), limits::kObjectStreamCacheBytes) << n;
  }
  // Two of them would exceed the bound: only the newest is kept, and reading object 2 again decodes
  // its stream again.
  EXPECT_EQ(file.reader.KeptObjectStreamBytes(), kDecoded);
  EXPECT_EQ(file.Text(2), "[ 2 ]");
  EXPECT_EQ(file.reader.KeptObjectStreamBytes(), kDecoded);
}

}  // namespace
}  // namespace pdf

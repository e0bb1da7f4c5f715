#include "pdf/io/XRefReader.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <tuple>
#include <vector>

#include "pdf/io/MemoryStream.h"
#include "tests/pdf/io/TestPdf.h"

namespace pdf {
namespace {

using testing::TestPdf;
using Entry = std::tuple<std::int32_t, std::int32_t, char, std::int64_t>;

struct Walk {
  std::vector<Entry> entries;
  std::vector<std::string> trailers;
  bool ok = false;
  bool hybrid = false;
  bool stream = false;
};

Walk WalkFile(const std::string& bytes, std::int64_t start = -1) {
  TMemoryStream file(bytes);
  Walk walk;
  TPDFXRefReader reader(file);
  reader.EntryHandler = [&](std::int32_t n, std::int32_t g, char k, std::int64_t o) { walk.entries.emplace_back(n, g, k, o); };
  reader.TrailerHandler = [&](const std::string& text) { walk.trailers.push_back(text); };
  walk.ok = reader.ReadSection(start >= 0 ? start : TPDFXRefReader(file).FindStartXRef());
  walk.hybrid = reader.IsHybrid;
  walk.stream = reader.HasXRefStream;
  return walk;
}

std::int64_t StartOf(const std::string& bytes) {
  TMemoryStream file(bytes);
  return TPDFXRefReader(file).FindStartXRef();
}

TEST(FindStartXRef, EndLinesInTheirVariants) {
  const std::string body = "%PDF-1.4\n" + std::string(3000, 'x') + "\n";
  const std::pair<std::string, std::int64_t> cases[] = {
      {body + "startxref\n1234\n%%EOF\n", 1234},
      {body + "startxref\r\n1234\r\n%%EOF\r\n", 1234},
      {body + "startxref\n1234\n%%EOF", 1234},
      {body + "startxref\n1234 % note\n%%EOF\n", 1234},
      {body + "startxref\n1234\n%%EO", 1234},
      {body + "startxref\n\r\n  77  \n%%EOF\n", 77},
      {body + "startxref\n1\n%%EOF\nstartxref\n2\n%%EOF\n", 2},
      {body + "startxref\nabc\n%%EOF\n", 0},
      {body + "%%EOF\n", 0},
      {body, 0},
      {"", 0}};
  for (const auto& [bytes, expected] : cases) EXPECT_EQ(StartOf(bytes), expected) << bytes.substr(3000);
}

TEST(FindStartXRef, MarkerAcrossAWindowEdgeIsFound) {
  for (int shift = 0; shift < 8; ++shift) {
    std::string bytes = "%PDF-1.4\nstartxref\n555\n%%EOF";
    // Place the end marker so that it straddles the edge 1024 bytes before the end.
    bytes += std::string(1024 - 2 + static_cast<std::size_t>(shift) - 0, ' ');
    bytes = std::string(2000, 'x') + bytes;
    EXPECT_EQ(StartOf(bytes), 555) << shift;
  }
}

TEST(TableSection, EntryLayoutsReadTheSame) {
  const std::vector<Entry> expected = {{1, 0, 'n', 9}, {2, 3, 'n', 57}, {5, 0, 'f', 0}};
  const std::string layouts[] = {
      "xref\n1 2\n0000000009 00000 n \n0000000057 00003 n \n5 1\n0000000000 00000 f \ntrailer\n<< /Size 6 >>\n",
      "xref\n1 2\n0000000009 00000 n\n0000000057 00003 n\n5 1\n0000000000 00000 f\ntrailer\n<< /Size 6 >>\n",
      "xref\r\n1 2\r\n0000000009 00000 n\r\n0000000057 00003 n\r\n\r\n5 1\r\n0000000000 00000 f\r\ntrailer<</Size 6>>",
      "xref\n1 2 \n0000000009 00000 n \n0000000057 00003 n \n\n\n5 1\n0000000000 00000 f \n\ntrailer\n<< /Size 6 >>\n"};
  for (const std::string& table : layouts) {
    const Walk walk = WalkFile("%PDF-1.4\n" + table, 9);
    EXPECT_TRUE(walk.ok) << table;
    EXPECT_EQ(walk.entries, expected) << table;
    ASSERT_EQ(walk.trailers.size(), 1u);
  }
}

TEST(TableSection, ZeroCountOrCommentEndsTheSubsections) {
  EXPECT_TRUE(WalkFile("%PDF-1.4\nxref\n0 0\n0000000000 65535 f \ntrailer\n<< /Size 1 >>\n", 9).entries.empty());
  EXPECT_TRUE(WalkFile("%PDF-1.4\nxref\n%c\n0 1\n0000000000 65535 f \ntrailer\n<< >>\n", 9).entries.empty());
}

TEST(TableSection, LongTrailerIsReadWithLargerWindows) {
  const std::string trailer = "trailer\n<< /Size 1 /Pad (" + std::string(7000, 'p') + ") /Root 1 0 R >>\n";
  const Walk walk = WalkFile("%PDF-1.4\nxref\n0 1\n0000000000 65535 f \n" + trailer, 9);
  EXPECT_TRUE(walk.ok);
  ASSERT_GE(walk.trailers.size(), 1u);
  EXPECT_NE(walk.trailers[0].find("/Root 1 0 R"), std::string::npos);
}

TEST(TableSection, OffsetsNearTheKeywordStillReachTheTable) {
  const std::string bytes = "%PDF-1.4\n" + std::string(40, ' ') + "xref\n0 1\n0000000000 65535 f \ntrailer\n<< >>\n";
  const std::int64_t keyword = 49;
  for (const std::int64_t offset : {keyword - 26, keyword, keyword + 10}) EXPECT_TRUE(WalkFile(bytes, offset).ok) << offset;
  EXPECT_FALSE(WalkFile(bytes, keyword + 11).ok);
}

TEST(TableSection, PrevLoopsEndAsFailuresWithoutRecursingForever) {
  // Section A points at B, B back at A.
  std::string bytes = "%PDF-1.4\n";
  const std::size_t a = bytes.size();
  bytes += "xref\n0 1\n0000000000 65535 f \ntrailer\n<< /Prev BBBB >>\n";
  const std::size_t b = bytes.size();
  bytes += "xref\n1 1\n0000000009 00000 n \ntrailer\n<< /Prev " + std::to_string(a) + " >>\n";
  bytes.replace(bytes.find("BBBB"), 4, std::to_string(b).substr(0, 4));
  ASSERT_EQ(std::to_string(b).size(), 2u);
  bytes.replace(bytes.find("/Prev " + std::to_string(b)) + 6 + 2, 2, "  ");
  const Walk walk = WalkFile(bytes, static_cast<std::int64_t>(a));
  EXPECT_FALSE(walk.ok);
  EXPECT_LE(walk.trailers.size(), 12u);
}

std::string Deflate(const std::string& data) {
  uLongf size = compressBound(static_cast<uLong>(data.size()));
  std::string out(size, '\0');
  compress(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
           static_cast<uLong>(data.size()));
  out.resize(size);
  return out;
}

std::string XRefStreamObject(int number, const std::string& dictionary, const std::string& data) {
  return std::to_string(number) + " 0 obj\n<< /Type /XRef " + dictionary + " /Length " +
         std::to_string(data.size()) + " >>\nstream\n" + data + "\nendstream\nendobj\n";
}

TEST(StreamSection, IndexAndWidthsSelectTheEntries) {
  // /W [1 2 1]: five entries for objects 0, 1, 2, 10 and 11.
  const std::string rows = std::string("\x00\x00\x00\xff", 4) + std::string("\x01\x00\x09\x00", 4) +
                           std::string("\x02\x00\x07\x03", 4) + std::string("\x01\x01\x00\x02", 4) +
                           std::string("\x05\x00\x00\x00", 4);
  std::string bytes = "%PDF-1.5\n";
  const auto start = static_cast<std::int64_t>(bytes.size());
  bytes += XRefStreamObject(12, "/Size 12 /W [ 1 2 1 ] /Index [ 0 3 10 2 ]", rows);
  const Walk walk = WalkFile(bytes + "startxref\n9\n%%EOF\n", start);
  EXPECT_TRUE(walk.ok);
  EXPECT_TRUE(walk.stream);
  const std::vector<Entry> expected = {{0, 255, 'f', 0}, {1, 0, 'n', 9}, {2, 3, 'c', 7}, {10, 2, 'n', 256}, {11, 0, ' ', 0}};
  EXPECT_EQ(walk.entries, expected);
  ASSERT_EQ(walk.trailers.size(), 1u);
}

TEST(StreamSection, MissingTypeWidthMeansInUseAndPredictorsAreUndone) {
  // Rows for objects 0 and 1 under a PNG Up predictor, two columns each.
  const std::string predicted = std::string("\x02\x00\x05", 3) + std::string("\x02\x00\x04", 3);
  std::string bytes = "%PDF-1.5\n";
  bytes += XRefStreamObject(3, "/Size 2 /W [ 0 2 0 ] /Filter /FlateDecode /DecodeParms << /Predictor 12 /Columns 2 >>",
                            Deflate(predicted));
  const Walk walk = WalkFile(bytes, 9);
  const std::vector<Entry> expected = {{0, 0, 'n', 5}, {1, 0, 'n', 9}};
  EXPECT_EQ(walk.entries, expected);
}

TEST(StreamSection, IndexBeyondTheFirstWindowIsRead) {
  std::string bytes = "%PDF-1.5\n";
  bytes += XRefStreamObject(3, "/Size 2 /Pad (" + std::string(30000, 'p') + ") /W [ 1 1 0 ] /Index [ 7 1 ]",
                            std::string("\x01\x09", 2));
  const Walk walk = WalkFile(bytes, 9);
  EXPECT_EQ(walk.entries, (std::vector<Entry>{{7, 0, 'n', 9}}));
}

TEST(StreamSection, ShortDataAndHugeSizeDeliverOnlyWhatIsThere) {
  std::string bytes = "%PDF-1.5\n";
  bytes += XRefStreamObject(3, "/Size 2000000000 /W [ 1 1 0 ]", std::string("\x01\x09\x01", 3));
  const Walk walk = WalkFile(bytes, 9);
  EXPECT_TRUE(walk.ok);
  EXPECT_EQ(walk.entries.size(), 1u);
}

TEST(StreamSection, NotAnXRefDictionaryFails) {
  EXPECT_FALSE(WalkFile("%PDF-1.5\n1 0 obj\n<< /Type /Page >>\nstream\nx\nendstream\n", 9).ok);
  EXPECT_FALSE(WalkFile("%PDF-1.5\n1 0 obj\n<< /Type /XRef /W [1 1 1] >>\nstream\nx\nendstream\n", 9).ok);
}

TEST(HybridFile, TableThenItsStreamThenThePreviousRevision) {
  TestPdf pdf;
  pdf.Object(1, "<< /Type /Catalog >>");
  const std::string old = pdf.Finish("/Root 1 0 R");
  std::string bytes = old;
  const std::int64_t prev = StartOf(old);
  const auto streamOffset = static_cast<std::int64_t>(bytes.size());
  bytes += XRefStreamObject(5, "/Size 6 /W [ 1 1 0 ] /Index [ 4 1 ]", std::string("\x02\x05", 2));
  const auto tableOffset = static_cast<std::int64_t>(bytes.size());
  bytes += "xref\n0 1\n0000000000 65535 f \n2 1\n0000000009 00000 n \ntrailer\n<< /Size 6 /XRefStm " +
           std::to_string(streamOffset) + " /Prev " + std::to_string(prev) + " >>\n";
  bytes += "startxref\n" + std::to_string(tableOffset) + "\n%%EOF\n";
  const Walk walk = WalkFile(bytes);
  EXPECT_TRUE(walk.ok);
  EXPECT_TRUE(walk.hybrid);
  ASSERT_GE(walk.entries.size(), 5u);
  EXPECT_EQ(std::get<0>(walk.entries[1]), 2);
  EXPECT_EQ(walk.entries[2], Entry(4, 0, 'c', 5));
  EXPECT_EQ(std::get<0>(walk.entries[3]), 0);
  EXPECT_EQ(std::get<0>(walk.entries[4]), 1);
}

}  // namespace
}  // namespace pdf

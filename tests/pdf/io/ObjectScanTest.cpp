#include "pdf/io/ObjectScan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pdf/io/MemoryStream.h"

namespace pdf {
namespace {

TEST(ObjectScan, FindsTheLastHeaderOfEachNumberAndWhereTheNextStarts) {
  const std::string bytes = "%PDF-1.4\n1 0 obj\n(a)\nendobj\n2 0 obj (b) endobj\n1 0 obj\n(newer)\nendobj\n"
                            "x3 0 obj 4 0 objx 5 1 obj null endobj";
  TMemoryStream stream(bytes);
  const TObjectScan scan(stream, 1000);
  ASSERT_TRUE(scan.Find(1));
  EXPECT_EQ(scan.Find(1)->offset, static_cast<std::int64_t>(bytes.find("1 0 obj\n(newer)")));
  EXPECT_EQ(scan.Find(2)->offset, static_cast<std::int64_t>(bytes.find("2 0 obj")));
  EXPECT_EQ(scan.Find(5)->generation, 1);
  EXPECT_FALSE(scan.Find(3));  // "x3" is no number
  EXPECT_FALSE(scan.Find(4));  // "objx" is no keyword
  EXPECT_EQ(scan.NextHeaderAfter(scan.Find(2)->offset), scan.Find(1)->offset);
  EXPECT_EQ(scan.NextHeaderAfter(scan.Find(5)->offset), -1);
  // Numbers at or above the bound are not kept.
  TMemoryStream small(bytes);
  EXPECT_FALSE(TObjectScan(small, 2).Find(2));
}

// The file is read in pieces of 1 MiB that overlap: a header across an edge is found once, whole,
// and the tail of its number is not taken for another object.
TEST(ObjectScan, HeadersAcrossPieceEdges) {
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  constexpr std::size_t kOverlap = 64;
  for (const std::size_t cut : {kPiece - kOverlap - 1, kPiece - 4, kPiece - 2}) {
    std::string bytes(cut, ' ');
    bytes += "12 0 obj\n(x)\nendobj\n";
    bytes += std::string(100, ' ');
    TMemoryStream stream(bytes);
    const TObjectScan scan(stream, 1000);
    ASSERT_TRUE(scan.Find(12)) << cut;
    EXPECT_EQ(scan.Find(12)->offset, static_cast<std::int64_t>(cut));
    EXPECT_FALSE(scan.Find(2)) << cut;
  }
}

// A rebuild looks at the objects that hold "/Type /XRef", "/Type /ObjStm" or "/Type /Catalog", and
// at the trailers: each word counts once, also across a piece's edge, and only in an object's last
// definition.
TEST(ObjectScan, MarksObjectsByTheirTypeWordsAndTrailersByTheirKeyword) {
  constexpr std::size_t kPiece = std::size_t{1} << 20;
  constexpr std::size_t kOverlap = 64;
  std::string bytes = "%PDF-1.5\n1 0 obj << /Type /Catalog /Pages 2 0 R >> endobj\n"
                      "3 0 obj << /Type /ObjStm /N 1 /First 4 >> endobj\n"
                      "4 0 obj << /Type /XRefStm /Catalogs 1 >> endobj\n"  // words that only start alike
                      "trailer << /Root 1 0 R >>\n";
  const std::string xref = "5 0 obj << /Type /XRef >> endobj\n";
  // "/XRef" starts 3 bytes before the next piece does.
  bytes += std::string(kPiece - kOverlap - 3 - xref.find("/XRef") - bytes.size(), ' ');
  bytes += xref;
  bytes += "3 0 obj << /Type /Page >> endobj\ntrailer << >>";  // object 3 is no object stream any more
  TMemoryStream stream(bytes);
  const TObjectScan scan(stream, 1000);
  EXPECT_EQ(scan.MarkedObjects(TObjectScan::TMark::Catalog), std::vector<std::int32_t>{1});
  EXPECT_EQ(scan.MarkedObjects(TObjectScan::TMark::ObjStm), std::vector<std::int32_t>{});
  EXPECT_EQ(scan.MarkedObjects(TObjectScan::TMark::XRef), std::vector<std::int32_t>{5});
  EXPECT_EQ(scan.TrailerOffsets(), (std::vector<std::int64_t>{static_cast<std::int64_t>(bytes.find("trailer")),
                                                              static_cast<std::int64_t>(bytes.rfind("trailer"))}));
}

}  // namespace
}  // namespace pdf

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cinttypes>
#include <cstdlib>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "pdf/io/MemoryStream.h"
#include "pdf/io/PDFWriter.h"
#include "pdf/objects/PDFError.h"
#include "pdf/objects/PDFStructure.h"

namespace pdf {
namespace {

using namespace std::string_literals;

const std::string kHeader14 = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";

struct TObject {
  std::int32_t number;
  std::int32_t generation;
  std::string text;
};

// Header 1.4, the objects in the given order, and the trailer << /Size trailerSize /Root 1 0 R >>;
// the default Size is wrong on purpose, to show which layout replaces it.
void WriteFile(TByteStream& stream, const std::vector<TObject>& objects, bool singleSection,
               std::int32_t offsetBase = 0, double trailerSize = 99) {
  TPDFStructure structure;
  TPDFDictionary* const trailer = structure.NewDictionary();
  trailer->SetValue("Size", structure.NewNumber(trailerSize));
  trailer->SetValue("Root", structure.NewReference(1, 0));
  TSmartPDFWriter writer(stream);
  writer.WriteHeader("1.4");
  for (const TObject& object : objects) writer.WriteObject(object.number, object.generation, object.text);
  writer.WriteXRefTable(*trailer, offsetBase, singleSection);
}

std::string WriteFile(const std::vector<TObject>& objects, bool singleSection, std::int32_t offsetBase = 0,
                      double trailerSize = 99) {
  TMemoryStream stream;
  WriteFile(stream, objects, singleSection, offsetBase, trailerSize);
  return stream.Bytes();
}

// Everything from the xref keyword on ("startxref" also contains "xref\n").
std::string FromXRef(const std::string& file) { return file.substr(file.find("\nxref\n") + 1); }

// An append-only stream that pretends to begin at `origin` and stores at most `capacity`
// bytes, answering the rest with short counts as a full disk does.
class TLimitedStream final : public TByteStream {
 public:
  explicit TLimitedStream(std::size_t capacity, std::int64_t origin = 0, bool flushFails = false)
      : capacity_(capacity), origin_(origin), flushFails_(flushFails) {}
  void SetSize(std::int64_t) override {}
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::size_t Write(const void* buffer, std::size_t count) override {
    const std::size_t stored = std::min(count, capacity_ - bytes_.size());
    bytes_.append(static_cast<const char*>(buffer), stored);
    return stored;
  }
  std::int64_t Seek(std::int64_t, TSeekOrigin) override {
    return origin_ + static_cast<std::int64_t>(bytes_.size());
  }
  void Flush() override {
    if (flushFails_) throw EPDFError("flush failed");
  }
  using TByteStream::Write;
  const std::string& Bytes() const { return bytes_; }

 private:
  std::size_t capacity_;
  std::int64_t origin_;
  bool flushFails_;
  std::string bytes_;
};

TEST(PDFWriter, HeaderPutsFirstObjectAtFifteen) {
  TMemoryStream stream;
  TSmartPDFWriter writer(stream);
  writer.WriteHeader("1.6");
  EXPECT_EQ(stream.Bytes(), "%PDF-1.6\n\x25\xE2\xE3\xCF\xD3\x0A");
  writer.WriteObject(1, 0, "null");
  TPDFStructure structure;
  writer.WriteXRefTable(*structure.NewDictionary(), 0, false);
  EXPECT_NE(stream.Bytes().find("\n0000000015 00000 n \n"), std::string::npos);
}

TEST(PDFWriter, ObjectFraming) {
  const struct {
    std::int32_t number, generation;
    std::string text, framed;
  } cases[] = {
      {1, 0, "<< >>", "1 0 obj\n<< >>\nendobj\n"},
      {12, 3, "(a)\n", "12 3 obj\n(a)\nendobj\n"},
      {7, 0, "", "7 0 obj\n\nendobj\n"},
      {5, 0, "stream\r", "5 0 obj\nstream\r\nendobj\n"},
      {2, 0, "\n", "2 0 obj\n\nendobj\n"},
      {9, 0, "<\x00\xFF>"s, "9 0 obj\n<\x00\xFF>\nendobj\n"s},
      {-4, -1, "null", "-4 -1 obj\nnull\nendobj\n"},
      {2147483647, 65535, "1", "2147483647 65535 obj\n1\nendobj\n"},
  };
  for (const auto& c : cases) {
    TMemoryStream stream;
    TSmartPDFWriter writer(stream);
    writer.WriteHeader("1.4");
    writer.WriteObject(c.number, c.generation, c.text);
    EXPECT_EQ(stream.Bytes(), kHeader14 + c.framed) << c.number;
  }
}

// Every object text below is "1", so each object with a one-digit number takes 17 bytes and
// the objects lie at 15, 32, 49, ... in write order ("-3 0 obj" takes one byte more).
TEST(PDFWriter, TableLayouts) {
  const std::string head = "0000000000 65535 f \n";
  const std::string trailer = "trailer\n<<\n/Size 99\n/Root 1 0 R\n>>\n";
  const auto trailerOfSize = [](int size) {
    return "trailer\n<<\n/Size " + std::to_string(size) + "\n/Root 1 0 R\n>>\n";
  };
  const struct {
    const char* name;
    std::vector<TObject> objects;
    bool singleSection;
    std::int32_t offsetBase;
    std::string tail;
  } cases[] = {
      {"no objects", {}, false, 0, "xref\n0 1\n" + head + trailer + "startxref\n15\n%%EOF\n"},
      {"no objects, single", {}, true, 0, "xref\n0 1\n" + head + trailerOfSize(1) + "startxref\n15\n%%EOF\n"},
      {"1 to 3",
       {{1, 0, "1"}, {2, 0, "1"}, {3, 0, "1"}},
       false,
       0,
       "xref\n0 4\n" + head +
           "0000000015 00000 n \n0000000032 00000 n \n0000000049 00000 n \n" + trailer +
           "startxref\n66\n%%EOF\n"},
      {"1, 2 and 5",
       {{1, 0, "1"}, {2, 0, "1"}, {5, 0, "1"}},
       false,
       0,
       "xref\n0 3\n" + head + "0000000015 00000 n \n0000000032 00000 n \n5 1\n0000000049 00000 n \n" +
           trailer + "startxref\n66\n%%EOF\n"},
      {"1, 2 and 5, single",
       {{1, 0, "1"}, {2, 0, "1"}, {5, 0, "1"}},
       true,
       0,
       "xref\n0 6\n0000000003 65535 f \n0000000015 00000 n \n0000000032 00000 n \n"
       "0000000004 00001 f \n0000000000 00001 f \n0000000049 00000 n \n" +
           trailerOfSize(6) + "startxref\n66\n%%EOF\n"},
      {"1 missing",
       {{2, 0, "1"}, {3, 0, "1"}},
       false,
       0,
       "xref\n0 1\n" + head + "2 2\n0000000015 00000 n \n0000000032 00000 n \n" + trailer +
           "startxref\n49\n%%EOF\n"},
      {"written out of order",
       {{3, 0, "1"}, {1, 2, "1"}, {2, 0, "1"}},
       false,
       0,
       "xref\n0 4\n" + head +
           "0000000032 00002 n \n0000000049 00000 n \n0000000015 00000 n \n" + trailer +
           "startxref\n66\n%%EOF\n"},
      {"duplicate points at first copy",
       {{1, 0, "1"}, {2, 0, "1"}, {1, 0, "1"}},
       false,
       0,
       "xref\n0 3\n" + head + "0000000015 00000 n \n0000000032 00000 n \n" + trailer +
           "startxref\n66\n%%EOF\n"},
      {"duplicate, single",
       {{1, 0, "1"}, {1, 0, "1"}},
       true,
       0,
       "xref\n0 2\n" + head + "0000000015 00000 n \n" + trailerOfSize(2) + "startxref\n49\n%%EOF\n"},
      {"object 0 and negative numbers get no entry",
       {{0, 0, "1"}, {-3, 0, "1"}, {1, 0, "1"}},
       false,
       0,
       "xref\n0 2\n" + head + "0000000050 00000 n \n" + trailer + "startxref\n67\n%%EOF\n"},
      {"object 0 and negative numbers, single",
       {{0, 0, "1"}, {-3, 0, "1"}, {2, 0, "1"}},
       true,
       0,
       "xref\n0 3\n0000000001 65535 f \n0000000000 00001 f \n0000000050 00000 n \n" + trailerOfSize(3) +
           "startxref\n67\n%%EOF\n"},
      {"offset base",
       {{1, 0, "1"}},
       false,
       100,
       "xref\n0 2\n" + head + "0000000115 00000 n \n" + trailer + "startxref\n132\n%%EOF\n"},
      {"offset base, single",
       {{1, 0, "1"}, {3, 0, "1"}},
       true,
       -15,
       "xref\n0 4\n0000000002 65535 f \n0000000000 00000 n \n0000000000 00001 f \n0000000017 00000 n \n" +
           trailerOfSize(4) + "startxref\n34\n%%EOF\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FromXRef(WriteFile(c.objects, c.singleSection, c.offsetBase)), c.tail) << c.name;
  }
}

struct TEntry {
  std::int64_t first;
  std::int32_t generation;
  char kind;
};

// Reads the table that startxref points at, checking the fixed entry format on the way.
std::map<std::int64_t, TEntry> ReadTable(const std::string& file) {
  const std::size_t startXRef = file.rfind("startxref\n");
  std::size_t pos = std::stoull(file.substr(startXRef + 10));
  EXPECT_EQ(file.compare(pos, 5, "xref\n"), 0);
  pos += 5;
  std::map<std::int64_t, TEntry> table;
  while (pos < startXRef && file.compare(pos, 8, "trailer\n") != 0) {
    const std::size_t lineEnd = file.find('\n', pos);
    std::int64_t number = 0, count = 0;
    EXPECT_EQ(std::sscanf(file.substr(pos, lineEnd - pos).c_str(), "%" SCNd64 " %" SCNd64, &number, &count), 2);
    pos = lineEnd + 1;
    for (std::int64_t i = 0; i < count; ++i, ++number, pos += 20) {
      const std::string entry = file.substr(pos, 20);
      EXPECT_TRUE(entry[10] == ' ' && entry[16] == ' ' && entry.ends_with(" \n")) << entry;
      EXPECT_TRUE(table.emplace(number, TEntry{std::stoll(entry.substr(0, 10)), std::stoi(entry.substr(11, 5)),
                                               entry[17]}).second)
          << "number listed twice: " << number;
    }
  }
  return table;
}

// Many objects with gaps, duplicates and generations, written in shuffled order: every entry
// must lead a reader to the first copy of its object, and the free entries must chain.
TEST(PDFWriter, TableLeadsToEveryObject) {
  std::vector<TObject> objects;
  std::set<std::int32_t> written;
  for (std::int32_t k = 1; k <= 3000; ++k) {
    if (k % 13 == 0 || k % 101 == 0) continue;
    written.insert(k);
    objects.push_back({k, k % 3, "(first " + std::to_string(k) + ")"});
  }
  std::shuffle(objects.begin(), objects.end(), std::mt19937(42));
  for (std::int32_t k = 10; k <= 3000; k += 10) {
    if (written.contains(k)) objects.push_back({k, k % 3, "(second)"});
  }
  const std::int32_t highest = *written.rbegin();

  for (const bool singleSection : {false, true}) {
    SCOPED_TRACE(singleSection ? "single section" : "subsections");
    const std::string file = WriteFile(objects, singleSection);
    const std::map<std::int64_t, TEntry> table = ReadTable(file);
    ASSERT_EQ(table.size(), singleSection ? std::size_t(highest) + 1 : written.size() + 1);
    std::vector<std::int64_t> freeChain;
    for (const auto& [number, entry] : table) {
      if (entry.kind == 'f') {
        freeChain.push_back(number);
        continue;
      }
      ASSERT_EQ(entry.kind, 'n') << number;
      ASSERT_TRUE(written.contains(static_cast<std::int32_t>(number))) << number;
      const std::string expected = std::to_string(number) + " " + std::to_string(number % 3) + " obj\n(first " +
                                   std::to_string(number) + ")\nendobj\n";
      ASSERT_EQ(file.compare(static_cast<std::size_t>(entry.first), expected.size(), expected), 0) << number;
      ASSERT_EQ(entry.generation, number % 3) << number;
    }
    // The free numbers, ascending, each pointing at the next and the last back at 0.
    for (std::size_t i = 0; i < freeChain.size(); ++i) {
      const TEntry& entry = table.at(freeChain[i]);
      EXPECT_EQ(entry.first, i + 1 < freeChain.size() ? freeChain[i + 1] : 0) << freeChain[i];
      EXPECT_EQ(entry.generation, freeChain[i] == 0 ? 65535 : 1) << freeChain[i];
    }
    EXPECT_EQ(freeChain.size(), singleSection ? std::size_t(highest) + 1 - written.size() : 1u);
  }
}

const std::vector<TObject> kSmallFile = {{1, 0, "1"}, {2, 0, "1"}, {5, 0, "1"}};

TEST(PDFWriter, ShortWriteRaises) {
  for (const bool singleSection : {false, true}) {
    SCOPED_TRACE(singleSection ? "single section" : "subsections");
    const std::size_t fullSize = WriteFile(kSmallFile, singleSection).size();
    // Whichever write the disk fills up in, the caller learns of it.
    for (std::size_t capacity = 0; capacity < fullSize; ++capacity) {
      TLimitedStream stream(capacity);
      EXPECT_THROW(WriteFile(stream, kSmallFile, singleSection), EPDFError) << capacity;
    }
    TLimitedStream roomy(fullSize);
    EXPECT_NO_THROW(WriteFile(roomy, kSmallFile, singleSection));
    TLimitedStream failingFlush(fullSize, 0, true);
    EXPECT_THROW(WriteFile(failingFlush, kSmallFile, singleSection), EPDFError);
  }
}

// Values wider than an entry's fixed fields would corrupt the table, so they raise.
TEST(PDFWriter, UnrepresentableEntriesRaise) {
  const std::int64_t lastTenDigitStart = 9'999'999'999 - 15;  // first object then at 9 999 999 999
  const struct {
    std::int64_t origin;
    std::int32_t offsetBase;
    std::int32_t generation;
    bool raises;
  } cases[] = {
      {lastTenDigitStart, 0, 0, false},      {lastTenDigitStart + 1, 0, 0, true},
      {lastTenDigitStart, 1, 0, true},       {lastTenDigitStart + 100, -100, 0, false},
      {0, -15, 0, false},                    {0, -16, 0, true},
      {0, 0, 99'999, false},                 {0, 0, 100'000, true},
      {0, 0, -1, true},                      {0, std::numeric_limits<std::int32_t>::min(), 0, true},
  };
  for (const bool singleSection : {false, true}) {
    for (const auto& c : cases) {
      TLimitedStream stream(1 << 16, c.origin);
      const std::vector<TObject> objects = {{1, c.generation, "1"}};
      if (c.raises) {
        EXPECT_THROW(WriteFile(stream, objects, singleSection, c.offsetBase), EPDFError)
            << c.origin << " " << c.offsetBase << " " << c.generation;
      } else {
        EXPECT_NO_THROW(WriteFile(stream, objects, singleSection, c.offsetBase))
            << c.origin << " " << c.offsetBase << " " << c.generation;
      }
    }
  }
  TLimitedStream stream(1 << 16, lastTenDigitStart);
  WriteFile(stream, {{1, 0, "1"}}, false);
  EXPECT_NE(stream.Bytes().find("\n9999999999 00000 n \n"), std::string::npos);
}


// Checks by independent readers: the written file must open without repair.

bool OnPath(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

struct TCommandResult {
  int status;
  std::string output;
};

TCommandResult RunCommand(const std::string& command) {
  TCommandResult result{-1, ""};
  FILE* const pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.output.append(buffer, n);
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

class TTempFile {
 public:
  TTempFile(const std::string& name, const std::string& bytes)
      : path_(std::filesystem::path(::testing::TempDir()) / (name + "_" + std::to_string(getpid()) + ".pdf")) {
    std::ofstream(path_, std::ios::binary) << bytes;
  }
  ~TTempFile() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  std::string Quoted() const { return "'" + path_.string() + "'"; }

 private:
  std::filesystem::path path_;
};

// One page saying Hello; number 5 is left unused and the objects are written out of order.
std::string HelloDocument(bool singleSection) {
  TPDFStructure structure;
  const std::vector<TObject> objects = {
      {6, 0, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"},
      {4, 0, structure.NewStream("BT /F1 12 Tf 72 720 Td (Hello) Tj ET", false)->ToText()},
      {3, 0,
       "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R "
       "/Resources << /Font << /F1 6 0 R >> >> >>"},
      {1, 0, "<< /Type /Catalog /Pages 2 0 R >>"},
      {2, 0, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
  };
  return WriteFile(objects, singleSection, 0, 7);
}

TEST(PDFWriterExternal, QpdfAcceptsWrittenFile) {
  if (!OnPath("qpdf")) GTEST_SKIP() << "qpdf is not on PATH (scripts/setup installs it)";
  for (const bool singleSection : {false, true}) {
    SCOPED_TRACE(singleSection ? "single section" : "subsections");
    const TTempFile file("ombrelt_writer_qpdf", HelloDocument(singleSection));
    // Status 3 would mean warnings, such as a table qpdf had to reconstruct.
    const TCommandResult check = RunCommand("qpdf --check " + file.Quoted());
    EXPECT_EQ(check.status, 0) << check.output;
    const TCommandResult pages = RunCommand("qpdf --show-npages " + file.Quoted());
    EXPECT_EQ(pages.status, 0) << pages.output;
    EXPECT_EQ(pages.output, "1\n");
  }
}

TEST(PDFWriterExternal, PdftotextReadsPageText) {
  if (!OnPath("pdftotext")) GTEST_SKIP() << "pdftotext is not on PATH (scripts/setup installs poppler-utils)";
  for (const bool singleSection : {false, true}) {
    SCOPED_TRACE(singleSection ? "single section" : "subsections");
    const TTempFile file("ombrelt_writer_pdftotext", HelloDocument(singleSection));
    const TCommandResult text = RunCommand("pdftotext " + file.Quoted() + " -");
    EXPECT_EQ(text.status, 0) << text.output;
    EXPECT_NE(text.output.find("Hello"), std::string::npos) << text.output;
    EXPECT_EQ(text.output.find("Syntax"), std::string::npos) << text.output;
  }
}

}  // namespace
}  // namespace pdf

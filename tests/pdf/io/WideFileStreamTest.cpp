#include "pdf/io/WideFileStream.h"

#include <gtest/gtest.h>
#include <stdlib.h>  // mkdtemp

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <system_error>

#include "pdf/io/FileOperations.h"
#include "pdf/objects/TextConversions.h"

namespace pdf {
namespace {

namespace fs = std::filesystem;
using Modes = std::initializer_list<std::uint16_t>;

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
  return bytes;
}

// Each test works in a fresh directory of its own, removed afterwards.
class FileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string templ = (fs::temp_directory_path() / "ombrelt-file-XXXXXX").native();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    dir_ = templ;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(dir_, ignored);
  }

  // The native path of a name (UTF-16, may be non-ASCII) in the test directory.
  fs::path Native(const std::u16string& name) const { return dir_ / UnicodeToUTF8(name); }
  std::u16string Wide(const std::u16string& name) const {
    return UTF8ToUnicode(Native(name).native());
  }
  void Put(const std::u16string& name, const std::string& bytes) const {
    std::ofstream(Native(name), std::ios::binary) << bytes;
  }
  std::string Contents(const std::u16string& name) const {
    std::ifstream in(Native(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  bool Exists(const std::u16string& name) const {
    std::error_code ignored;
    return fs::exists(fs::symlink_status(Native(name), ignored));
  }

  fs::path dir_;
};

void ExpectCreateError(const std::u16string& path, std::uint16_t mode) {
  try {
    OpenWideFileStream(path, mode);
    ADD_FAILURE() << "mode " << mode << " opened";
  } catch (const EFCreateError& error) {
    EXPECT_STREQ(error.what(), "Error");
  }
}

// ---------------------------------------------------------------------------
// Opening

TEST_F(FileTest, InvalidModesFailWithoutTouchingTheFileSystem) {
  Put(u"é.pdf", "keep");
  for (const std::uint16_t mode : Modes{0x03, 0x50, 0x53, 0x13, 0xF0, 0xFFFE}) {
    SCOPED_TRACE(mode);
    ExpectCreateError(Wide(u"missing.pdf"), mode);
    ExpectCreateError(Wide(u"é.pdf"), mode);
    EXPECT_FALSE(Exists(u"missing.pdf"));
    EXPECT_EQ(Contents(u"é.pdf"), "keep");
    // A failed open leaves no protection behind.
    EXPECT_TRUE(WideDeleteFile(Wide(u"é.pdf")));
    Put(u"é.pdf", "keep");
  }
}

TEST_F(FileTest, OpenModesGrantTheirAccess) {
  struct Case {
    std::uint16_t mode;
    bool readable;
    bool writable;
  };
  const Case cases[] = {
      {0x20, true, false}, {0x00, true, false}, {0x40, true, false},
      {0x01, false, true}, {0x31, false, true}, {0x02, true, true},
      {0x42, true, true},
      // Bits outside 0..1 and 4..7 are ignored.
      {0x8C20, true, false}, {0x0F02, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    Put(u"日本.pdf", "abc");
    {
      const auto stream = OpenWideFileStream(Wide(u"日本.pdf"), c.mode);
      char buffer[8] = {};
      EXPECT_EQ(stream->Read(buffer, sizeof buffer), c.readable ? 3u : 0u);
      stream->Seek(0, TSeekOrigin::Beginning);
      EXPECT_EQ(stream->Write("XY"), c.writable ? 2u : 0u);
      if (c.writable) {
        EXPECT_NO_THROW(stream->Flush());
      } else {
        EXPECT_THROW(stream->Flush(), EPDFError);
      }
    }
    EXPECT_EQ(Contents(u"日本.pdf"), c.writable ? "XYc" : "abc");
  }
}

TEST_F(FileTest, OpeningWhatIsNotAnExistingFileRaises) {
  fs::create_directory(Native(u"folder"));
  for (const std::uint16_t mode : Modes{0x20, 0x02, 0x01}) {
    SCOPED_TRACE(mode);
    ExpectCreateError(Wide(u"missing é.pdf"), mode);
    EXPECT_FALSE(Exists(u"missing é.pdf"));
    ExpectCreateError(Wide(u"folder"), mode);
  }
  ExpectCreateError(Wide(u"folder"), kFileModeCreate);
  ExpectCreateError(Wide(u"no folder/new.pdf"), kFileModeCreate);
  ExpectCreateError(u"", kFileModeInput);
  // A NUL would cut the name short and name another file.
  Put(u"a", "x");
  ExpectCreateError(Wide(u"a") + u'\0' + u"b", kFileModeInput);
  EXPECT_FALSE(WideFileExists(Wide(u"a") + u'\0' + u"b"));
  EXPECT_FALSE(WideDeleteFile(Wide(u"a") + u'\0' + u"b"));
  EXPECT_TRUE(Exists(u"a"));
}

TEST_F(FileTest, FailedOpensLeaveNoDescriptorOpen) {
  const fs::path descriptors = "/proc/self/fd";
  if (!fs::exists(descriptors)) GTEST_SKIP() << "no /proc/self/fd";
  const auto count = [&] { return std::distance(fs::directory_iterator(descriptors), {}); };
  fs::create_directory(Native(u"folder"));
  Put(u"in.pdf", "input");
  const auto input = OpenWideFileStream(Wide(u"in.pdf"), kFileModeInput);
  const auto before = count();
  ExpectCreateError(Wide(u"folder"), kFileModeInput);
  ExpectCreateError(Wide(u"in.pdf"), kFileModeCreate);
  ExpectCreateError(Wide(u"in.pdf"), 0x02);
  EXPECT_EQ(count(), before);
}

TEST_F(FileTest, CreateEmptiesAnExistingFile) {
  Put(u"é.pdf", Pattern(600));
  {
    const auto stream = OpenWideFileStream(Wide(u"é.pdf"), kFileModeCreate);
    EXPECT_EQ(stream->Size(), 0);
  }
  EXPECT_TRUE(Exists(u"é.pdf"));
  EXPECT_EQ(Contents(u"é.pdf"), "");
}

// ---------------------------------------------------------------------------
// File operations

TEST_F(FileTest, WideFileExistsTellsFilesFromEverythingElse) {
  Put(u"日本.pdf", "x");
  Put(u"a.pdf", "x");
  fs::create_directory(Native(u"folder"));
  fs::create_symlink(Native(u"日本.pdf"), Native(u"link"));
  fs::create_symlink(Native(u"gone"), Native(u"dangling"));
  const auto open = OpenWideFileStream(Wide(u"a.pdf"), kFileModeInput);
  struct Case {
    std::u16string name;
    bool exists;
  };
  const Case cases[] = {
      {u"日本.pdf", true}, {u"a.pdf", true},  // open elsewhere
      {u"link", true},     {u"folder", false}, {u"missing", false}, {u"dangling", false},
      // Names are literal: no wildcard matching.
      {u"*.pdf", false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WideFileExists(Wide(c.name)), c.exists) << UnicodeToUTF8(c.name);
  }
  EXPECT_FALSE(WideFileExists(u""));
}

TEST_F(FileTest, WideDeleteFileRemovesOnlyFiles) {
  Put(u"é.pdf", "x");
  fs::create_directory(Native(u"folder"));
  EXPECT_TRUE(WideDeleteFile(Wide(u"é.pdf")));
  EXPECT_FALSE(Exists(u"é.pdf"));
  EXPECT_FALSE(WideDeleteFile(Wide(u"é.pdf")));
  EXPECT_FALSE(WideDeleteFile(Wide(u"folder")));
  EXPECT_TRUE(fs::is_directory(Native(u"folder")));
}

TEST_F(FileTest, WideFullPathNameIsAbsoluteAndLexical) {
  const std::u16string cwd = UTF8ToUnicode(fs::current_path().native());
  const std::u16string base = cwd == u"/" ? u"" : cwd;
  fs::create_directory(Native(u"real"));
  fs::create_symlink(Native(u"real"), Native(u"link"));
  const std::u16string longName(300, u'é');
  struct Case {
    std::u16string path;
    std::u16string expected;
  };
  const Case cases[] = {
      {u"a.pdf", base + u"/a.pdf"},
      {u"./x/../日本/./b.pdf", base + u"/日本/b.pdf"},
      {u"/tmp/../etc//./p", u"/etc/p"},
      {u"/" + longName + u"/" + longName, u"/" + longName + u"/" + longName},
      // Symlinks are not resolved: link/.. stays in the test directory.
      {Wide(u"link/../f"), Wide(u"f")},
      {u"", u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WideFullPathName(c.path), c.expected) << UnicodeToUTF8(c.path);
  }
}

// ---------------------------------------------------------------------------
// Inputs are protected while open

enum class Alias { Same, DotPrefix, Symlink, HardLink };

std::string AliasName(const ::testing::TestParamInfo<Alias>& info) {
  switch (info.param) {
    case Alias::Same: return "Same";
    case Alias::DotPrefix: return "DotPrefix";
    case Alias::Symlink: return "Symlink";
    case Alias::HardLink: return "HardLink";
  }
  return "Unknown";
}

class ProtectionTest : public FileTest, public ::testing::WithParamInterface<Alias> {
 protected:
  // Another name for the input, made as the parameter asks.
  std::u16string MakeAlias() const {
    switch (GetParam()) {
      case Alias::Same: return Wide(u"日本 é.pdf");
      case Alias::DotPrefix: return Wide(u"./日本 é.pdf");
      case Alias::Symlink:
        fs::create_symlink(Native(u"日本 é.pdf"), Native(u"symlink.pdf"));
        return Wide(u"symlink.pdf");
      case Alias::HardLink:
        fs::create_hard_link(Native(u"日本 é.pdf"), Native(u"hardlink.pdf"));
        return Wide(u"hardlink.pdf");
    }
    return {};
  }
};

TEST_P(ProtectionTest, OpenInputCannotBeDeletedReplacedOrWritten) {
  const std::string original = Pattern(600);
  Put(u"日本 é.pdf", original);
  const std::u16string alias = MakeAlias();
  auto input = OpenWideFileStream(Wide(u"日本 é.pdf"), kFileModeInput);

  EXPECT_FALSE(WideDeleteFile(alias));
  ExpectCreateError(alias, kFileModeCreate);
  for (const std::uint16_t mode : Modes{0x01, 0x02, 0x42}) ExpectCreateError(alias, mode);
  EXPECT_TRUE(WideFileExists(alias));
  // Others may still read.
  EXPECT_NO_THROW(OpenWideFileStream(alias, kFileModeInput));
  EXPECT_EQ(Contents(u"日本 é.pdf"), original);

  input.reset();
  OpenWideFileStream(alias, kFileModeCreate)->Write("new");
  // Every alias leads to the same file.
  EXPECT_EQ(Contents(u"日本 é.pdf"), "new");
  EXPECT_TRUE(WideDeleteFile(alias));
}

INSTANTIATE_TEST_SUITE_P(Aliases, ProtectionTest,
                         ::testing::Values(Alias::Same, Alias::DotPrefix, Alias::Symlink,
                                           Alias::HardLink),
                         AliasName);

TEST_F(FileTest, ProtectionLastsUntilTheLastInputCloses) {
  Put(u"in.pdf", "x");
  auto first = OpenWideFileStream(Wide(u"in.pdf"), kFileModeInput);
  auto second = OpenWideFileStream(Wide(u"in.pdf"), kFileModeInput);
  first.reset();
  EXPECT_FALSE(WideDeleteFile(Wide(u"in.pdf")));
  second.reset();
  EXPECT_TRUE(WideDeleteFile(Wide(u"in.pdf")));
}

TEST_F(FileTest, OnlySharingThatRefusesWritersProtects) {
  struct Case {
    std::uint16_t mode;
    bool protects;
  };
  const Case cases[] = {
      {0x00, true}, {0x10, true}, {0x20, true}, {0x01, true},
      {0x30, false}, {0x40, false}, {0x42, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    Put(u"in.pdf", "x");
    const auto stream = OpenWideFileStream(Wide(u"in.pdf"), c.mode);
    if (c.protects) {
      ExpectCreateError(Wide(u"in.pdf"), 0x02);
    } else {
      EXPECT_NO_THROW(OpenWideFileStream(Wide(u"in.pdf"), 0x02));
    }
    EXPECT_EQ(WideDeleteFile(Wide(u"in.pdf")), !c.protects);
  }
}

// ---------------------------------------------------------------------------
// Reading and seeking

TEST_F(FileTest, ReadsStopAtTheEnd) {
  const std::string content = Pattern(600);
  Put(u"é.pdf", content);
  const auto stream = OpenWideFileStream(Wide(u"é.pdf"), kFileModeInput);
  EXPECT_EQ(stream->Size(), 600);
  std::string buffer(1024, '\0');
  ASSERT_EQ(stream->Read(buffer.data(), 1024), 600u);
  EXPECT_EQ(buffer.substr(0, 600), content);
  EXPECT_EQ(stream->Read(buffer.data(), 1024), 0u);
  EXPECT_EQ(stream->Seek(700, TSeekOrigin::Beginning), 700);
  EXPECT_EQ(stream->Read(buffer.data(), 1), 0u);
  EXPECT_EQ(stream->Seek(-10, TSeekOrigin::End), 590);
  EXPECT_EQ(stream->Read(buffer.data(), 1024), 10u);
  EXPECT_EQ(buffer.substr(0, 10), content.substr(590));
}

TEST_F(FileTest, SeekOrigins) {
  Put(u"é.pdf", Pattern(600));
  const auto stream = OpenWideFileStream(Wide(u"é.pdf"), kFileModeInput);
  struct Case {
    std::int64_t offset;
    int origin;
    std::int64_t expected;  // -1: fails, position unchanged at 100
  };
  const Case cases[] = {
      {10, 0, 10},     {10, 1, 110},   {-10, 1, 90},   {-600, 2, 0},
      {5, 2, 605},     {-1, 0, -1},    {-101, 1, -1},  {0, 3, -1},
      // Only the low seven bits of the origin count.
      {10, 0x80 | 1, 110}, {0, 0x80 | 2, 600}, {0, 0x7F, -1},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(stream->Seek(100, TSeekOrigin::Beginning), 100);
    EXPECT_EQ(stream->Seek(c.offset, static_cast<TSeekOrigin>(c.origin)), c.expected)
        << c.offset << " from " << c.origin;
    if (c.expected < 0) {
      EXPECT_EQ(stream->Position(), 100);
    }
  }
}

TEST_F(FileTest, ReadsAgreeWithTheFileWhereverTheyFallAroundTheReadAhead) {
  // Reads below 256 KiB are served from 256 KiB read ahead, larger ones go to the file directly;
  // every read must give the file's bytes whichever way it takes and wherever the last one ended.
  constexpr std::int64_t kCache = 256 * 1024;
  constexpr std::int64_t kSize = 3 * kCache + 1000;
  const std::string content = Pattern(kSize);
  Put(u"big.pdf", content);
  const auto stream = OpenWideFileStream(Wide(u"big.pdf"), kFileModeInput);
  struct Case {
    std::int64_t at;  // -1: where the last read ended
    std::size_t count;
  };
  const Case cases[] = {
      {0, 100},           {-1, 100},            {50, 10},               // inside what was read ahead
      {kCache - 10, 20},  {kCache + 5, 7},      {kCache - 50, 10},      // across the end and back before it
      {100, kCache},      {-1, 10},             {1000, 3 * kCache},     // larger than the read ahead
      {kSize - 5, 100},   {kSize - 5, 1},       {kSize, 10},            // at and past the end
      {kSize + 100, 10},  {kSize - kCache, kCache - 1}, {-1, 1},
  };
  std::int64_t at = 0;
  for (const Case& c : cases) {
    if (c.at >= 0) {
      ASSERT_EQ(stream->Seek(c.at, TSeekOrigin::Beginning), c.at);
      at = c.at;
    }
    const auto expected = content.substr(static_cast<std::size_t>(std::min(at, kSize)), c.count);
    std::string buffer(c.count, '\0');
    ASSERT_EQ(stream->Read(buffer.data(), c.count), expected.size()) << at << " +" << c.count;
    EXPECT_EQ(buffer.substr(0, expected.size()), expected) << at << " +" << c.count;
    at += static_cast<std::int64_t>(expected.size());
    EXPECT_EQ(stream->Position(), at) << at << " +" << c.count;
  }
}

TEST_F(FileTest, WritesReplaceWhatWasReadAhead) {
  Put(u"both.pdf", Pattern(100000));
  const auto stream = OpenWideFileStream(Wide(u"both.pdf"), 0x02);
  char buffer[8] = {};
  ASSERT_EQ(stream->Read(buffer, 4), 4u);  // reads ahead over the whole file
  stream->Seek(5000, TSeekOrigin::Beginning);
  stream->Write("written");
  stream->Seek(4998, TSeekOrigin::Beginning);
  ASSERT_EQ(stream->Read(buffer, 8), 8u);
  EXPECT_EQ(std::string(buffer, 8), Pattern(5000).substr(4998) + "writte");
  stream->SetSize(5003);
  stream->Seek(5000, TSeekOrigin::Beginning);
  EXPECT_EQ(stream->Read(buffer, 8), 3u);
  EXPECT_EQ(std::string(buffer, 3), "wri");
}

// ---------------------------------------------------------------------------
// Writing

TEST_F(FileTest, ManySmallAndLargeWritesAreStoredInOrder) {
  std::string expected;
  {
    const auto stream = OpenWideFileStream(Wide(u"out 日本.pdf"), kFileModeCreate);
    for (std::size_t i = 0; i < 20000; ++i) {
      const std::string piece = std::to_string(i) + ' ';
      ASSERT_EQ(stream->Write(piece), piece.size());
      expected += piece;
      if (i % 5000 == 0) {
        // Larger than the buffer: goes straight through, after what is buffered.
        const std::string block = Pattern(200 * 1024);
        ASSERT_EQ(stream->Write(block), block.size());
        expected += block;
      }
      ASSERT_EQ(stream->Position(), static_cast<std::int64_t>(expected.size()));
    }
    EXPECT_EQ(stream->Size(), static_cast<std::int64_t>(expected.size()));
  }  // the destructor flushes
  EXPECT_EQ(Contents(u"out 日本.pdf"), expected);
}

TEST_F(FileTest, BufferedWritesAreSeenByEveryOtherOperation) {
  const auto stream = OpenWideFileStream(Wide(u"out.pdf"), kFileModeCreate);
  stream->Write("0123456789");
  char buffer[16] = {};
  EXPECT_EQ(stream->Seek(2, TSeekOrigin::Beginning), 2);
  EXPECT_EQ(stream->Read(buffer, 3), 3u);
  EXPECT_EQ(std::string(buffer, 3), "234");
  stream->Write("ab");  // overwrites 5 and 6
  EXPECT_EQ(stream->Read(buffer, 2), 2u);
  EXPECT_EQ(std::string(buffer, 2), "78");
  EXPECT_EQ(stream->Size(), 10);
  stream->Seek(0, TSeekOrigin::End);
  stream->Write("tail");
  stream->SetSize(12);
  EXPECT_EQ(stream->Position(), 12);
  stream->Sync();
  EXPECT_EQ(Contents(u"out.pdf"), "01234ab789ta");
}

TEST_F(FileTest, SetSizeCutsOrExtendsTheFile) {
  Put(u"é.pdf", Pattern(600));
  const auto stream = OpenWideFileStream(Wide(u"é.pdf"), 0x02);
  stream->Seek(50, TSeekOrigin::Beginning);
  stream->SetSize(100);
  EXPECT_EQ(stream->Position(), 50);
  EXPECT_EQ(stream->Size(), 100);
  stream->Seek(0, TSeekOrigin::End);
  stream->SetSize(40);
  EXPECT_EQ(stream->Position(), 40);
  stream->SetSize(64);
  EXPECT_EQ(Contents(u"é.pdf"), Pattern(40) + std::string(24, '\0'));
  EXPECT_THROW(stream->SetSize(-1), EPDFError);
  const auto reader = OpenWideFileStream(Wide(u"é.pdf"), 0x40);
  EXPECT_THROW(reader->SetSize(10), EPDFError);
}

TEST(FullDeviceTest, FailedWritesAreNeverSilent) {
  std::unique_ptr<TVelloPDFWideFileStream> stream;
  try {
    stream = OpenWideFileStream(u"/dev/full", 0x41);
  } catch (const EFCreateError&) {
    GTEST_SKIP() << "/dev/full cannot be opened for writing here";
  }
  EXPECT_EQ(stream->Write("small"), 5u);  // buffered: the failure shows at the flush
  EXPECT_THROW(stream->Flush(), EPDFError);
  EXPECT_EQ(stream->Write("more"), 0u);
  EXPECT_EQ(stream->Write(Pattern(100 * 1024)), 0u);
  EXPECT_THROW(stream->Flush(), EPDFError);
  EXPECT_THROW(stream->Sync(), EPDFError);
  stream->Seek(0, TSeekOrigin::Beginning);
  EXPECT_THROW(stream->Flush(), EPDFError);
}

TEST(FullDeviceTest, WritesReachingTheDeviceFailAtOnceAndDestructionDoesNotRaise) {
  std::unique_ptr<TVelloPDFWideFileStream> stream;
  try {
    stream = OpenWideFileStream(u"/dev/full", kFileModeCreate);
  } catch (const EFCreateError&) {
    GTEST_SKIP() << "/dev/full cannot be opened for writing here";
  }
  EXPECT_EQ(stream->Write(Pattern(100 * 1024)), 0u);
  EXPECT_EQ(stream->Write("x"), 0u);
  EXPECT_THROW(stream->Flush(), EPDFError);
  // The write that needs the failing flush reports it.
  const auto medium = OpenWideFileStream(u"/dev/full", 0x41);
  EXPECT_EQ(medium->Write(Pattern(40 * 1024)), 40u * 1024);
  EXPECT_EQ(medium->Write(Pattern(40 * 1024)), 0u);
  // Unflushed bytes in a failing stream: destruction must still not raise.
  auto other = OpenWideFileStream(u"/dev/full", 0x41);
  other->Write("pending");
  EXPECT_NO_THROW(other.reset());
}

}  // namespace
}  // namespace pdf

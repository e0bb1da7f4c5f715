// The output that appears whole or not at all: private while it is written, then with the mode of
// the file it replaces or of a new file.

#include "pdf/facade/AtomicOutput.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>

#include "pdf/objects/TextConversions.h"
#include "tests/support/TestTools.h"

namespace pdf {
namespace {

namespace fs = std::filesystem;

mode_t ModeOf(const fs::path& path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 07777;
}

// The temporary file of an output in folder, the only hidden file there.
fs::path TemporaryIn(const fs::path& folder) {
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().filename().string().starts_with(".")) return entry.path();
  }
  return {};
}

TEST(AtomicOutput, IsPrivateUntilCommittedThenTakesTheUsualMode) {
  testing::TempFolder folder;
  const mode_t previous = ::umask(022);
  {
    TAtomicOutput output(UTF8ToUnicode((folder / "new.pdf").string()));
    output.Stream().Write("%PDF-1.7\n", 9);
    EXPECT_EQ(ModeOf(TemporaryIn(folder.Path())), 0600u);
    output.Commit();
  }
  EXPECT_EQ(ModeOf(folder / "new.pdf"), 0644u);

  testing::WriteFile(folder / "old.pdf", "old");
  ASSERT_EQ(::chmod((folder / "old.pdf").c_str(), 0640), 0);
  {
    TAtomicOutput output(UTF8ToUnicode((folder / "old.pdf").string()));
    output.Stream().Write("%PDF-1.7\n", 9);
    output.Commit();
  }
  EXPECT_EQ(ModeOf(folder / "old.pdf"), 0640u);
  EXPECT_EQ(testing::ReadFile(folder / "old.pdf"), "%PDF-1.7\n");
  ::umask(previous);
}

// Whoever may write the output folder can put a link where the temporary file was; nothing the
// output does after that may reach the file the link leads to.
TEST(AtomicOutput, ALinkSwappedInForTheTemporaryFileLeadsNowhere) {
  testing::TempFolder folder;
  const mode_t previous = ::umask(022);
  testing::WriteFile(folder / "victim", "secret");
  ASSERT_EQ(::chmod((folder / "victim").c_str(), 0600), 0);
  {
    TAtomicOutput output(UTF8ToUnicode((folder / "new.pdf").string()));
    const fs::path temporary = TemporaryIn(folder.Path());
    fs::remove(temporary);
    fs::create_symlink(folder / "victim", temporary);
    output.Stream().Write("%PDF-1.7\n", 9);
    output.Commit();
  }
  EXPECT_EQ(testing::ReadFile(folder / "victim"), "secret");
  EXPECT_EQ(ModeOf(folder / "victim"), 0600u);
  ::umask(previous);
}

}  // namespace
}  // namespace pdf

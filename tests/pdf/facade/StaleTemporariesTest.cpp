// What a run removes from its output folder before it starts: the temporary files of ours that a
// killed run left, and nothing else.

#include "pdf/facade/StaleTemporaries.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>

#include "pdf/facade/TemporaryName.h"
#include "tests/support/EndedProcess.h"
#include "tests/support/TestTools.h"

namespace pdf {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::WriteFile;

constexpr std::string_view kRandom = "0123456789abcdef";

TEST(StaleTemporaries, RemovesOnlyUnheldFilesOfOursWhoseProcessEnded) {
  const pid_t ended = testing::EndedProcessId();
  const std::string stale = TemporaryName("a.pdf", ended, kRandom);
  struct Case {
    const char* what;
    std::function<void(const TempFolder&)> make;
    bool removed;
  };
  const Case cases[] = {
      {"a killed run's copy", [&](const TempFolder& f) { WriteFile(f / stale, "%PDF-1.7\nclear text"); }, true},
      {"a killed run's reserved name", [&](const TempFolder& f) { WriteFile(f / stale, ""); }, true},
      {"a header cut short", [&](const TempFolder& f) { WriteFile(f / stale, "%PD"); }, true},
      {"a running process's, this one's",
       [&](const TempFolder& f) { WriteFile(f / TemporaryName("a.pdf", ::getpid(), kRandom), "%PDF-"); }, false},
      {"another running process's",
       [&](const TempFolder& f) { WriteFile(f / TemporaryName("a.pdf", ::getppid(), kRandom), "%PDF-"); }, false},
      {"not a PDF file", [&](const TempFolder& f) { WriteFile(f / stale, "notes"); }, false},
      {"an older name without the process",
       [&](const TempFolder& f) { WriteFile(f / ".a.pdf.0123456789abcdef.tmp", "%PDF-"); }, false},
      {"a link",
       [&](const TempFolder& f) {
         WriteFile(f / "kept.pdf", "%PDF-");
         fs::create_symlink(f / "kept.pdf", f / stale);
       },
       false},
      {"a file with another name",
       [&](const TempFolder& f) {
         WriteFile(f / "kept.pdf", "%PDF-");
         fs::create_hard_link(f / "kept.pdf", f / stale);
       },
       false},
      {"a folder", [&](const TempFolder& f) { fs::create_directory(f / stale); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    c.make(folder);
    const std::size_t before = static_cast<std::size_t>(std::distance(fs::directory_iterator(folder.Path()), {}));
    EXPECT_EQ(RemoveStaleTemporaries(folder.Path().string()), c.removed ? 1u : 0u);
    const std::size_t after = static_cast<std::size_t>(std::distance(fs::directory_iterator(folder.Path()), {}));
    EXPECT_EQ(before - after, c.removed ? 1u : 0u);
  }
}

// A writer elsewhere (another machine, another process namespace) whose id this system cannot see
// still holds the lock.
TEST(StaleTemporaries, AFileStillLockedStays) {
  TempFolder folder;
  const fs::path path = folder / TemporaryName("a.pdf", testing::EndedProcessId(), kRandom);
  WriteFile(path, "%PDF-1.7\n");
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(::flock(fd, LOCK_EX), 0);
  EXPECT_EQ(RemoveStaleTemporaries(folder.Path().string()), 0u);
  EXPECT_TRUE(fs::exists(path));
  ::close(fd);
  EXPECT_EQ(RemoveStaleTemporaries(folder.Path().string()), 1u);
  EXPECT_EQ(RemoveStaleTemporaries((folder / "missing").string()), 0u);
}

}  // namespace
}  // namespace pdf

// The temporary file an output is written to: created new and private, locked while held, and
// once a writer has renamed its own file to its name, held only if that file is ours alone.

#include "pdf/facade/TemporaryFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

#include "pdf/facade/TemporaryName.h"
#include "tests/support/TestTools.h"

namespace pdf {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;
using testing::WriteFile;

// Whether another open of the file could take its lock, as a later run's cleaning would try.
bool Lockable(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const bool locked = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  if (fd >= 0) ::close(fd);
  return locked;
}

TEST(TemporaryFile, IsNewPrivateLockedAndNamedAfterItsProcessUntilRemoved) {
  TempFolder folder;
  std::string path;
  {
    const TTemporaryFile file((folder / "out.pdf").string());
    path = file.Path();
    EXPECT_EQ(fs::path(path).parent_path(), folder.Path());
    EXPECT_EQ(TemporaryNameCreator(fs::path(path).filename().string()), ::getpid());
    struct stat info {};
    ASSERT_EQ(::lstat(path.c_str(), &info), 0);
    EXPECT_TRUE(S_ISREG(info.st_mode));
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    EXPECT_FALSE(Lockable(path));
  }
  EXPECT_FALSE(fs::exists(path));
  EXPECT_THROW(TTemporaryFile((folder / "no-such-folder" / "out.pdf").string()), std::system_error);
}

TEST(TemporaryFile, ReclaimHoldsOnlyAFileOfOursAlone) {
  struct Case {
    const char* what;
    std::function<void(const fs::path& name, const fs::path& folder)> renameIn;
    bool held;
  };
  const auto renamedFile = [](const fs::path& name, const fs::path& folder) {
    WriteFile(folder / "written", "%PDF-1.7\n");
    fs::rename(folder / "written", name);
  };
  const Case cases[] = {
      {"a file renamed to the name", renamedFile, true},
      {"a link to another file",
       [](const fs::path& name, const fs::path& folder) {
         WriteFile(folder / "victim", "secret");
         fs::remove(name);
         fs::create_symlink(folder / "victim", name);
       },
       false},
      {"a file with another name too",
       [&](const fs::path& name, const fs::path& folder) {
         renamedFile(name, folder);
         fs::create_hard_link(name, folder / "second");
       },
       false},
      {"a named pipe",
       [](const fs::path& name, const fs::path&) {
         fs::remove(name);
         ASSERT_EQ(::mkfifo(name.c_str(), 0600), 0);
       },
       false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TempFolder folder;
    TTemporaryFile file((folder / "out.pdf").string());
    c.renameIn(file.Path(), folder.Path());
    if (c.held) {
      EXPECT_NO_THROW(file.Reclaim());
      EXPECT_FALSE(Lockable(file.Path()));
    } else {
      EXPECT_THROW(file.Reclaim(), std::system_error);
    }
  }
}

}  // namespace
}  // namespace pdf

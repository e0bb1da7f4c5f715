#include "pdf/io/FileOperations.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include <filesystem>
#include <system_error>

#include "pdf/objects/TextConversions.h"

namespace pdf {

std::optional<std::string> NativePath(std::u16string_view path) {
  if (path.empty() || path.find(u'\0') != std::u16string_view::npos) return std::nullopt;
  return UnicodeToUTF8(path);
}

std::unique_ptr<TVelloPDFWideFileStream> OpenWideFileStream(std::u16string_view path,
                                                            std::uint16_t mode) {
  return std::make_unique<TVelloPDFWideFileStream>(path, mode);
}

bool WideFileExists(std::u16string_view path) {
  const std::optional<std::string> native = NativePath(path);
  struct stat status {};
  return native && ::stat(native->c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

bool WideDeleteFile(std::u16string_view path) {
  const std::optional<std::string> native = NativePath(path);
  if (!native) return false;
  const auto unlinkPath = [&native] { return ::unlink(native->c_str()) == 0; };
  // stat follows links on purpose: any name of a protected input counts as the input itself. A name
  // that leads nowhere (missing, dangling link) cannot be a protected input.
  struct stat status {};
  if (::stat(native->c_str(), &status) != 0) return unlinkPath();
  return RunUnlessOpenInput({status.st_dev, status.st_ino}, unlinkPath);
}

std::u16string WideFullPathName(std::u16string_view path) {
  const std::optional<std::string> native = NativePath(path);
  if (!native) return {};
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(*native, error);
  if (error) return {};
  return UTF8ToUnicode(absolute.lexically_normal().native());
}

bool SyncFolderOf(const std::string& nativePath) {
  return SyncFolder(std::filesystem::path(nativePath).parent_path().string());
}

bool SyncFolder(const std::string& nativeFolder) {
  const int fd = ::open(nativeFolder.empty() ? "." : nativeFolder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool synced = ::fsync(fd) == 0;
  ::close(fd);
  return synced;
}

mode_t NewFileMode() {
  // umask() would change the mask to read it; the kernel reports it here instead (Linux 4.7 on).
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (!line.starts_with("Umask:")) continue;
    const unsigned long mask = std::strtoul(line.c_str() + 6, nullptr, 8);
    return static_cast<mode_t>(0666 & ~mask);
  }
  return 0644;  // the usual mask, 022
}

}  // namespace pdf

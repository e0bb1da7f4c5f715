#include "pdf/facade/AtomicOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>

#include "pdf/io/FileOperations.h"
#include "pdf/objects/PDFError.h"
#include "pdf/objects/TextConversions.h"
#include "pdf/security/CryptoPrimitives.h"
#include "pdf/security/RandomSource.h"

namespace pdf {

namespace {

std::string Folder(const std::string& path) {
  const std::string folder = std::filesystem::path(path).parent_path().string();
  return folder.empty() ? "." : folder;
}

}  // namespace

std::optional<TFileIdentity> WideFileIdentity(std::u16string_view path) {
  const std::optional<std::string> native = NativePath(path);
  struct stat info {};
  if (!native || ::stat(native->c_str(), &info) != 0) return std::nullopt;
  return TFileIdentity{info.st_dev, info.st_ino};
}

bool CanReplaceOutput(std::u16string_view target, std::optional<TFileIdentity> input) {
  const std::optional<std::string> native = NativePath(target);
  struct stat info {};
  if (!native) return false;
  if (::stat(native->c_str(), &info) != 0) return true;  // nothing there to replace
  if (S_ISDIR(info.st_mode)) return false;
  const TFileIdentity identity{info.st_dev, info.st_ino};
  if (input && *input == identity) return false;
  return RunUnlessOpenInput(identity, [] { return true; });
}

TAtomicOutput::TAtomicOutput(std::u16string_view target) {
  const std::optional<std::string> native = NativePath(target);
  if (!native) throw EFCreateError();
  target_ = *native;
  const std::string name = std::filesystem::path(target_).filename().string();
  temporary_ = Folder(target_) + "/." + name + "." + MD5HexText(RandomBytes(6)).substr(0, 12) + ".tmp";
  // Readable by its owner alone until it is whole: a decrypted copy's text must not be open to
  // other users while it is written, nor in a temporary file a crash leaves behind. When it takes
  // its name, the copy gets the mode of the file it replaces, or else the one a new file gets.
  // Created here with its mode, then opened (and emptied) as the stream's own new file.
  const int fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd < 0) throw EFCreateError();
  ::close(fd);
  try {
    stream_ = std::make_unique<TVelloPDFWideFileStream>(UTF8ToUnicode(temporary_), kFileModeCreate);
  } catch (...) {
    std::remove(temporary_.c_str());
    throw;
  }
  struct stat replaced {};
  const bool replaces = ::stat(target_.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode);
  finalMode_ = replaces ? replaced.st_mode & 07777 : NewFileMode();
  stream_->StartStoringEarly();
}

TAtomicOutput::~TAtomicOutput() {
  stream_.reset();
  if (!committed_) std::remove(temporary_.c_str());
}

void TAtomicOutput::Commit(bool syncFolder) {
  stream_->Sync();
  stream_.reset();
  const std::optional<TFileIdentity> existing = WideFileIdentity(UTF8ToUnicode(target_));
  const auto rename = [this] { return std::rename(temporary_.c_str(), target_.c_str()) == 0; };
  // The check for an open input and the replacement happen as one step.
  const bool renamed = existing ? RunUnlessOpenInput(*existing, rename) : rename();
  if (!renamed) throw EPDFError("cannot replace " + target_);
  committed_ = true;
  // Only once it is in place: a crash just before leaves a private file, never a readable temporary.
  // Should the mode not take, the output is whole and merely stays private.
  (void)::chmod(target_.c_str(), finalMode_);
  if (syncFolder && !SyncFolderOf(target_)) throw EPDFError("cannot sync the folder of " + target_);
}

}  // namespace pdf

#include "pdf/facade/AtomicOutput.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

#include "pdf/facade/TemporaryFile.h"
#include "pdf/io/FileOperations.h"
#include "pdf/objects/PDFError.h"
#include "pdf/objects/TextConversions.h"

namespace pdf {

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
  try {
    temporary_ = std::make_unique<TTemporaryFile>(target_);
  } catch (const std::system_error& error) {
    throw EFCreateError(std::string("cannot create the temporary output: ") + error.what());
  }
  // The stream writes through a second descriptor of the same open file: the temporary file keeps
  // its own, and with it the lock, until the name is gone.
  const int fd = ::fcntl(temporary_->Descriptor(), F_DUPFD_CLOEXEC, 0);
  if (fd < 0) throw EFCreateError(std::string("cannot create the temporary output: ") + std::strerror(errno));
  stream_ = std::make_unique<TVelloPDFWideFileStream>(TCreatedFile{fd});
  struct stat replaced {};
  const bool replaces = ::stat(target_.c_str(), &replaced) == 0 && S_ISREG(replaced.st_mode);
  finalMode_ = replaces ? replaced.st_mode & 07777 : NewFileMode();
  stream_->StartStoringEarly();
}

TAtomicOutput::~TAtomicOutput() = default;

void TAtomicOutput::Commit(bool syncFolder) {
  stream_->Sync();
  stream_.reset();
  const std::optional<TFileIdentity> existing = WideFileIdentity(UTF8ToUnicode(target_));
  const auto rename = [this] { return temporary_->RenameTo(target_) == 0; };
  // The check for an open input and the replacement happen as one step.
  const bool renamed = existing ? RunUnlessOpenInput(*existing, rename) : rename();
  if (!renamed) throw EPDFError("cannot replace " + target_);
  // Readable by its owner alone until it is in place: a decrypted copy's text must not be open to
  // other users while it is written, nor in a temporary file a crash leaves behind. Its final mode
  // (the replaced file's, or a new file's) goes through the descriptor, so it reaches this file
  // whatever the name leads to by now. Should it not take, the output is whole and merely private.
  (void)temporary_->SetMode(finalMode_);
  temporary_.reset();
  if (syncFolder && !SyncFolderOf(target_)) throw EPDFError("cannot sync the folder of " + target_);
}

}  // namespace pdf

#include "app/core/BatchJob.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <map>
#include <mutex>
#include <optional>
#include <semaphore>
#include <thread>
#include <vector>

#include "app/core/EncryptionNotices.h"
#include "app/core/FileFailure.h"
#include "app/core/FileOperation.h"
#include "app/core/GroupCommit.h"
#include "app/core/OutputClashes.h"
#include "app/core/PasswordGenerator.h"
#include "app/core/PasswordSources.h"
#include "pdf/facade/AtomicOutput.h"
#include "pdf/facade/ErrorWords.h"
#include "pdf/facade/VelloPDF.h"
#include "pdf/io/FileOperations.h"
#include "pdf/io/OpenInputRegistry.h"
#include "pdf/objects/TextConversions.h"
#include "pdf/security/RandomSource.h"

namespace ombrelt::app {

namespace {

std::u16string LibraryReason(std::int32_t code) { return pdf::UTF8ToUnicode(pdf::ErrorWords(code)); }

std::u16string SystemReason(std::u16string_view what, int error) {
  return std::u16string(what) + u": " + pdf::UTF8ToUnicode(std::strerror(error));
}

std::string Native(std::u16string_view path) {
  const std::optional<std::string> native = pdf::NativePath(path);
  if (!native) throw TFileFailure{0, u"the path \"" + std::u16string(path) + u"\" cannot name a file"};
  return *native;
}

// One of the batch's processors, held while a file is copied and verified and given back before
// the file waits for the disk, so that another file's copy keeps the processor busy meanwhile.
class TProcessorSlot {
 public:
  explicit TProcessorSlot(std::counting_semaphore<>& slots) : slots_(slots) { slots_.acquire(); }
  ~TProcessorSlot() { Release(); }
  TProcessorSlot(const TProcessorSlot&) = delete;
  TProcessorSlot& operator=(const TProcessorSlot&) = delete;

  void Release() {
    if (held_) slots_.release();
    held_ = false;
  }

 private:
  std::counting_semaphore<>& slots_;
  bool held_ = true;
};

// The encrypted copy before it is verified and recorded: a hidden file beside the output, removed
// on every path that does not rename it over the output.
class TTemporaryOutput {
 public:
  explicit TTemporaryOutput(std::u16string_view outputPath) {
    const std::size_t slash = outputPath.rfind(u'/');
    const std::u16string_view folder = outputPath.substr(0, slash + 1);
    std::u16string name(outputPath.substr(slash + 1));
    // Short enough that the library's own temporary name beside it stays within NAME_MAX.
    if (name.size() > 64) name.resize(name[63] >= 0xD800 && name[63] <= 0xDBFF ? 63 : 64);
    for (int attempt = 0; attempt < 8; ++attempt) {
      std::u16string candidate = std::u16string(folder) + u"." + name + u"." + RandomHex() + u".tmp";
      // Reserving the name first means the job never replaces a file it did not make. The file is
      // its owner's alone until it takes the output's name (a decrypted copy is in clear); the
      // mode a new file gets is noted for then.
      std::string native = Native(candidate);
      const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd >= 0) {
        ::close(fd);
        finalMode_ = pdf::NewFileMode();
        path_ = std::move(candidate);
        native_ = std::move(native);
        return;
      }
      if (errno != EEXIST) throw TFileFailure{0, SystemReason(u"cannot create a file in the output folder", errno)};
    }
    throw TFileFailure{0, u"cannot create a temporary file in the output folder"};
  }
  ~TTemporaryOutput() {
    if (!native_.empty()) ::unlink(native_.c_str());
  }
  TTemporaryOutput(const TTemporaryOutput&) = delete;
  TTemporaryOutput& operator=(const TTemporaryOutput&) = delete;

  const std::u16string& Path() const { return path_; }

  // Renames the copy over outputPath; the caller syncs the folder. The check that outputPath is not
  // the input (or another open input) and the rename happen as one step.
  void MoveTo(std::u16string_view outputPath, std::optional<pdf::TFileIdentity> input) {
    const std::string& from = native_;
    const std::string to = Native(outputPath);
    const std::optional<pdf::TFileIdentity> existing = pdf::WideFileIdentity(outputPath);
    if (existing && input && *existing == *input) {
      throw TFileFailure{pdf::kErrorOutputReplace, LibraryReason(pdf::kErrorOutputReplace)};
    }
    int error = 0;
    const auto rename = [&] {
      if (std::rename(from.c_str(), to.c_str()) == 0) return true;
      error = errno;
      return false;
    };
    if (!(existing ? pdf::RunUnlessOpenInput(*existing, rename) : rename())) {
      // A refused replacement keeps the library's code; a failed rename (a folder turned read-only
      // or removed, a folder at the output path) is the system's, and its reason says which.
      if (error != 0) throw TFileFailure{0, SystemReason(u"cannot rename the copy to the output path", error)};
      throw TFileFailure{pdf::kErrorOutputReplace, LibraryReason(pdf::kErrorOutputReplace)};
    }
    native_.clear();
    // Only once it is in place: a crash just before leaves a private copy, never a readable temporary.
    // Should the mode not take, the copy is whole and merely stays private.
    (void)::chmod(to.c_str(), finalMode_);
  }

  // The native path of the folder the copy appears in.
  std::string Folder() const { return native_.substr(0, native_.rfind('/')); }

 private:
  static std::u16string RandomHex() {
    static constexpr char16_t kDigits[] = u"0123456789abcdef";
    std::u16string hex;
    for (const unsigned char byte : pdf::RandomBytes(8)) {
      hex += kDigits[byte >> 4];
      hex += kDigits[byte & 15];
    }
    return hex;
  }

  std::u16string path_;
  std::string native_;  // empty once renamed
  mode_t finalMode_ = 0;  // what the umask gives a new file
};

// What shows that the file at a path was changed, replaced or removed: its identity, size and
// times of change.
struct TInputState {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t modified = 0;  // nanoseconds
  std::int64_t changed = 0;

  friend bool operator==(const TInputState&, const TInputState&) = default;
};

std::optional<TInputState> InputState(std::u16string_view path) {
  const std::optional<std::string> native = pdf::NativePath(path);
  struct stat info {};
  if (!native || ::stat(native->c_str(), &info) != 0) return std::nullopt;
  const auto nanoseconds = [](const timespec& t) { return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec; };
  return TInputState{info.st_dev, info.st_ino, info.st_size, nanoseconds(info.st_mtim), nanoseconds(info.st_ctim)};
}

// A generator whose length is not a number would fail on the first file anyway; finding it before
// the password file is touched ends the batch cleanly.
void CheckGenerator(const TPasswordSettings& password, const std::string& side) {
  if (password.mode != TPasswordMode::kGenerated) return;
  try {
    PasswordLength(password.generator.lengthText);
  } catch (const EConvertError& error) {
    throw EBatchJobError("Cannot generate " + side + " passwords: the password length " + error.what() + ".");
  }
}

// "repaired: 2 objects found by scanning the file, 1 unreadable object written as null".
std::u16string RepairNote(const pdf::TVelloPDF::TCopyRepairs& repairs) {
  return pdf::UTF8ToUnicode("repaired: " + pdf::TVelloPDF::RepairWords(repairs));
}

void ReportNotices(TBatchObserver& observer, std::size_t index, const pdf::TVelloPDF::TCopyNotices& found) {
  const std::vector<std::u16string> notices =
      EncryptionNotices(found.signedDocument ? u"Yes" : u"No", pdf::UTF8ToUnicode(found.claimedPDFA));
  if (!notices.empty()) observer.ReportNotices(index, notices);
}

// The shared parts of a batch that every file's steps use.
struct TBatchParts {
  const TBatchSettings& settings;
  const TPasswordSources& passwords;
  const TFileOperation& operation;
  TGroupCommit& commits;
  TBatchObserver& observer;
  // Why each row whose output an earlier row writes is refused; no entry for the others.
  const std::map<std::size_t, std::u16string>& clashes;
};

// What the input is and what opens it. An input in clear to be encrypted needs no look of its own:
// the library refuses an encrypted one by itself, and the copy reports the pages it read.
TInputFacts ExamineInput(const TBatchParts& batch, std::u16string_view input) {
  const TBatchSettings& settings = batch.settings;
  const bool plainEncryption = settings.operation == TOperation::kEncrypt &&
                               settings.currentPassword.kind == TCurrentPasswordSettings::TKind::kNone;
  if (plainEncryption) return {};
  return batch.passwords.Examine(input);
}

// The per-file steps. They share nothing with other files but the commit, which records and
// reveals copies in list order; raise only EBatchJobError, when the password file fails. The
// processor is given back before the file waits for its turn and for the disk.
std::optional<TFileFailure> ProcessOneFile(const TBatchParts& batch, std::size_t index, TProcessorSlot& processor) {
  TCommitTurn turn(batch.commits, index);
  try {
    const TBatchSettings& settings = batch.settings;
    const std::u16string& input = settings.files[index];
    pdf::TCorvanePDFLibrary1013 library;
    library.OnProgress = [&batch, index](std::int32_t percent) { batch.observer.ReportProgress(index, percent); };
    // The copy is renamed again beside itself, and the folder synced then (TTemporaryOutput::MoveTo).
    library.SyncOutputFolder = false;
    const std::u16string outputPath = OutputPathFor(settings, input);
    if (const auto clash = batch.clashes.find(index); clash != batch.clashes.end()) {
      return TFileFailure{0, clash->second};
    }

    // The copy is renamed over the output at the end: that must never replace the input itself
    // (keep mode into the input's folder) or a folder.
    const std::optional<pdf::TFileIdentity> inputIdentity = pdf::WideFileIdentity(input);
    if (!pdf::CanReplaceOutput(outputPath, inputIdentity)) {
      return TFileFailure{pdf::kErrorOutputReplace,
                          u"the output path names the input itself, a folder or a file in use"};
    }
    const std::optional<TInputState> before = InputState(input);
    TInputFacts facts = ExamineInput(batch, input);
    const TNewPasswords passwords = batch.operation.MakesPasswords() ? batch.passwords.NewPasswords(input) : TNewPasswords{};

    TTemporaryOutput copy(outputPath);
    const std::int32_t code = batch.operation.Copy(library, input, copy.Path(), facts, passwords);
    // The library reads the input as it writes the copy and takes what it cannot read for damage: an
    // input truncated or rewritten meanwhile would give a copy with objects missing, which could
    // still pass verification. Such a copy is no copy of any state of the input.
    if (before && InputState(input) != before) {
      return TFileFailure{0, u"the input was changed or removed while it was being copied"};
    }
    if (code != 0) return TFileFailure{code, LibraryReason(code)};
    // The pages the copy read: the copy must hold as many. A page-less input in clear is refused
    // as its inspection would have refused it; its copy is left unrevealed.
    facts.pages = pdf::UTF8ToUnicode(std::to_string(library.LastCopyInputPages()));
    if (!facts.encrypted && library.LastCopyInputPages() == 0) return TFileFailure{0, u"the file has no pages"};
    if (settings.verify) batch.operation.Verify(copy.Path(), facts, passwords);

    if (library.LastCopyRepairs().Any()) batch.observer.ReportRepairs(index, RepairNote(library.LastCopyRepairs()));
    ReportNotices(batch.observer, index, library.LastCopyNotices());
    processor.Release();
    TReadyCopy ready;
    if (batch.operation.MakesPasswords()) {
      ready.line = TPasswordRecord{BaseName(input), passwords.open, passwords.owner, input};
    }
    ready.reveal = [&] { copy.MoveTo(outputPath, inputIdentity); };
    ready.folder = copy.Folder();
    return turn.Commit(std::move(ready));
  } catch (const TFileFailure& failure) {
    return failure;
  } catch (const EBatchJobError&) {
    throw;  // the password file stopped taking lines: see RunOneFile
  } catch (const std::exception& error) {
    return TFileFailure{0, pdf::UTF8ToUnicode(error.what())};
  } catch (...) {
    return TFileFailure{0, u"unexpected error"};
  }
}

// One file from start to status. When the password file stops taking lines, the file fails and
// the batch ends with that message: no later file could be recorded either.
void RunOneFile(const TBatchParts& batch, std::size_t index, TProcessorSlot& processor) {
  TBatchObserver& observer = batch.observer;
  std::optional<TFileFailure> failure;
  std::optional<EBatchJobError> batchError;
  try {
    failure = ProcessOneFile(batch, index, processor);
  } catch (const EBatchJobError& error) {
    failure = TFileFailure{0, pdf::UTF8ToUnicode(error.what())};
    batchError = error;
  }
  if (failure) observer.ReportFailure(index, failure->errorCode, failure->reason);
  observer.ReportStatus(index, failure ? kStatusFailed : kStatusSucceeded);
  if (batchError) throw *batchError;
}

}  // namespace

std::u16string_view StatusText(TFileStatus status) {
  switch (status) {
    case kStatusEncrypting:
      return u"Encrypting...";
    case kStatusSucceeded:
      return u"Succeed!";
    case kStatusFailed:
      return u"Failed!";
  }
  return u"";
}

void EncryptPDF(const TBatchSettings& rawSettings, TBatchObserver& observer, int jobs) {
  if (observer.CancellationPending()) {
    observer.AcceptCancellation();
    return;
  }
  const TBatchSettings settings = NormalisedSettings(rawSettings);
  CheckGenerator(settings.openPassword, "open");
  CheckGenerator(settings.restrictionsPassword, "restrictions");
  const TPasswordSources passwords(settings);
  const std::unique_ptr<TFileOperation> operation = OperationFor(settings);
  std::optional<TPasswordFile> passwordFile;
  if (settings.passwordFileWanted && operation->MakesPasswords()) passwordFile.emplace(settings.passwordFilePath);

  const std::size_t count = settings.files.size();
  TGroupCommit commits(count, passwordFile ? &*passwordFile : nullptr);
  std::map<std::size_t, std::u16string> clashes;
  for (const TOutputClash& clash : FindOutputClashes(settings)) clashes[clash.row] = OutputClashReason(clash);
  const TBatchParts batch{settings, passwords, *operation, commits, observer, clashes};
  // jobs files are copied at once; as many more may wait for the disk meanwhile.
  const std::size_t processors = static_cast<std::size_t>(std::max(jobs, 1));
  std::counting_semaphore<> slots(static_cast<std::ptrdiff_t>(processors));
  std::atomic<std::size_t> next{0};
  std::atomic<bool> stop{false};
  std::once_flag accepted;
  std::mutex errorMutex;
  std::exception_ptr error;

  // Files are taken in list order, so the files started always form a prefix of the list and no
  // commit waits for a file that will never run.
  const auto work = [&] {
    while (!stop) {
      TProcessorSlot processor(slots);
      if (stop) return;
      if (observer.CancellationPending()) {
        std::call_once(accepted, [&] { observer.AcceptCancellation(); });
        stop = true;
        return;
      }
      const std::size_t index = next++;
      if (index >= count) return;
      bool started = false;
      try {
        observer.ReportStatus(index, kStatusEncrypting);
        started = true;
        RunOneFile(batch, index, processor);
      } catch (...) {
        if (!started) commits.Skip(index);
        const std::lock_guard lock(errorMutex);
        if (!error) error = std::current_exception();
        stop = true;
        return;
      }
    }
  };

  const std::size_t threads = std::min(2 * processors, count);
  if (threads <= 1) {
    // One file: nothing to overlap, and a thread of its own would take memory from another heap
    // arena than the caller's, on top of what the caller has freed.
    work();
  } else {
    std::vector<std::jthread> workers;
    for (std::size_t i = 0; i < threads; ++i) workers.emplace_back(work);
  }
  if (error) std::rethrow_exception(error);
}

}  // namespace ombrelt::app

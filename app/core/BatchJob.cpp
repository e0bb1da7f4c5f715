#include "app/core/BatchJob.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <semaphore>
#include <thread>
#include <vector>

#include "app/core/BatchValidation.h"
#include "app/core/EncryptionNotices.h"
#include "app/core/FileFailure.h"
#include "app/core/FileOperation.h"
#include "app/core/GroupCommit.h"
#include "app/core/OutputClashes.h"
#include "app/core/PasswordGenerator.h"
#include "app/core/PasswordSources.h"
#include "pdf/facade/AtomicOutput.h"
#include "pdf/facade/ErrorWords.h"
#include "pdf/facade/StaleTemporaries.h"
#include "pdf/facade/TemporaryFile.h"
#include "pdf/facade/VelloPDF.h"
#include "pdf/io/FileOperations.h"
#include "pdf/io/OpenInputRegistry.h"
#include "pdf/objects/TextConversions.h"

namespace ombrelt::app {

namespace {

std::u16string LibraryReason(std::int32_t code) { return pdf::UTF8ToUnicode(pdf::ErrorWords(code)); }

// The code's words, followed by what the library found wrong when it has words for it: a full disk
// is "creating or writing the output file failed: cannot write the file: No space left on device".
std::u16string LibraryReason(std::int32_t code, std::string detail) {
  if (detail.empty()) return LibraryReason(code);
  if (detail[0] >= 'A' && detail[0] <= 'Z') detail[0] = static_cast<char>(detail[0] - 'A' + 'a');
  return LibraryReason(code) + u": " + pdf::UTF8ToUnicode(detail);
}

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

// The encrypted copy before it is verified and recorded: a hidden file beside the output
// (pdf::TTemporaryFile), removed on every path that does not rename it over the output. The library
// writes its copy to this name through a temporary file of its own, which it renames to it; the
// job then holds that file (Reclaim) until it takes the output's name.
class TTemporaryOutput {
 public:
  // Reserving the name first means the job never replaces a file it did not make. The file is its
  // owner's alone until it takes the output's name (a decrypted copy is in clear); the mode a new
  // file gets is noted for then.
  explicit TTemporaryOutput(std::u16string_view outputPath)
      : file_(Native(outputPath)), path_(pdf::UTF8ToUnicode(file_.Path())), finalMode_(pdf::NewFileMode()) {}

  const std::u16string& Path() const { return path_; }

  // Holds the copy the library wrote to Path(); raises std::system_error when the name no longer
  // leads to a file of ours alone.
  void Reclaim() { file_.Reclaim(); }

  // Renames the copy over outputPath; the caller syncs the folder. The check that outputPath is not
  // the input (or another open input) and the rename happen as one step.
  void MoveTo(std::u16string_view outputPath, std::optional<pdf::TFileIdentity> input) {
    const std::string to = Native(outputPath);
    const std::optional<pdf::TFileIdentity> existing = pdf::WideFileIdentity(outputPath);
    if (existing && input && *existing == *input) {
      throw TFileFailure{pdf::kErrorOutputReplace, LibraryReason(pdf::kErrorOutputReplace)};
    }
    int error = 0;
    const auto rename = [&] {
      error = file_.RenameTo(to);
      return error == 0;
    };
    if (!(existing ? pdf::RunUnlessOpenInput(*existing, rename) : rename())) {
      // A refused replacement keeps the library's code; a failed rename (a folder turned read-only
      // or removed, a folder at the output path) is the system's, and its reason says which.
      if (error != 0) throw TFileFailure{0, SystemReason(u"cannot rename the copy to the output path", error)};
      throw TFileFailure{pdf::kErrorOutputReplace, LibraryReason(pdf::kErrorOutputReplace)};
    }
    // Only once it is in place, and through the descriptor: a crash just before leaves a private
    // copy, never a readable temporary, and no name swapped meanwhile can redirect the mode to
    // another file. Should the mode not take, the copy is whole and merely stays private.
    (void)file_.SetMode(finalMode_);
  }

  // The native path of the folder the copy appears in.
  std::string Folder() const { return file_.Path().substr(0, file_.Path().rfind('/')); }

 private:
  pdf::TTemporaryFile file_;
  const std::u16string path_;
  const mode_t finalMode_;  // what the umask gives a new file
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

// The front ends refuse such passwords where they are typed or read; the job refuses them too, so
// that no caller can make a copy that opens nowhere.
void CheckTyped(const TPasswordSettings& password, const std::string& side) {
  if (password.mode != TPasswordMode::kTyped) return;
  if (const auto fault = NewPasswordFault(password.typed)) {
    throw EBatchJobError("Cannot use the " + side + " password: it " + pdf::UnicodeToUTF8(*fault) + ".");
  }
}

// "repaired: 2 objects found away from their table offsets, 1 unreadable object written as null".
std::u16string RepairNote(const pdf::TVelloPDF::TCopyRepairs& repairs) {
  return pdf::UTF8ToUnicode("repaired: " + pdf::TVelloPDF::RepairWords(repairs));
}

void ReportNotices(TBatchObserver& observer, std::size_t index, const pdf::TVelloPDF::TCopyNotices& found) {
  const std::vector<std::u16string> notices =
      EncryptionNotices(found.signedDocument ? u"Yes" : u"No", pdf::UTF8ToUnicode(found.claimedPDFA));
  if (!notices.empty()) observer.ReportNotices(index, notices);
}

// Hidden copies that runs killed while writing left where this batch writes (a decrypted one is
// in clear) go before the batch starts; every output of a batch goes to one folder.
void RemoveStaleTemporaries(const TBatchSettings& settings) {
  if (settings.files.empty()) return;
  const std::optional<std::string> output = pdf::NativePath(OutputPathFor(settings, settings.files.front()));
  if (output) (void)pdf::RemoveStaleTemporaries(std::filesystem::path(*output).parent_path().string());
}

// A password file others can read gives them every password the batch adds; the user decides
// whether that is meant, so it is said, not changed.
void WarnIfReadableByOthers(const TPasswordFile& file, TBatchObserver& observer) {
  if (!file.ReadableByOthers()) return;
  char mode[8];
  std::snprintf(mode, sizeof mode, "%03o", static_cast<unsigned>(file.Mode() & 0777));
  observer.ReportWarning(pdf::UTF8ToUnicode("the password file \"" + file.Path() + "\" can be read by other users (mode " +
                                            mode + "), and so can the passwords this batch adds to it"));
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
    if (const auto clash = batch.clashes.find(index); clash != batch.clashes.end()) {
      return TFileFailure{0, clash->second};
    }
    const TBatchSettings& settings = batch.settings;
    const std::u16string& input = settings.files[index];
    pdf::TCorvanePDFLibrary1013 library;
    library.OnProgress = [&batch, index](std::int32_t percent) { batch.observer.ReportProgress(index, percent); };
    // The copy is renamed again beside itself, and the folder synced then (TTemporaryOutput::MoveTo).
    library.SyncOutputFolder = false;
    const std::u16string outputPath = OutputPathFor(settings, input);

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
    if (code != 0) return TFileFailure{code, LibraryReason(code, library.LastErrorReason())};
    copy.Reclaim();
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

namespace {

// Tells the observer, in list order, why each file from first on was never started.
void ReportNotStarted(TBatchObserver& observer, std::size_t first, std::size_t count, std::u16string_view reason) {
  for (std::size_t index = first; index < count; ++index) observer.ReportNotStarted(index, reason);
}

enum class TBatchEnd { kDone, kCancelled };

// The batch without its last promise (EncryptPDF): next counts the files taken, which always form a
// prefix of the list.
TBatchEnd RunFiles(const TBatchSettings& rawSettings, TBatchObserver& observer, int jobs,
                   std::atomic<std::size_t>& next) {
  if (observer.CancellationPending()) {
    observer.AcceptCancellation();
    return TBatchEnd::kCancelled;
  }
  const TBatchSettings settings = NormalisedSettings(rawSettings);
  CheckGenerator(settings.openPassword, "open");
  CheckGenerator(settings.restrictionsPassword, "restrictions");
  CheckTyped(settings.openPassword, "open");
  CheckTyped(settings.restrictionsPassword, "restrictions");
  const TPasswordSources passwords(settings);
  const std::unique_ptr<TFileOperation> operation = OperationFor(settings);
  std::optional<TPasswordFile> passwordFile;
  if (settings.passwordFileWanted && operation->MakesPasswords()) {
    passwordFile.emplace(settings.passwordFilePath);
    WarnIfReadableByOthers(*passwordFile, observer);
  }
  RemoveStaleTemporaries(settings);

  const std::size_t count = settings.files.size();
  TGroupCommit commits(count, passwordFile ? &*passwordFile : nullptr);
  std::map<std::size_t, std::u16string> clashes;
  for (const TOutputClash& clash : FindOutputClashes(settings)) clashes[clash.row] = OutputClashReason(clash.output);
  const TBatchParts batch{settings, passwords, *operation, commits, observer, clashes};
  // jobs files are copied at once; as many more may wait for the disk meanwhile.
  const std::size_t processors = static_cast<std::size_t>(std::max(jobs, 1));
  std::counting_semaphore<> slots(static_cast<std::ptrdiff_t>(processors));
  std::atomic<bool> stop{false};
  std::atomic<bool> cancelled{false};
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
        cancelled = true;
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
  return cancelled ? TBatchEnd::kCancelled : TBatchEnd::kDone;
}

}  // namespace

void EncryptPDF(const TBatchSettings& settings, TBatchObserver& observer, int jobs) {
  const std::size_t count = settings.files.size();
  std::atomic<std::size_t> next{0};
  try {
    if (RunFiles(settings, observer, jobs, next) == TBatchEnd::kCancelled) {
      ReportNotStarted(observer, std::min<std::size_t>(next, count), count, u"the run was stopped");
    }
  } catch (const std::exception& error) {
    // Whatever ends the run (a password file that fails, no thread to be had), every file not
    // taken yet still gets its outcome, and the caller the error.
    ReportNotStarted(observer, std::min<std::size_t>(next, count), count,
                     u"the run stopped: " + pdf::UTF8ToUnicode(error.what()));
    throw;
  }
}

}  // namespace ombrelt::app

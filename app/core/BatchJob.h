#pragma once
// The batch job: every file of the list into the output folder, each verified and its passwords
// recorded before it appears. A pipeline of small parts per file: the password sources (what opens
// an input encrypted already, what its copy gets), one operation (encrypt, encrypt anew, decrypt),
// the verification of the copy, the password file. The window's background worker and the command
// line run the same code; they differ only in the observer they pass.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/core/BatchSettings.h"
#include "app/core/PasswordFile.h"

namespace ombrelt::app {

// A row's status, as the worker's feedback value.
enum TFileStatus : int {
  kStatusEncrypting = 0,
  kStatusSucceeded = 1,
  kStatusFailed = 2,
};

// "Encrypting...", "Succeed!" or "Failed!".
std::u16string_view StatusText(TFileStatus status);

// What the job asks of whoever runs it. The calls come from several of the job's threads at once
// (from the caller's own when the batch has one file).
class TBatchObserver {
 public:
  virtual ~TBatchObserver() = default;
  // Asked before every file; when true the job calls AcceptCancellation once and starts no more
  // files. Files already started are finished.
  virtual bool CancellationPending() = 0;
  virtual void AcceptCancellation() = 0;
  // Every file started gets kStatusEncrypting, then kStatusSucceeded or kStatusFailed; every other
  // one gets ReportNotStarted. row is the file's index in TBatchSettings::files.
  virtual void ReportStatus(std::size_t row, TFileStatus status) = 0;
  // Why a file failed, just before its kStatusFailed: the library's error code (0 when one of the
  // job's own checks refused it) and a short English reason. The window ignores it.
  virtual void ReportFailure(std::size_t /*row*/, std::int32_t /*errorCode*/, std::u16string_view /*reason*/) {}
  // Why a file of the batch was never started: the batch stopped before it (a stop request, the
  // password file failing, a list or password file that cannot be used). Called for every such
  // file, in list order, once the files already started are finished; such a file gets no
  // ReportStatus. The reason is a short English sentence, e.g. "the run was stopped".
  virtual void ReportNotStarted(std::size_t /*row*/, std::u16string_view /*reason*/) {}
  // What the library mended in a file that succeeds, just before its kStatusSucceeded: a damaged
  // input's copy holds objects found away from their table offsets, or nulls for objects nothing could read.
  virtual void ReportRepairs(std::size_t /*row*/, std::u16string_view /*note*/) {}
  // What encrypting an input in clear changed beyond who may open it (EncryptionNotices), for a
  // file that succeeds, just before its kStatusSucceeded. The window ignores it: it showed them when
  // the file was added.
  virtual void ReportNotices(std::size_t /*row*/, const std::vector<std::u16string>& /*notices*/) {}
  // How far the library has got with a file's encryption, 0 to 100, between its kStatusEncrypting
  // and its outcome; called often, and from inside the library, so it must be quick and must not
  // raise. The window ignores it (its bar counts files).
  virtual void ReportProgress(std::size_t /*row*/, int /*percent*/) {}
  // A warning about the batch as a whole (a password file other users can read), a short English
  // sentence, before any file starts; the batch goes on.
  virtual void ReportWarning(std::u16string_view /*warning*/) {}
};

// Runs the batch. A file that fails is reported and the batch goes on. Raises EBatchJobError when
// the password file cannot be opened or written, a password list cannot be used, a typed
// password holds a control character (NewPasswordFault) or a generator length is not a valid
// number (all but a failed write found before any file is touched); the
// caller shows its message. Every file gets its outcome, also then: the files never started are
// reported with ReportNotStarted, with the reason the batch stopped. Exceptions from the observer
// propagate (after the files already started are finished).
//
// jobs files are encrypted at once; while finished copies wait for the disk (their password lines,
// their names, their folders synced), as many more are. The password file still gets its lines in
// list order: a file's line is written only after every earlier file has been recorded or has
// failed, and lines that are ready together are synced together.
void EncryptPDF(const TBatchSettings& settings, TBatchObserver& observer, int jobs = 1);

}  // namespace ombrelt::app

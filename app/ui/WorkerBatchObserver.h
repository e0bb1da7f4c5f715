#pragma once
// The batch job on a window's background worker. Every status travels to the window as worker
// feedback (the row, the status); a repaired copy's note and a failed file's reason wait in the
// window's notes until the row's status arrives. Files are encrypted several at once, yet the
// window gets their outcomes in list order, as it would from one file after another.

#include <cstddef>
#include <mutex>
#include <optional>
#include <vector>

#include "app/core/BackgroundWorker.h"
#include "app/core/BatchJob.h"
#include "app/ui/BatchNotes.h"

namespace ombrelt::ui {

class TWorkerBatchObserver final : public app::TBatchObserver {
 public:
  TWorkerBatchObserver(app::TBackgroundWorker& worker, TBatchNotes& notes, std::size_t rowCount)
      : worker_(worker), notes_(notes), outcomes_(rowCount) {}

  bool CancellationPending() override { return worker_.CancellationPending(); }
  // The job accepts on whichever of its threads sees the request first, but the worker takes the
  // acceptance only on its own thread: it is passed on by Finish.
  void AcceptCancellation() override;
  void ReportStatus(std::size_t row, app::TFileStatus status) override;
  void ReportRepairs(std::size_t row, std::u16string_view note) override { notes_.Set(row, note); }
  void ReportFailure(std::size_t row, std::int32_t /*errorCode*/, std::u16string_view reason) override {
    notes_.Set(row, reason);
  }
  void ReportWarning(std::u16string_view warning) override { notes_.AddWarning(warning); }

  // On the worker's thread once the job has returned: posts any outcome still held back and
  // accepts the cancellation the job accepted.
  void Finish();

 private:
  void PostReadyOutcomes();

  app::TBackgroundWorker& worker_;
  TBatchNotes& notes_;
  std::mutex mutex_;
  // Outcomes that arrived before an earlier row's, until that one arrives.
  std::vector<std::optional<app::TFileStatus>> outcomes_;
  std::size_t nextOutcome_ = 0;
  bool accepted_ = false;
};

// Runs the batch on the worker's thread with a file per core at once.
void RunBatchOnWorker(app::TBackgroundWorker& worker, const app::TBatchSettings& settings, TBatchNotes& notes);

// For a window destroyed while its batch runs (the application ending without the window being
// closed): the files being worked on are finished and the password file closed instead of the
// run being abandoned. No handler of the half-destroyed window is called any more.
void FinishBatchBeforeDestruction(app::TBackgroundWorker& worker);

}  // namespace ombrelt::ui

#pragma once
// The batch job's observer on the window's background worker: cancellation is the worker's, and
// every status travels to the window as worker feedback (the row, the status); a repaired copy's
// note and a failed file's reason wait in the window's notes until the row's status arrives.

#include "app/core/BackgroundWorker.h"
#include "app/core/BatchJob.h"
#include "app/ui/BatchNotes.h"

namespace ombrelt::ui {

class TWorkerBatchObserver final : public app::TBatchObserver {
 public:
  TWorkerBatchObserver(app::TBackgroundWorker& worker, TBatchNotes& notes) : worker_(worker), notes_(notes) {}

  bool CancellationPending() override { return worker_.CancellationPending(); }
  void AcceptCancellation() override { worker_.AcceptCancellation(); }
  void ReportStatus(std::size_t row, app::TFileStatus status) override {
    worker_.ReportFeedback(static_cast<int>(row), status);
  }
  void ReportRepairs(std::size_t row, std::u16string_view note) override { notes_.Set(row, note); }
  void ReportFailure(std::size_t row, std::int32_t /*errorCode*/, std::u16string_view reason) override {
    notes_.Set(row, reason);
  }

 private:
  app::TBackgroundWorker& worker_;
  TBatchNotes& notes_;
};

}  // namespace ombrelt::ui

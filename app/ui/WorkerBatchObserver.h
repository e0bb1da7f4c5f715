#pragma once
// The batch job's observer on the window's background worker: cancellation is the worker's, and
// every status travels to the window as worker feedback (the row, the status).

#include "app/core/BackgroundWorker.h"
#include "app/core/BatchJob.h"

namespace ombrelt::ui {

class TWorkerBatchObserver final : public app::TBatchObserver {
 public:
  explicit TWorkerBatchObserver(app::TBackgroundWorker& worker) : worker_(worker) {}

  bool CancellationPending() override { return worker_.CancellationPending(); }
  void AcceptCancellation() override { worker_.AcceptCancellation(); }
  void ReportStatus(std::size_t row, app::TFileStatus status) override {
    worker_.ReportFeedback(static_cast<int>(row), status);
  }

 private:
  app::TBackgroundWorker& worker_;
};

}  // namespace ombrelt::ui

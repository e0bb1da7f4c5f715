#include "app/ui/WorkerBatchObserver.h"

#include <QThread>

namespace ombrelt::ui {

void TWorkerBatchObserver::AcceptCancellation() {
  const std::lock_guard lock(mutex_);
  accepted_ = true;
}

void TWorkerBatchObserver::ReportStatus(std::size_t row, app::TFileStatus status) {
  if (status == app::kStatusEncrypting) {
    worker_.ReportFeedback(static_cast<int>(row), status);
    return;
  }
  const std::lock_guard lock(mutex_);
  if (row < outcomes_.size()) outcomes_[row] = status;
  PostReadyOutcomes();
}

// Posted under the lock, so that two threads never post outcomes out of order.
void TWorkerBatchObserver::PostReadyOutcomes() {
  while (nextOutcome_ < outcomes_.size() && outcomes_[nextOutcome_]) {
    worker_.ReportFeedback(static_cast<int>(nextOutcome_), *outcomes_[nextOutcome_]);
    ++nextOutcome_;
  }
}

void TWorkerBatchObserver::Finish() {
  bool accepted = false;
  {
    const std::lock_guard lock(mutex_);
    // Rows a stop left out never get an outcome; those after them that did are still shown.
    for (; nextOutcome_ < outcomes_.size(); ++nextOutcome_) {
      if (outcomes_[nextOutcome_]) worker_.ReportFeedback(static_cast<int>(nextOutcome_), *outcomes_[nextOutcome_]);
    }
    accepted = accepted_;
  }
  if (accepted) worker_.AcceptCancellation();
}

void RunBatchOnWorker(app::TBackgroundWorker& worker, const app::TBatchSettings& settings, TBatchNotes& notes) {
  TWorkerBatchObserver observer(worker, notes, settings.files.size());
  try {
    app::EncryptPDF(settings, observer, QThread::idealThreadCount());
  } catch (...) {
    observer.Finish();
    throw;
  }
  observer.Finish();
}

void FinishBatchBeforeDestruction(app::TBackgroundWorker& worker) {
  if (!worker.IsWorking()) return;
  worker.OnWorkFeedback = nullptr;
  worker.OnWorkComplete = nullptr;
  worker.Cancel();
  worker.WaitFor();
}

}  // namespace ombrelt::ui

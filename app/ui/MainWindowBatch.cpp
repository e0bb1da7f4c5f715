// The window side of a batch: validation, the start, the statuses and the completion, and closing
// the window while the batch runs.
#include <QCloseEvent>
#include <QTimer>

#include "app/core/BackgroundWorker.h"
#include "app/core/BatchJob.h"
#include "app/ui/FileAdder.h"
#include "app/ui/FileList.h"
#include "app/ui/MainWindow.h"
#include "app/ui/BatchSnapshot.h"
#include "app/ui/PasswordSettingsDialog.h"
#include "app/ui/UserPrompts.h"
#include "app/ui/WorkerBatchObserver.h"

namespace ombrelt::ui {

void TForm1::CreateWorker() {
  BgWEncryptPDF_ = new app::TBackgroundWorker(this);
  BgWEncryptPDF_->setObjectName(QStringLiteral("BgWEncryptPDF"));
  BgWEncryptPDF_->OnWork = [this](app::TBackgroundWorker& worker) { BgWEncryptPDFWork(worker); };
  BgWEncryptPDF_->OnWorkFeedback = [this](app::TBackgroundWorker& worker, int id, int value) {
    BgWEncryptPDFWorkFeedback(worker, id, value);
  };
  BgWEncryptPDF_->OnWorkComplete = [this](app::TBackgroundWorker& worker, bool cancelled) {
    BgWEncryptPDFWorkComplete(worker, cancelled);
  };
  BgWEncryptPDF_->ShowError = [this](const std::u16string& message) { ShowError(QString::fromStdU16String(message)); };
}

void TForm1::BitBtnEncryptPdfClick() {
  const std::optional<app::TValidationFailure> failure =
      app::ValidateBatch(ValidationInputOf(controls_, *passwordSettings_));
  if (!failure) return StartBatch();
  prompts_.ShowMessage(this, TMessageIcon::kWarning, QString::fromStdU16String(failure->caption),
                       QString::fromStdU16String(failure->message));
  FollowUpValidation(failure->followUp);
}

void TForm1::FollowUpValidation(app::TValidationFollowUp followUp) {
  switch (followUp) {
    case app::TValidationFollowUp::kNone:
      break;
    case app::TValidationFollowUp::kOpenFileDialog:
      AddFiles();
      break;
    case app::TValidationFollowUp::kFocusOpenPassword:
      controls_.EditUser->setFocus();
      break;
    case app::TValidationFollowUp::kFocusRestrictionsPassword:
      controls_.EditOwner->setFocus();
      break;
    case app::TValidationFollowUp::kFocusOutputFolder:
      controls_.EditSavePath->setFocus();
      break;
    case app::TValidationFollowUp::kShowPasswordSettings:
      ShowCentred(*passwordSettings_);
      break;
  }
}

void TForm1::StartBatch() {
  SetInputAreasEnabled(false);
  progress_.Start(QStringLiteral("Encrypting..."));
  batchSettings_ = TakeBatchSettings(controls_, *passwordSettings_);
  BgWEncryptPDF_->Execute();
}

void TForm1::SetInputAreasEnabled(bool enabled) {
  for (QWidget* area : controls_.InputAreas()) area->setEnabled(enabled);
  controls_.ListView1->SetLocked(!enabled);
  controls_.BitBtnEncryptPdf->setEnabled(enabled);
}

void TForm1::BgWEncryptPDFWork(app::TBackgroundWorker& worker) {
  RunBatchOnWorker(worker, batchSettings_, batchNotes_);
}

void TForm1::BgWEncryptPDFWorkFeedback(app::TBackgroundWorker& /*worker*/, int feedbackID, int feedbackValue) {
  progress_.Apply(feedbackID, static_cast<app::TFileStatus>(feedbackValue));
}

void TForm1::BgWEncryptPDFWorkComplete(app::TBackgroundWorker& /*worker*/, bool cancelled) {
  // Closed while running: the application ends however the run completed.
  if (closedDuringBatch_) return EndApplication();
  // Only the close path asks for cancellation, so a cancelled run here ended by an error, which
  // the worker has shown already.
  if (!cancelled) {
    prompts_.ShowMessage(this, TMessageIcon::kInformation, QStringLiteral("Done!"),
                         QStringLiteral("PDF encryption completed.") + progress_.CompletionCounts());
  }
  progress_.Finish();
  SetInputAreasEnabled(true);
}

void TForm1::closeEvent(QCloseEvent* event) {
  if (!ending_ && BgWEncryptPDF_->IsWorking()) {
    event->ignore();
    closedDuringBatch_ = true;
    hide();
    TimerStop_->start();
    return;
  }
  adder_->Stop();
  event->accept();
  emit ApplicationEnded();
}

void TForm1::TimerStopTimer() {
  TimerStop_->stop();
  if (!BgWEncryptPDF_->IsWorking()) return;
  // The job finishes the file it is on, then accepts; WaitFor delivers the remaining statuses and
  // the completion, which ends the application.
  BgWEncryptPDF_->Cancel();
  BgWEncryptPDF_->WaitFor();
}

void TForm1::EndApplication() {
  ending_ = true;
  close();
}

}  // namespace ombrelt::ui

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

namespace {

// "\n\n2 files succeeded, 1 failed." from the rows' statuses; a failed row's tooltip says why.
QString CompletionCounts(const TFileList& list) {
  int succeeded = 0;
  int failed = 0;
  for (int row = 0; row < list.rowCount(); ++row) {
    const QString status = list.Status(row);
    succeeded += status == QLatin1String("Succeed!");
    failed += status == QLatin1String("Failed!");
  }
  QString counts = QStringLiteral("\n\n%1 %2 succeeded, %3 failed.")
                       .arg(succeeded)
                       .arg(succeeded == 1 ? QStringLiteral("file") : QStringLiteral("files"))
                       .arg(failed);
  if (failed > 0) counts += QStringLiteral(" Point at a failed file to see why.");
  return counts;
}

}  // namespace

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
  controls_.ProgressBar1->setRange(0, controls_.ListView1->rowCount());
  controls_.ProgressBar1->setValue(0);
  controls_.ProgressBar1->setFormat(QStringLiteral("%v of %m"));
  controls_.ProgressBar1->setTextVisible(true);
  controls_.ProgressBar1->show();
  // A row this batch has not reached yet must not show what an earlier batch made of it.
  controls_.ListView1->ClearStatuses();
  batchSettings_ = TakeBatchSettings(controls_, *passwordSettings_);
  batchNotes_.Clear();
  BgWEncryptPDF_->Execute();
}

void TForm1::SetInputAreasEnabled(bool enabled) {
  for (QWidget* area : controls_.InputAreas()) area->setEnabled(enabled);
  controls_.ListView1->SetLocked(!enabled);
  controls_.BitBtnEncryptPdf->setEnabled(enabled);
}

void TForm1::BgWEncryptPDFWork(app::TBackgroundWorker& worker) {
  TWorkerBatchObserver observer(worker, batchNotes_);
  app::EncryptPDF(batchSettings_, observer);
}

void TForm1::BgWEncryptPDFWorkFeedback(app::TBackgroundWorker& /*worker*/, int feedbackID, int feedbackValue) {
  const auto status = static_cast<app::TFileStatus>(feedbackValue);
  TFileList& list = *controls_.ListView1;
  list.SetStatus(feedbackID, QString::fromStdU16String(std::u16string(app::StatusText(status))));
  // The list follows the file being worked on.
  if (status == app::kStatusEncrypting && list.item(feedbackID, kColumnFile) != nullptr) {
    list.scrollToItem(list.item(feedbackID, kColumnFile));
  }
  // Feedback arrives later than the worker sets notes: only the outcome takes the row's note.
  if (status == app::kStatusEncrypting) return;
  const QString note = QString::fromStdU16String(batchNotes_.Take(static_cast<std::size_t>(feedbackID)));
  if (status == app::kStatusSucceeded && !note.isEmpty()) list.SetStatusNote(feedbackID, note);
  if (status == app::kStatusFailed && !note.isEmpty()) list.SetFailureReason(feedbackID, note);
  controls_.ProgressBar1->setValue(controls_.ProgressBar1->value() + 1);
}

void TForm1::BgWEncryptPDFWorkComplete(app::TBackgroundWorker& /*worker*/, bool cancelled) {
  // Closed while running: the application ends however the run completed.
  if (closedDuringBatch_) return EndApplication();
  // Only the close path asks for cancellation, so a cancelled run here ended by an error, which
  // the worker has shown already.
  if (!cancelled) {
    prompts_.ShowMessage(this, TMessageIcon::kInformation, QStringLiteral("Done!"),
                         QStringLiteral("PDF encryption completed.") + CompletionCounts(*controls_.ListView1));
  }
  controls_.ProgressBar1->hide();
  controls_.ProgressBar1->setValue(0);
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

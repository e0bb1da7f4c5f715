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
#include "app/ui/PasswordFileCheck.h"
#include "app/ui/PasswordSettingsDialog.h"
#include "app/ui/UserPrompts.h"
#include "app/ui/WorkerBatchObserver.h"

namespace ombrelt::ui {

namespace {

// What the job said of the whole batch, as paragraphs after the completion message.
QString BatchWarnings(const std::vector<std::u16string>& warnings) {
  QString text;
  for (const std::u16string& warning : warnings) text += QStringLiteral("\n\n") + QString::fromStdU16String(warning);
  return text;
}

}  // namespace

void TMainWindow::CreateWorker() {
  batchWorker_ = new app::TBackgroundWorker(this);
  batchWorker_->setObjectName(QStringLiteral("batchWorker"));
  batchWorker_->OnWork = [this](app::TBackgroundWorker& worker) { RunBatch(worker); };
  batchWorker_->OnWorkFeedback = [this](app::TBackgroundWorker& worker, int id, int value) {
    ShowBatchFeedback(worker, id, value);
  };
  batchWorker_->OnWorkComplete = [this](app::TBackgroundWorker& worker, bool cancelled) {
    BatchComplete(worker, cancelled);
  };
  batchWorker_->ShowError = [this](const std::u16string& message) { ShowError(QString::fromStdU16String(message)); };
}

void TMainWindow::EncryptClicked() {
  const std::optional<app::TValidationFailure> failure =
      app::ValidateBatch(ValidationInputOf(controls_, *passwordSettings_));
  if (!failure) {
    const std::vector<app::TOutputClash> clashes = MarkOutputClashes();
    if (!clashes.empty()) return ShowOutputClashes(clashes);
    return StartBatch();
  }
  QString message = QString::fromStdU16String(failure->message);
  // The settings dialog refuses such a path at OK; one stored before still gets its reason here.
  if (failure->followUp == app::TValidationFollowUp::kShowPasswordSettings) {
    const QString reason = PasswordFileProblem(passwordSettings_->PasswordFilePath());
    if (!reason.isEmpty()) message += QStringLiteral("\n\n") + reason;
  }
  prompts_.ShowMessage(this, TMessageIcon::kWarning, QString::fromStdU16String(failure->caption), message);
  FollowUpValidation(failure->followUp);
}

void TMainWindow::FollowUpValidation(app::TValidationFollowUp followUp) {
  switch (followUp) {
    case app::TValidationFollowUp::kNone:
      break;
    case app::TValidationFollowUp::kOpenFileDialog:
      AddFiles();
      break;
    case app::TValidationFollowUp::kFocusOpenPassword:
      controls_.openPasswordEdit->setFocus();
      break;
    case app::TValidationFollowUp::kFocusRestrictionsPassword:
      controls_.restrictionsPasswordEdit->setFocus();
      break;
    case app::TValidationFollowUp::kFocusOutputFolder:
      controls_.outputFolderEdit->setFocus();
      break;
    case app::TValidationFollowUp::kShowPasswordSettings:
      ShowCentred(*passwordSettings_);
      break;
  }
}

void TMainWindow::StartBatch() {
  SetInputAreasEnabled(false);
  progress_.Start(QStringLiteral("Encrypting..."));
  batchSettings_ = TakeBatchSettings(controls_, *passwordSettings_);
  batchWorker_->Execute();
}

void TMainWindow::SetInputAreasEnabled(bool enabled) {
  for (QWidget* area : controls_.InputAreas()) area->setEnabled(enabled);
  // Its batches would run beside this one, on the same files or output folder.
  controls_.protectedFilesLink->setEnabled(enabled);
  controls_.fileList->SetLocked(!enabled);
  controls_.encryptButton->setEnabled(enabled);
}

void TMainWindow::RunBatch(app::TBackgroundWorker& worker) { RunBatchOnWorker(worker, batchSettings_, batchNotes_); }

void TMainWindow::ShowBatchFeedback(app::TBackgroundWorker& /*worker*/, int feedbackID, int feedbackValue) {
  progress_.Apply(feedbackID, static_cast<app::TFileStatus>(feedbackValue));
}

void TMainWindow::BatchComplete(app::TBackgroundWorker& /*worker*/, bool cancelled) {
  // A stop, or an error, leaves files undone: they say so rather than look untried.
  if (cancelled) controls_.fileList->MarkNotStarted();
  // Closed while running: the application ends however the run completed.
  if (closedDuringBatch_) return EndApplication();
  // Only the close path asks for cancellation, so a cancelled run here ended by an error, which
  // the worker has shown already.
  if (!cancelled) {
    prompts_.ShowMessage(this, TMessageIcon::kInformation, QStringLiteral("Done!"),
                         QStringLiteral("PDF encryption completed.") + progress_.CompletionCounts() +
                             BatchWarnings(batchNotes_.TakeWarnings()));
  }
  progress_.Finish();
  SetInputAreasEnabled(true);
}

void TMainWindow::closeEvent(QCloseEvent* event) {
  if (!ending_ && batchWorker_->IsWorking()) {
    event->ignore();
    if (closedDuringBatch_) return;
    const bool stop = prompts_.Ask(this, QStringLiteral("PDF Encryption"),
                                   QStringLiteral("A batch is running. Stop it once the files being written are "
                                                  "finished, and close?\n\nThe files not started yet are left "
                                                  "undone and marked \"Not started\"."));
    if (!stop) return;
    closedDuringBatch_ = true;
    hide();
    stopTimer_->start();
    return;
  }
  adder_->Stop();
  event->accept();
  emit ApplicationEnded();
}

void TMainWindow::StopBatchAfterClose() {
  stopTimer_->stop();
  // The batch may have completed while the question was open: then nothing is left to wait for.
  if (!batchWorker_->IsWorking()) return EndApplication();
  // The job finishes the file it is on, then accepts; WaitFor delivers the remaining statuses and
  // the completion, which ends the application.
  batchWorker_->Cancel();
  batchWorker_->WaitFor();
}

void TMainWindow::EndApplication() {
  ending_ = true;
  close();
}

}  // namespace ombrelt::ui

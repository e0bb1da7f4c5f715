#pragma once
// The main window (TForm1), "PDF Encryption": the file list, the encryption settings and the
// buttons that start the work. Files enter the list only after the library has read each as an
// unencrypted PDF with pages. "Encrypt Pdf" validates the settings, takes a snapshot of them and
// runs the batch on the background worker BgWEncryptPDF while the window shows each file's status.
//
// Closing the window while a batch runs hides it, asks the batch to stop after 500 ms, waits until
// the current file is finished and then ends the application. A batch ended by an error is
// reported and the window stays open; only closing the window ends the application.

#include <QWidget>

#include <optional>

#include "app/core/BatchSettings.h"
#include "app/core/BatchValidation.h"
#include "app/ui/BatchNotes.h"
#include "app/ui/BatchProgressView.h"
#include "app/ui/MainWindowControls.h"

class QDialog;
class QTimer;

namespace ombrelt::app {
class TBackgroundWorker;
}

namespace ombrelt::ui {

class TActiveFormTracker;
class TFileAdder;
class TForm6;
class TFrmPwd;
class TProtectedFilesDialog;
class TUserPrompts;

class TForm1 : public QWidget {
  Q_OBJECT

 public:
  explicit TForm1(TUserPrompts& prompts);
  ~TForm1() override;

  // The about box and the password settings dialog, created after the window at start-up.
  void SetDialogs(TForm6& about, TFrmPwd& passwordSettings);
  // Files are being inspected into the list.
  bool IsAddingFiles() const;

 signals:
  // The window closed for good: the application should end.
  void ApplicationEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ConnectFileList();
  void ConnectSettings();
  void ConnectOutput();
  void ConnectAdder();
  void CreateWorker();

  void FormCreate();
  void FormActivate();
  void ShowError(const QString& message);
  void ShowCentred(QDialog& dialog);

  // The file list.
  void AddFiles();
  void AddFolder();
  void AddCandidates(const QStringList& paths);
  void SetAdding(bool adding);
  void CandidateRefused(const QString& path, const QString& reason);
  void ShowRefusals();
  void BitBtnDeleteFileClick();
  void BitBtnClearAllClick();
  void ListView1Click();

  // The settings.
  void LevelClick();
  void CheckBoxAllwPrintClick(bool checked);
  void CheckBoxOpenpasswordClick(bool checked);
  void CheckBoxRestrictionsClick(bool checked);
  void AutoClick();
  void BitBtnSavePathClick();

  // The protected files dialog takes the protection its batches give from these settings.
  void ShowProtectedFiles();
  std::optional<app::TBatchSettings> ProtectionSettings();

  // The batch (MainWindowBatch.cpp).
  void BitBtnEncryptPdfClick();
  void FollowUpValidation(app::TValidationFollowUp followUp);
  void StartBatch();
  void SetInputAreasEnabled(bool enabled);
  void BgWEncryptPDFWork(app::TBackgroundWorker& worker);
  void BgWEncryptPDFWorkFeedback(app::TBackgroundWorker& worker, int feedbackID, int feedbackValue);
  void BgWEncryptPDFWorkComplete(app::TBackgroundWorker& worker, bool cancelled);
  void TimerStopTimer();
  void EndApplication();

  TUserPrompts& prompts_;
  const TMainControls controls_;
  TForm6* about_ = nullptr;
  TFrmPwd* passwordSettings_ = nullptr;
  TActiveFormTracker* activeForms_;
  TFileAdder* adder_;
  TProtectedFilesDialog* protectedFiles_;
  app::TBackgroundWorker* BgWEncryptPDF_ = nullptr;
  QTimer* TimerStop_;
  // Written on this thread before the worker starts, only read by the worker while it runs.
  app::TBatchSettings batchSettings_;
  TBatchNotes batchNotes_;
  TBatchProgressView progress_;
  // The files refused since the adding started, with why: shown together when it ends.
  QList<QPair<QString, QString>> refused_;
  bool closedDuringBatch_ = false;
  bool ending_ = false;
};

}  // namespace ombrelt::ui

#pragma once
// The main window, "PDF Encryption": the file list, the encryption settings and the
// buttons that start the work. Files enter the list only after the library has read each as an
// unencrypted PDF with pages. "Encrypt Pdf" validates the settings, takes a snapshot of them and
// runs the batch on the background worker batchWorker while the window shows each file's status.
//
// Closing the window while a batch runs asks first; confirmed, it hides the window, asks the batch
// to stop after 500 ms, waits until the files being written are finished and then ends the
// application. A batch ended by an error is reported and the window stays open; only closing the
// window ends the application.
//
// Two rows never write one output: such rows are marked as they are added, and "Encrypt Pdf"
// refuses to start while any remain (the job refuses them too).

#include <QWidget>

#include <optional>

#include "app/core/BatchSettings.h"
#include "app/core/BatchValidation.h"
#include "app/core/OutputClashes.h"
#include "app/ui/BatchNotes.h"
#include "app/ui/BatchProgressView.h"
#include "app/ui/MainWindowControls.h"

class QDialog;
class QRadioButton;
class QTimer;

namespace ombrelt::app {
class TBackgroundWorker;
}

namespace ombrelt::ui {

class TActiveFormTracker;
class TFileAdder;
class TAboutBox;
class TPasswordSettingsDialog;
class THelpWindow;
class TProtectedFilesDialog;
class TUserPrompts;

class TMainWindow : public QWidget {
  Q_OBJECT

 public:
  explicit TMainWindow(TUserPrompts& prompts);
  ~TMainWindow() override;

  // The about box and the password settings dialog, created after the window at start-up.
  void SetDialogs(TAboutBox& about, TPasswordSettingsDialog& passwordSettings);
  // Files are being inspected into the list.
  bool IsAddingFiles() const;

 signals:
  // The window closed for good: the application should end.
  void ApplicationEnded();

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ConnectFileList();
  void ConnectSettings();
  void ConnectSettingsChanges();
  void ConnectOutput();
  void ConnectAdder();
  void CreateWorker();

  void FitToContent();
  void RestoreSettings();
  void RestoreLevel();
  QRadioButton* LevelButton(std::int32_t level) const;
  void WindowActivated();
  void ShowError(const QString& message);
  void ShowCentred(QDialog& dialog);

  // The file list.
  void AddFiles();
  void AddFolder();
  void AddCandidates(const QStringList& paths);
  void SetAdding(bool adding);
  void CandidateRefused(const QString& path, const QString& reason);
  void ShowRefusals();
  // The rows whose output an earlier row writes (OutputClashes), marked in the list.
  std::vector<app::TOutputClash> MarkOutputClashes();
  // After an adding: the clashes it brought, in one message.
  void ShowNewOutputClashes();
  void ShowOutputClashes(const std::vector<app::TOutputClash>& clashes);
  void DeleteSelectedFiles();
  void ClearAll();
  void UpdateDeleteButton();

  // The settings.
  void ShowLevelDependents();
  void LevelChosen(std::int32_t level, bool checked);
  void SettingsChanged();
  void PasswordTextChanged();
  void PrintingToggled(bool checked);
  void OpenPasswordToggled(bool checked);
  void RestrictionsPasswordToggled(bool checked);
  void AutoCreateToggled();
  void ChooseOutputFolder();
  void OpenOutputFolder();
  void ShowHelp();

  // The protected files dialog takes the protection its batches give from these settings.
  void ShowProtectedFiles();
  std::optional<app::TBatchSettings> ProtectionSettings();

  // The batch (MainWindowBatch.cpp).
  void EncryptClicked();
  void FollowUpValidation(app::TValidationFollowUp followUp);
  void StartBatch();
  void SetInputAreasEnabled(bool enabled);
  void RunBatch(app::TBackgroundWorker& worker);
  void ShowBatchFeedback(app::TBackgroundWorker& worker, int feedbackID, int feedbackValue);
  void BatchComplete(app::TBackgroundWorker& worker, bool cancelled);
  void StopBatchAfterClose();
  void EndApplication();

  TUserPrompts& prompts_;
  const TMainControls controls_;
  TAboutBox* about_ = nullptr;
  TPasswordSettingsDialog* passwordSettings_ = nullptr;
  TActiveFormTracker* activeForms_;
  TFileAdder* adder_;
  TProtectedFilesDialog* protectedFiles_;
  THelpWindow* helpWindow_ = nullptr;  // made the first time no desktop program opens the help
  app::TBackgroundWorker* batchWorker_ = nullptr;
  QTimer* stopTimer_;
  // Written on this thread before the worker starts, only read by the worker while it runs.
  app::TBatchSettings batchSettings_;
  TBatchNotes batchNotes_;
  TBatchProgressView progress_;
  // The files refused since the adding started, with why: shown together when it ends.
  QList<QPair<QString, QString>> refused_;
  int rowsBeforeAdding_ = 0;
  bool closedDuringBatch_ = false;
  bool ending_ = false;
};

}  // namespace ombrelt::ui

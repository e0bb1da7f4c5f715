#pragma once
// The protected files dialog: for files that are encrypted already. The user lists them, gives
// the password that opens them (typed, or a password file the batches wrote), chooses to remove
// their protection or to protect them again with the main window's settings, and runs the batch
// into an output folder, each copy keeping its file name: by default an "Unlocked" folder beside
// the first listed file, made when needed, since the copies cannot go beside the files themselves. The batch runs on a
// background worker of the dialog's own with the job the main window uses, and shows its statuses alike.
//
// "Stop" (the "Close" button while a batch runs) asks the batch to stop after the files being
// worked on; closing the dialog while its batch runs does the same, then the dialog closes.

#include <QDialog>
#include <QList>
#include <QPair>

#include <functional>
#include <optional>

#include "app/core/BatchSettings.h"
#include "app/ui/BatchNotes.h"
#include "app/ui/BatchProgressView.h"

class QLayout;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace ombrelt::app {
class TBackgroundWorker;
}

namespace ombrelt::ui {

class TFileAdder;
class TFileList;
class TUserPrompts;

class TProtectedFilesDialog : public QDialog {
  Q_OBJECT

 public:
  // The main window's protection settings (level, passwords, permissions, password file) for
  // "protect again"; nothing when they do not validate, after telling the user why.
  using TProtectionSettings = std::function<std::optional<app::TBatchSettings>()>;

  TProtectedFilesDialog(TUserPrompts& prompts, TProtectionSettings protectionSettings, QWidget* parent);
  ~TProtectedFilesDialog() override;

  // Where the copies go while the user has chosen no folder: "Unlocked" beside the first row's file.
  QString DefaultOutputFolder() const;
  bool IsAddingFiles() const;
  bool IsRunning() const;

 public slots:
  void reject() override;

 private:
  QLayout* BuildFileArea();
  QWidget* BuildPasswordArea();
  QWidget* BuildOperationArea();
  QLayout* BuildOutputArea();
  void ConnectAdder();
  void CreateWorker();

  void AddFiles();
  void AddFolder();
  void BrowseLedger();
  void BrowseOutputFolder();
  void UpdateButtons();

  void RunClick();
  void CloseClick();
  bool Removing() const;
  std::optional<app::TBatchSettings> SettingsForRun();
  QString OutputFolderForRun();
  void Refuse(const QString& message, QWidget* focus);
  void SetRunning(bool running);
  void WorkComplete(bool cancelled);

  TUserPrompts& prompts_;
  const TProtectionSettings protectionSettings_;
  TFileList* list_ = nullptr;
  QPushButton* addFiles_ = nullptr;
  QPushButton* addFolder_ = nullptr;
  QPushButton* deleteFile_ = nullptr;
  QPushButton* clearAll_ = nullptr;
  QRadioButton* typedPassword_ = nullptr;
  QLineEdit* currentPassword_ = nullptr;
  QRadioButton* ledger_ = nullptr;
  QLineEdit* ledgerPath_ = nullptr;
  QPushButton* browseLedger_ = nullptr;
  QRadioButton* remove_ = nullptr;
  QRadioButton* protectAgain_ = nullptr;
  QLineEdit* outputFolder_ = nullptr;
  QPushButton* browseOutput_ = nullptr;
  QPushButton* run_ = nullptr;
  QPushButton* close_ = nullptr;
  QProgressBar* progressBar_ = nullptr;
  TFileAdder* adder_ = nullptr;
  app::TBackgroundWorker* worker_ = nullptr;
  QList<QPair<QString, QString>> refused_;
  // Written on this thread before the worker starts, only read by the worker while it runs.
  app::TBatchSettings batchSettings_;
  TBatchNotes batchNotes_;
  std::optional<TBatchProgressView> progress_;
  bool closeWhenDone_ = false;
  bool stopRequested_ = false;
};

}  // namespace ombrelt::ui

#include "app/ui/ProtectedFilesDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <utility>

#include "app/core/BackgroundWorker.h"
#include "app/core/BatchJob.h"
#include "app/ui/CandidateInspection.h"
#include "app/ui/FileAdder.h"
#include "app/ui/FileList.h"
#include "app/ui/PdfFolder.h"
#include "app/ui/PlaceControl.h"
#include "app/ui/UserPrompts.h"
#include "app/ui/WorkerBatchObserver.h"

namespace ombrelt::ui {

namespace {

constexpr int kClientWidth = 660;
constexpr int kClientHeight = 500;

const QString kNotEncrypted = QStringLiteral("not encrypted");

QPushButton* PlaceButton(QWidget* parent, const char* name, QRect geometry, const QString& caption) {
  return PlaceControl<QPushButton>(parent, QString::fromLatin1(name), geometry, caption);
}

}  // namespace

TProtectedFilesDialog::TProtectedFilesDialog(TUserPrompts& prompts, TProtectionSettings protectionSettings,
                                             QWidget* parent)
    : QDialog(parent),
      prompts_(prompts),
      protectionSettings_(std::move(protectionSettings)),
      adder_(new TFileAdder(this, InspectProtectedCandidate)) {
  setObjectName(QStringLiteral("FrmProtected"));
  setWindowTitle(QStringLiteral("Protected Files"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  BuildFileArea();
  BuildPasswordArea();
  BuildOperationArea();
  BuildOutputArea();
  progress_.emplace(*list_, *progressBar_, batchNotes_);
  ConnectAdder();
  CreateWorker();
  UpdateButtons();
}

TProtectedFilesDialog::~TProtectedFilesDialog() { FinishBatchBeforeDestruction(*worker_); }

void TProtectedFilesDialog::BuildFileArea() {
  list_ = new TFileList(this);
  list_->setGeometry(10, 10, 500, 230);
  list_->setAccessibleName(QStringLiteral("Protected files"));
  // Narrower than the main window's list: the status column stays in view.
  list_->setColumnWidth(kColumnFile, 150);
  list_->setColumnWidth(kColumnPages, 48);
  addFiles_ = PlaceButton(this, "BitBtnAddFiles", {520, 10, 130, 32}, QStringLiteral("Add File"));
  addFolder_ = PlaceButton(this, "BitBtnAddFolder", {520, 48, 130, 32}, QStringLiteral("Add Folder"));
  deleteFile_ = PlaceButton(this, "BitBtnDeleteFile", {520, 86, 130, 32}, QStringLiteral("Delete File"));
  clearAll_ = PlaceButton(this, "BitBtnClearAll", {520, 124, 130, 32}, QStringLiteral("Clear All"));
  auto* hint = PlaceControl<QLabel>(this, QStringLiteral("LabelDropHint"), {520, 164, 130, 76},
                                    QStringLiteral("Drop encrypted PDF files or folders on the list to add them."));
  hint->setWordWrap(true);
  hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  connect(addFiles_, &QPushButton::clicked, this, &TProtectedFilesDialog::AddFiles);
  connect(addFolder_, &QPushButton::clicked, this, &TProtectedFilesDialog::AddFolder);
  connect(deleteFile_, &QPushButton::clicked, this, [this] {
    list_->RemoveFile();
    UpdateButtons();
  });
  connect(clearAll_, &QPushButton::clicked, this, [this] {
    list_->setRowCount(0);
    UpdateButtons();
  });
  connect(list_, &TFileList::Clicked, this, &TProtectedFilesDialog::UpdateButtons);
  connect(list_, &TFileList::DeleteRequested, deleteFile_, &QPushButton::click);
  connect(list_, &TFileList::PathsDropped, this,
          [this](const QStringList& paths) { adder_->Enqueue(CandidatesOf(paths)); });
}

void TProtectedFilesDialog::BuildPasswordArea() {
  auto* group = PlaceControl<QGroupBox>(this, QStringLiteral("GroupBoxCurrentPassword"), {10, 250, 640, 90},
                                        QStringLiteral("The password that opens the files:"));
  typedPassword_ = PlaceControl<QRadioButton>(group, QStringLiteral("RadioButtonTypedPassword"), {12, 24, 120, 24},
                                              QStringLiteral("Password:"));
  currentPassword_ = PlaceControl<QLineEdit>(group, QStringLiteral("EditCurrentPassword"), {140, 24, 360, 24});
  currentPassword_->setEchoMode(QLineEdit::Password);
  currentPassword_->setAccessibleName(QStringLiteral("Current password"));
  currentPassword_->setToolTip(QStringLiteral(
      "The restrictions password of the files, or their open password when they restrict nothing."));
  ledger_ = PlaceControl<QRadioButton>(group, QStringLiteral("RadioButtonLedger"), {12, 56, 120, 24},
                                       QStringLiteral("Password file:"));
  ledgerPath_ = PlaceControl<QLineEdit>(group, QStringLiteral("EditLedgerPath"), {140, 56, 360, 24});
  ledgerPath_->setAccessibleName(QStringLiteral("Password file that opens the files"));
  ledgerPath_->setToolTip(QStringLiteral(
      "A .csv password file the batches wrote: each file is opened with the passwords of its lines, newest first."));
  browseLedger_ = PlaceButton(group, "BitBtnBrowseLedger", {510, 54, 110, 28}, QStringLiteral("Browse"));
  typedPassword_->setChecked(true);
  connect(browseLedger_, &QPushButton::clicked, this, &TProtectedFilesDialog::BrowseLedger);
  // Typing into a field chooses it.
  connect(currentPassword_, &QLineEdit::textEdited, typedPassword_, [this] { typedPassword_->setChecked(true); });
  connect(ledgerPath_, &QLineEdit::textEdited, ledger_, [this] { ledger_->setChecked(true); });
}

void TProtectedFilesDialog::BuildOperationArea() {
  auto* group = PlaceControl<QGroupBox>(this, QStringLiteral("GroupBoxOperation"), {10, 350, 640, 56},
                                        QStringLiteral("Make of each file:"));
  remove_ = PlaceControl<QRadioButton>(group, QStringLiteral("RadioButtonRemove"), {12, 24, 200, 24},
                                       QStringLiteral("Remove protection"));
  protectAgain_ = PlaceControl<QRadioButton>(group, QStringLiteral("RadioButtonProtectAgain"), {220, 24, 410, 24},
                                             QStringLiteral("Protect again with the main window's settings"));
  protectAgain_->setToolTip(QStringLiteral(
      "The level, passwords, permissions and password file chosen in the main window; the copies keep their names."));
  remove_->setChecked(true);
}

void TProtectedFilesDialog::BuildOutputArea() {
  PlaceControl<QLabel>(this, QStringLiteral("Label3"), {10, 420, 90, 24}, QStringLiteral("Output Path:"));
  outputFolder_ = PlaceControl<QLineEdit>(this, QStringLiteral("EditSavePath"), {100, 420, 290, 24});
  outputFolder_->setAccessibleName(QStringLiteral("Output Path"));
  browseOutput_ = PlaceButton(this, "BitBtnSavePath", {400, 418, 110, 28}, QStringLiteral("Save Path"));
  run_ = PlaceButton(this, "BitBtnRun", {520, 414, 130, 36}, QStringLiteral("Start"));
  run_->setDefault(true);
  close_ = PlaceButton(this, "BitBtnClose", {520, 458, 130, 32}, QStringLiteral("Close"));
  progressBar_ = PlaceControl<QProgressBar>(this, QStringLiteral("ProgressBar1"), {10, 466, 500, 16});
  progressBar_->setAccessibleName(QStringLiteral("Progress"));
  progressBar_->hide();
  connect(browseOutput_, &QPushButton::clicked, this, &TProtectedFilesDialog::BrowseOutputFolder);
  connect(run_, &QPushButton::clicked, this, &TProtectedFilesDialog::RunClick);
  connect(close_, &QPushButton::clicked, this, &TProtectedFilesDialog::CloseClick);
}

void TProtectedFilesDialog::ConnectAdder() {
  connect(adder_, &TFileAdder::Started, this, [this] {
    progressBar_->setFormat(QStringLiteral("%p%"));
    progressBar_->show();
    UpdateButtons();
  });
  connect(adder_, &TFileAdder::Progress, this, [this](int done, int total) {
    progressBar_->setRange(0, total);
    progressBar_->setValue(done);
  });
  connect(adder_, &TFileAdder::Accepted, this, [this](const QString& path, const QString& pages, const QString&) {
    list_->AddRow(path, pages);
  });
  connect(adder_, &TFileAdder::Refused, this,
          [this](const QString& path, const QString& reason) { refused_.append({path, reason}); });
  connect(adder_, &TFileAdder::Finished, this, [this] {
    progressBar_->hide();
    UpdateButtons();
    ShowRefusals(prompts_, this, std::exchange(refused_, {}), kNotEncrypted);
  });
}

void TProtectedFilesDialog::CreateWorker() {
  worker_ = new app::TBackgroundWorker(this);
  worker_->setObjectName(QStringLiteral("BgWProtection"));
  worker_->OnWork = [this](app::TBackgroundWorker& worker) { RunBatchOnWorker(worker, batchSettings_, batchNotes_); };
  worker_->OnWorkFeedback = [this](app::TBackgroundWorker&, int row, int status) {
    progress_->Apply(row, static_cast<app::TFileStatus>(status));
  };
  worker_->OnWorkComplete = [this](app::TBackgroundWorker&, bool cancelled) { WorkComplete(cancelled); };
  worker_->ShowError = [this](const std::u16string& message) {
    prompts_.ShowMessage(this, TMessageIcon::kError, windowTitle(), QString::fromStdU16String(message));
  };
}

void TProtectedFilesDialog::OfferOutputFolder(const QString& folder) {
  if (outputFolder_->text().trimmed().isEmpty()) outputFolder_->setText(folder);
}

bool TProtectedFilesDialog::IsAddingFiles() const { return adder_->IsBusy(); }

bool TProtectedFilesDialog::Removing() const { return remove_->isChecked(); }

bool TProtectedFilesDialog::IsRunning() const { return worker_->IsWorking(); }

void TProtectedFilesDialog::AddFiles() {
  adder_->Enqueue(prompts_.ChooseOpenFiles(this, QStringLiteral("PDF File (*.pdf)")));
}

void TProtectedFilesDialog::AddFolder() {
  const QString folder = prompts_.ChooseFolder(this, QStringLiteral("Select pdf folder:"), QDir::homePath());
  if (!folder.isEmpty()) adder_->Enqueue(PdfFolderEntries(folder));
}

void TProtectedFilesDialog::BrowseLedger() {
  const QStringList chosen = prompts_.ChooseOpenFiles(this, QStringLiteral("CSV File (*.csv)"));
  if (chosen.isEmpty()) return;
  ledgerPath_->setText(chosen.first());
  ledger_->setChecked(true);
}

void TProtectedFilesDialog::BrowseOutputFolder() {
  const QString start = outputFolder_->text().trimmed().isEmpty() ? QDir::homePath() : outputFolder_->text();
  const QString folder = prompts_.ChooseFolder(this, QStringLiteral("Select output folder:"), start);
  if (!folder.isEmpty()) outputFolder_->setText(folder);
}

void TProtectedFilesDialog::UpdateButtons() {
  const bool idle = !worker_->IsWorking();
  const bool rows = list_->rowCount() > 0;
  deleteFile_->setEnabled(idle && list_->HasSelectedRow());
  clearAll_->setEnabled(idle && rows);
  run_->setEnabled(idle && !adder_->IsBusy());
}

void TProtectedFilesDialog::RunClick() {
  std::optional<app::TBatchSettings> settings = SettingsForRun();
  if (!settings) return;
  batchSettings_ = std::move(*settings);
  stopRequested_ = false;
  progress_->Start(Removing() ? QStringLiteral("Decrypting...") : QStringLiteral("Encrypting..."));
  SetRunning(true);
  worker_->Execute();
}

// The checks in the order the user meets the controls; the main window's settings come last.
std::optional<app::TBatchSettings> TProtectedFilesDialog::SettingsForRun() {
  if (list_->rowCount() == 0) {
    Refuse(QStringLiteral("Please add file(s)."), addFiles_);
    return std::nullopt;
  }
  app::TCurrentPasswordSettings current;
  if (typedPassword_->isChecked()) {
    current.kind = app::TCurrentPasswordSettings::TKind::kTyped;
    current.typed = currentPassword_->text().toStdU16String();
    if (current.typed.empty()) {
      Refuse(QStringLiteral("Please type the password that opens the files."), currentPassword_);
      return std::nullopt;
    }
  } else {
    current.kind = app::TCurrentPasswordSettings::TKind::kLedger;
    current.ledgerPath = ledgerPath_->text().trimmed().toStdU16String();
    if (!QFileInfo(ledgerPath_->text().trimmed()).isFile()) {
      Refuse(QStringLiteral("Please choose the password file that holds the files' passwords."), ledgerPath_);
      return std::nullopt;
    }
  }
  if (outputFolder_->text().trimmed().isEmpty()) {
    Refuse(QStringLiteral("Please select output path."), outputFolder_);
    return std::nullopt;
  }
  std::optional<app::TBatchSettings> settings = app::TBatchSettings{};
  if (Removing()) {
    settings->operation = app::TOperation::kDecrypt;
  } else {
    settings = protectionSettings_();
    if (!settings) return std::nullopt;
    settings->operation = app::TOperation::kEncrypt;
  }
  settings->currentPassword = std::move(current);
  settings->naming = app::TNamingMode::kKeep;
  settings->outputFolder = outputFolder_->text().toStdU16String();
  settings->files = list_->Paths();
  return settings;
}

void TProtectedFilesDialog::Refuse(const QString& message, QWidget* focus) {
  prompts_.ShowMessage(this, TMessageIcon::kWarning, QStringLiteral("Warning"), message);
  focus->setFocus();
}

void TProtectedFilesDialog::SetRunning(bool running) {
  for (QWidget* control : std::initializer_list<QWidget*>{addFiles_, addFolder_, typedPassword_, currentPassword_,
                                                          ledger_, ledgerPath_, browseLedger_, remove_, protectAgain_,
                                                          outputFolder_, browseOutput_}) {
    control->setEnabled(!running);
  }
  list_->SetLocked(running);
  close_->setText(running ? QStringLiteral("Stop") : QStringLiteral("Close"));
  UpdateButtons();
}

void TProtectedFilesDialog::WorkComplete(bool cancelled) {
  progress_->Finish();
  SetRunning(false);
  if (closeWhenDone_) {
    closeWhenDone_ = false;
    QDialog::reject();
    return;
  }
  // A run cancelled that the user did not stop ended by an error, which the worker has shown.
  if (cancelled && !stopRequested_) return;
  const QString what = batchSettings_.operation == app::TOperation::kDecrypt ? QStringLiteral("decryption")
                                                                             : QStringLiteral("encryption");
  const QString outcome = cancelled ? QStringLiteral("stopped") : QStringLiteral("completed");
  prompts_.ShowMessage(this, TMessageIcon::kInformation, QStringLiteral("Done!"),
                       QStringLiteral("PDF %1 %2.").arg(what, outcome) + progress_->CompletionCounts());
}

void TProtectedFilesDialog::CloseClick() {
  if (!worker_->IsWorking()) return reject();
  // The files being worked on are finished; the rest are left as they are.
  stopRequested_ = true;
  worker_->Cancel();
}

void TProtectedFilesDialog::reject() {
  adder_->Stop();
  if (!worker_->IsWorking()) return QDialog::reject();
  // The files being worked on are finished; the completion closes the dialog.
  closeWhenDone_ = true;
  worker_->Cancel();
}

}  // namespace ombrelt::ui

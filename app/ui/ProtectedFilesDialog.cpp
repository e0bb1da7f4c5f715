#include "app/ui/ProtectedFilesDialog.h"

#include <QBoxLayout>
#include <QDir>
#include <QGridLayout>
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
#include "app/ui/NamedControl.h"
#include "app/ui/RadioGroupFocus.h"
#include "app/ui/UserPrompts.h"
#include "app/ui/WorkerBatchObserver.h"

namespace ombrelt::ui {

namespace {

const QString kNotEncrypted = QStringLiteral("not encrypted");

// Enter on the focused button presses it; elsewhere it presses "Start", the default.
QPushButton* Button(QWidget* parent, const char* name, const QString& caption) {
  auto* button = NamedControl<QPushButton>(parent, name, caption);
  button->setAutoDefault(true);
  return button;
}

}  // namespace

TProtectedFilesDialog::TProtectedFilesDialog(TUserPrompts& prompts, TProtectionSettings protectionSettings,
                                             QWidget* parent)
    : QDialog(parent),
      prompts_(prompts),
      protectionSettings_(std::move(protectionSettings)),
      adder_(new TFileAdder(this, InspectProtectedCandidate)) {
  setObjectName(QStringLiteral("ProtectedFilesDialog"));
  setWindowTitle(QStringLiteral("Protected Files"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(BuildFileArea(), 1);
  layout->addWidget(BuildPasswordArea());
  layout->addWidget(BuildOperationArea());
  layout->addLayout(BuildOutputArea());
  resize(sizeHint().expandedTo(QSize(660, 500)));
  MakeOneTabStop({typedPassword_, ledger_});
  MakeOneTabStop({remove_, protectAgain_});
  progress_.emplace(*list_, *progressBar_, batchNotes_);
  ConnectAdder();
  CreateWorker();
  UpdateButtons();
}

TProtectedFilesDialog::~TProtectedFilesDialog() { FinishBatchBeforeDestruction(*worker_); }

QLayout* TProtectedFilesDialog::BuildFileArea() {
  list_ = new TFileList(this);
  list_->setAccessibleName(QStringLiteral("Protected files"));
  addFiles_ = Button(this, "addFilesButton", QStringLiteral("&Add File"));
  addFolder_ = Button(this, "addFolderButton", QStringLiteral("Add &Folder"));
  deleteFile_ = Button(this, "deleteFilesButton", QStringLiteral("&Delete File"));
  clearAll_ = Button(this, "clearAllButton", QStringLiteral("C&lear All"));
  auto* hint = NamedControl<QLabel>(this, "dropHintLabel",
                                    QStringLiteral("Drop encrypted PDF files or folders on the list to add them."));
  hint->setWordWrap(true);
  hint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  auto* buttons = new QVBoxLayout;
  for (QWidget* control : std::initializer_list<QWidget*>{addFiles_, addFolder_, deleteFile_, clearAll_, hint}) {
    buttons->addWidget(control);
  }
  buttons->addStretch();
  auto* area = new QHBoxLayout;
  area->addWidget(list_, 1);
  area->addLayout(buttons);
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
  return area;
}

QWidget* TProtectedFilesDialog::BuildPasswordArea() {
  auto* group = NamedControl<QGroupBox>(this, "currentPasswordGroup",
                                        QStringLiteral("The password that opens the files:"));
  typedPassword_ = NamedControl<QRadioButton>(group, "typedPasswordRadio", QStringLiteral("&Password:"));
  currentPassword_ = NamedControl<QLineEdit>(group, "currentPasswordEdit");
  currentPassword_->setEchoMode(QLineEdit::Password);
  currentPassword_->setAccessibleName(QStringLiteral("Current password"));
  currentPassword_->setToolTip(QStringLiteral(
      "The restrictions password of the files, or their open password when they restrict nothing."));
  ledger_ = NamedControl<QRadioButton>(group, "ledgerRadio", QStringLiteral("Password f&ile:"));
  ledgerPath_ = NamedControl<QLineEdit>(group, "ledgerPathEdit");
  ledgerPath_->setAccessibleName(QStringLiteral("Password file that opens the files"));
  ledgerPath_->setToolTip(QStringLiteral(
      "A .csv password file the batches wrote: each file is opened with the passwords of its lines, newest first."));
  browseLedger_ = Button(group, "browseLedgerButton", QStringLiteral("&Browse"));
  typedPassword_->setChecked(true);
  connect(browseLedger_, &QPushButton::clicked, this, &TProtectedFilesDialog::BrowseLedger);
  // Typing into a field chooses it.
  connect(currentPassword_, &QLineEdit::textEdited, typedPassword_, [this] { typedPassword_->setChecked(true); });
  connect(ledgerPath_, &QLineEdit::textEdited, ledger_, [this] { ledger_->setChecked(true); });
  auto* grid = new QGridLayout(group);
  grid->addWidget(typedPassword_, 0, 0);
  grid->addWidget(currentPassword_, 0, 1);
  grid->addWidget(ledger_, 1, 0);
  grid->addWidget(ledgerPath_, 1, 1);
  grid->addWidget(browseLedger_, 1, 2);
  grid->setColumnStretch(1, 1);
  return group;
}

QWidget* TProtectedFilesDialog::BuildOperationArea() {
  auto* group = NamedControl<QGroupBox>(this, "operationGroup", QStringLiteral("Make of each file:"));
  remove_ = NamedControl<QRadioButton>(group, "removeProtectionRadio", QStringLiteral("&Remove protection"));
  protectAgain_ = NamedControl<QRadioButton>(group, "protectAgainRadio",
                                             QStringLiteral("Protect a&gain with the main window's settings"));
  protectAgain_->setToolTip(QStringLiteral(
      "The level, passwords, permissions and password file chosen in the main window; the copies keep their names."));
  remove_->setChecked(true);
  auto* row = new QHBoxLayout(group);
  row->addWidget(remove_);
  row->addWidget(protectAgain_);
  row->addStretch();
  return group;
}

QLayout* TProtectedFilesDialog::BuildOutputArea() {
  auto* label = NamedControl<QLabel>(this, "outputPathLabel", QStringLiteral("Output Pat&h:"));
  outputFolder_ = NamedControl<QLineEdit>(this, "outputFolderEdit");
  label->setBuddy(outputFolder_);
  outputFolder_->setAccessibleName(QStringLiteral("Output Path"));
  outputFolder_->setPlaceholderText(QStringLiteral("An \"Unlocked\" folder beside the first file"));
  outputFolder_->setToolTip(QStringLiteral(
      "Where the copies go. Left empty, an \"Unlocked\" folder beside the first listed file, made when needed:\n"
      "the copies keep their names, so they cannot go beside the files themselves."));
  browseOutput_ = Button(this, "chooseOutputFolderButton", QStringLiteral("Sa&ve Path"));
  run_ = Button(this, "startButton", QStringLiteral("S&tart"));
  run_->setDefault(true);
  close_ = Button(this, "closeButton", QStringLiteral("&Close"));
  progressBar_ = NamedControl<QProgressBar>(this, "progressBar");
  progressBar_->setAccessibleName(QStringLiteral("Progress"));
  QSizePolicy keepPlace = progressBar_->sizePolicy();
  keepPlace.setRetainSizeWhenHidden(true);
  progressBar_->setSizePolicy(keepPlace);
  progressBar_->hide();
  auto* grid = new QGridLayout;
  grid->addWidget(label, 0, 0);
  grid->addWidget(outputFolder_, 0, 1);
  grid->addWidget(browseOutput_, 0, 2);
  grid->addWidget(run_, 0, 3);
  grid->addWidget(progressBar_, 1, 0, 1, 3);
  grid->addWidget(close_, 1, 3);
  grid->setColumnStretch(1, 1);
  connect(browseOutput_, &QPushButton::clicked, this, &TProtectedFilesDialog::BrowseOutputFolder);
  connect(run_, &QPushButton::clicked, this, &TProtectedFilesDialog::RunClick);
  connect(close_, &QPushButton::clicked, this, &TProtectedFilesDialog::CloseClick);
  return grid;
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
  worker_->setObjectName(QStringLiteral("batchWorker"));
  worker_->OnWork = [this](app::TBackgroundWorker& worker) { RunBatchOnWorker(worker, batchSettings_, batchNotes_); };
  worker_->OnWorkFeedback = [this](app::TBackgroundWorker&, int row, int status) {
    progress_->Apply(row, static_cast<app::TFileStatus>(status));
  };
  worker_->OnWorkComplete = [this](app::TBackgroundWorker&, bool cancelled) { WorkComplete(cancelled); };
  worker_->ShowError = [this](const std::u16string& message) {
    prompts_.ShowMessage(this, TMessageIcon::kError, windowTitle(), QString::fromStdU16String(message));
  };
}

QString TProtectedFilesDialog::DefaultOutputFolder() const {
  if (list_->rowCount() == 0) return {};
  return QFileInfo(list_->item(0, kColumnPath)->text()).dir().filePath(QStringLiteral("Unlocked"));
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
  const QString output = OutputFolderForRun();
  if (output.isEmpty()) return std::nullopt;
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
  settings->outputFolder = output.toStdU16String();
  settings->files = list_->Paths();
  return settings;
}

// The folder typed, or the default made when it is missing; empty, after telling why, when there is
// none to use.
QString TProtectedFilesDialog::OutputFolderForRun() {
  const QString typed = outputFolder_->text();
  if (!typed.trimmed().isEmpty()) return typed;
  const QString folder = DefaultOutputFolder();
  if (!QDir().mkpath(folder)) {
    Refuse(QStringLiteral("The folder \"%1\" cannot be made. Please select output path.").arg(folder), outputFolder_);
    return {};
  }
  return folder;
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
  close_->setText(running ? QStringLiteral("&Stop") : QStringLiteral("&Close"));
  UpdateButtons();
}

void TProtectedFilesDialog::WorkComplete(bool cancelled) {
  progress_->Finish();
  if (cancelled) list_->MarkNotStarted();
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

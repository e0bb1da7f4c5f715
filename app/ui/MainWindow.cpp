#include "app/ui/MainWindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QTimer>

#include <utility>

#include "app/core/BackgroundWorker.h"
#include "app/core/BooleanText.h"
#include "app/core/PasswordGenerator.h"
#include "app/core/SettingsStore.h"
#include "app/ui/AboutBox.h"
#include "app/ui/ActiveFormTracker.h"
#include "app/ui/CandidateInspection.h"
#include "app/ui/FileAdder.h"
#include "app/ui/HelpPage.h"
#include "app/ui/HelpWindow.h"
#include "app/ui/PasswordSettingsDialog.h"
#include "app/ui/PdfFolder.h"
#include "app/ui/ProtectedFilesDialog.h"
#include "app/ui/BatchSnapshot.h"
#include "app/ui/UserPrompts.h"
#include "app/ui/WindowPlacement.h"
#include "app/ui/WorkerBatchObserver.h"

namespace ombrelt::ui {

namespace {

// The caption of a message about an unexpected error: the program's own title.
const QString kErrorCaption = QStringLiteral("PDF Encryption");

// The level a first start offers: the strongest, which every current reader opens.
constexpr std::int32_t kDefaultLevel = 4;

}  // namespace

TMainWindow::TMainWindow(TUserPrompts& prompts)
    : QWidget(nullptr, Qt::Window),
      prompts_(prompts),
      controls_(BuildMainControls(*this)),
      activeForms_(new TActiveFormTracker(this)),
      adder_(new TFileAdder(this)),
      protectedFiles_(new TProtectedFilesDialog(
          prompts, [this] { return ProtectionSettings(); }, this)),
      stopTimer_(new QTimer(this)),
      progress_(*controls_.fileList, *controls_.progressBar, batchNotes_) {
  setObjectName(QStringLiteral("MainWindow"));
  setWindowTitle(QStringLiteral("PDF Encryption"));
  FitToContent();
  resize(minimumSize());
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  stopTimer_->setObjectName(QStringLiteral("stopTimer"));
  stopTimer_->setInterval(500);
  connect(stopTimer_, &QTimer::timeout, this, &TMainWindow::StopBatchAfterClose);
  activeForms_->Track(*this);
  connect(activeForms_, &TActiveFormTracker::FormActivated, this, [this](QWidget* form) {
    if (form == this) WindowActivated();
  });
  ConnectFileList();
  ConnectSettings();
  ConnectOutput();
  ConnectAdder();
  CreateWorker();
  RestoreSettings();
}

TMainWindow::~TMainWindow() { FinishBatchBeforeDestruction(*batchWorker_); }

void TMainWindow::SetDialogs(TAboutBox& about, TPasswordSettingsDialog& passwordSettings) {
  about_ = &about;
  passwordSettings_ = &passwordSettings;
  activeForms_->Track(about);
  activeForms_->Track(passwordSettings);
  // New generator settings make other passwords: the statuses of the last batch no longer tell.
  connect(&passwordSettings, &QDialog::accepted, this, &TMainWindow::SettingsChanged);
}

// 751 x 578 at the least; more when the desktop's font needs it.
void TMainWindow::FitToContent() {
  layout()->activate();
  setMinimumSize(layout()->minimumSize().expandedTo(QSize(kMainClientWidth, kMainClientHeight)));
}

bool TMainWindow::IsAddingFiles() const { return adder_->IsBusy(); }

void TMainWindow::ConnectFileList() {
  const TMainControls& c = controls_;
  connect(c.addFilesButton, &QPushButton::clicked, this, &TMainWindow::AddFiles);
  connect(c.addFolderButton, &QPushButton::clicked, this, &TMainWindow::AddFolder);
  connect(c.deleteFilesButton, &QPushButton::clicked, this, &TMainWindow::DeleteSelectedFiles);
  connect(c.fileList->selectionModel(), &QItemSelectionModel::selectionChanged, this, &TMainWindow::UpdateDeleteButton);
  connect(c.clearAllButton, &QPushButton::clicked, this, &TMainWindow::ClearAll);
  connect(c.fileList, &TFileList::Clicked, this, &TMainWindow::UpdateDeleteButton);
  connect(c.fileList, &TFileList::DeleteRequested, this, &TMainWindow::DeleteSelectedFiles);
  connect(c.fileList, &TFileList::PathsDropped, this,
          [this](const QStringList& paths) { AddCandidates(CandidatesOf(paths)); });
}

void TMainWindow::ConnectSettings() {
  const TMainControls& c = controls_;
  for (const std::int32_t level : {0, 1, 2, 4}) {
    connect(LevelButton(level), &QRadioButton::toggled, this,
            [this, level](bool checked) { LevelChosen(level, checked); });
  }
  connect(c.allowPrintingCheck, &QCheckBox::toggled, this, &TMainWindow::PrintingToggled);
  connect(c.openPasswordCheck, &QCheckBox::toggled, this, &TMainWindow::OpenPasswordToggled);
  connect(c.restrictionsPasswordCheck, &QCheckBox::toggled, this, &TMainWindow::RestrictionsPasswordToggled);
  connect(c.openPasswordAutoCheck, &QCheckBox::toggled, this, &TMainWindow::AutoCreateToggled);
  connect(c.restrictionsPasswordAutoCheck, &QCheckBox::toggled, this, &TMainWindow::AutoCreateToggled);
  connect(c.configureButton, &QPushButton::clicked, this, [this] { ShowCentred(*passwordSettings_); });
  connect(c.keepMetadataCheck, &QCheckBox::toggled, this, [](bool checked) {
    app::WriteRegs(QString::fromLatin1(app::setting::kCleartextMetadata),
                   QString::fromStdU16String(app::BoolToText(checked)));
  });
  ConnectSettingsChanges();
}

// Whatever changes the copies a batch would make: the statuses of the last batch no longer tell,
// and the outputs may clash anew.
void TMainWindow::ConnectSettingsChanges() {
  const TMainControls& c = controls_;
  for (QAbstractButton* button : std::initializer_list<QAbstractButton*>{
           c.level40BitRc4Radio, c.level128BitRc4Radio, c.level128BitAesRadio, c.level256BitAesRadio,
           c.keepMetadataCheck, c.openPasswordCheck, c.openPasswordAutoCheck, c.restrictionsPasswordCheck,
           c.restrictionsPasswordAutoCheck, c.highResolutionRadio, c.keepNameRadio}) {
    connect(button, &QAbstractButton::toggled, this, &TMainWindow::SettingsChanged);
  }
  for (QCheckBox* box : c.PermissionBoxes()) connect(box, &QCheckBox::toggled, this, &TMainWindow::SettingsChanged);
  for (QLineEdit* field : {c.suffixEdit, c.outputFolderEdit}) {
    connect(field, &QLineEdit::textChanged, this, &TMainWindow::SettingsChanged);
  }
  for (QLineEdit* field : {c.openPasswordEdit, c.restrictionsPasswordEdit}) {
    connect(field, &QLineEdit::textChanged, this, &TMainWindow::PasswordTextChanged);
  }
}

void TMainWindow::SettingsChanged() {
  if (batchWorker_ == nullptr || batchWorker_->IsWorking()) return;
  controls_.fileList->ClearStatuses();
  MarkOutputClashes();
}

// A password names no output: a key typed into a list without statuses has nothing to clear, and
// need not resolve every row's output again.
void TMainWindow::PasswordTextChanged() {
  const TFileList& list = *controls_.fileList;
  for (int row = 0; row < list.rowCount(); ++row) {
    if (!list.Status(row).isEmpty()) return SettingsChanged();
  }
}

// The desktop's font changed while the program runs: the layouts take the new sizes.
void TMainWindow::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::ApplicationFontChange) FitToContent();
}

void TMainWindow::ConnectOutput() {
  const TMainControls& c = controls_;
  connect(c.chooseOutputFolderButton, &QPushButton::clicked, this, &TMainWindow::ChooseOutputFolder);
  connect(c.openOutputFolderButton, &QPushButton::clicked, this, &TMainWindow::OpenOutputFolder);
  connect(c.encryptButton, &QPushButton::clicked, this, &TMainWindow::EncryptClicked);
  connect(c.helpLink, &TLinkLabel::clicked, this, &TMainWindow::ShowHelp);
  connect(c.aboutLink, &TLinkLabel::clicked, this, [this] { ShowCentred(*about_); });
  connect(c.protectedFilesLink, &TLinkLabel::clicked, this, &TMainWindow::ShowProtectedFiles);
}

void TMainWindow::ConnectAdder() {
  connect(adder_, &TFileAdder::Started, this, [this] {
    rowsBeforeAdding_ = controls_.fileList->rowCount();
    SetAdding(true);
  });
  connect(adder_, &TFileAdder::Finished, this, [this] {
    SetAdding(false);
    ShowRefusals();
    ShowNewOutputClashes();
  });
  connect(adder_, &TFileAdder::Progress, this, [this](int done, int total) {
    controls_.progressBar->setRange(0, total);
    controls_.progressBar->setValue(done);
  });
  connect(adder_, &TFileAdder::Accepted, this,
          [this](const QString& path, const QString& pages, const QString& notice) {
            controls_.fileList->AddRow(path, pages, notice);
            controls_.clearAllButton->setEnabled(true);
          });
  connect(adder_, &TFileAdder::Refused, this, &TMainWindow::CandidateRefused);
}

void TMainWindow::RestoreSettings() {
  controls_.outputFolderEdit->setText(app::ReadRegs(QString::fromLatin1(app::setting::kSavePath)));
  RestoreLevel();
  controls_.keepMetadataCheck->setChecked(app::ReadRegs(QString::fromLatin1(app::setting::kCleartextMetadata)) ==
                                          QString::fromStdU16String(app::BoolToText(true)));
}

// The level chosen last, or the strongest on a first start; a value no level has counts as none.
void TMainWindow::RestoreLevel() {
  bool number = false;
  const int stored = app::ReadRegs(QString::fromLatin1(app::setting::kLevel)).toInt(&number);
  QRadioButton* level = LevelButton(number ? stored : kDefaultLevel);
  (level != nullptr ? level : LevelButton(kDefaultLevel))->setChecked(true);
  ShowLevelDependents();
}

QRadioButton* TMainWindow::LevelButton(std::int32_t level) const {
  switch (level) {
    case 0:
      return controls_.level40BitRc4Radio;
    case 1:
      return controls_.level128BitRc4Radio;
    case 2:
      return controls_.level128BitAesRadio;
    case 4:
      return controls_.level256BitAesRadio;
    default:
      return nullptr;
  }
}

void TMainWindow::WindowActivated() {
  if (passwordSettings_ == nullptr) return;
  try {
    passwordSettings_->LoadSettings();
  } catch (const app::EConvertError& error) {
    ShowError(QString::fromUtf8(error.what()));
  }
}

void TMainWindow::ShowError(const QString& message) {
  prompts_.ShowMessage(this, TMessageIcon::kError, kErrorCaption, message);
}

void TMainWindow::ShowCentred(QDialog& dialog) {
  dialog.move(CentredOn(*this, dialog));
  prompts_.RunModal(dialog);
}

void TMainWindow::ShowProtectedFiles() { ShowCentred(*protectedFiles_); }

void TMainWindow::ShowHelp() {
  const QString page = HelpPagePath();
  if (prompts_.OpenWithShell(page)) return;
  // No program of the desktop opens it: the program shows it itself.
  if (helpWindow_ == nullptr) helpWindow_ = new THelpWindow(page, this);
  helpWindow_->show();
  helpWindow_->raise();
  helpWindow_->activateWindow();
}

void TMainWindow::OpenOutputFolder() {
  const QString folder = QString::fromStdU16String(app::TrimText(controls_.outputFolderEdit->text().toStdU16String()));
  QString problem;
  if (folder.isEmpty()) {
    problem = QStringLiteral("Please select output path.");
  } else if (!QFileInfo(folder).isDir()) {
    problem = QStringLiteral("The output folder \"%1\" does not exist.").arg(folder);
  } else if (!prompts_.OpenWithShell(folder)) {
    problem = QStringLiteral(
                  "No program of this desktop opens folders, so \"%1\" could not be shown. "
                  "Please open it in your file manager.")
                  .arg(folder);
  }
  if (problem.isEmpty()) return;
  prompts_.ShowMessage(this, TMessageIcon::kWarning, QStringLiteral("Warning"), problem);
  controls_.outputFolderEdit->setFocus();
}

std::optional<app::TBatchSettings> TMainWindow::ProtectionSettings() {
  if (const auto failure = app::ValidateNewProtection(ValidationInputOf(controls_, *passwordSettings_))) {
    prompts_.ShowMessage(protectedFiles_, TMessageIcon::kWarning, QString::fromStdU16String(failure->caption),
                         QString::fromStdU16String(failure->message) +
                             QStringLiteral("\n\nProtecting again uses the main window's settings: please "
                                            "correct them there."));
    return std::nullopt;
  }
  return TakeBatchSettings(controls_, *passwordSettings_);
}

void TMainWindow::AddFiles() { AddCandidates(prompts_.ChooseOpenFiles(this, QStringLiteral("PDF File (*.pdf)"))); }

void TMainWindow::AddFolder() {
  const QString folder = prompts_.ChooseFolder(this, QStringLiteral("Select pdf folder:"), QDir::homePath());
  if (!folder.isEmpty()) AddCandidates(PdfFolderEntries(folder));
}

void TMainWindow::AddCandidates(const QStringList& paths) { adder_->Enqueue(paths); }

void TMainWindow::SetAdding(bool adding) {
  // No batch may start on a list that is still growing.
  controls_.encryptButton->setEnabled(!adding);
  controls_.progressBar->setVisible(adding);
  if (!adding) controls_.progressBar->setValue(0);
}

void TMainWindow::CandidateRefused(const QString& path, const QString& reason) { refused_.append({path, reason}); }

void TMainWindow::ShowRefusals() { ui::ShowRefusals(prompts_, this, std::exchange(refused_, {})); }

void TMainWindow::DeleteSelectedFiles() {
  controls_.fileList->RemoveFile();
  const bool rowsRemain = controls_.fileList->rowCount() > 0;
  controls_.deleteFilesButton->setEnabled(rowsRemain);
  controls_.clearAllButton->setEnabled(rowsRemain);
  MarkOutputClashes();
}

void TMainWindow::ClearAll() {
  controls_.fileList->setRowCount(0);
  controls_.clearAllButton->setEnabled(false);
  controls_.deleteFilesButton->setEnabled(false);
}

void TMainWindow::UpdateDeleteButton() {
  controls_.deleteFilesButton->setEnabled(controls_.fileList->HasSelectedRow());
}

void TMainWindow::ShowLevelDependents() {
  // 40-bit RC4 cannot express the extended permissions or the print quality; every other level,
  // 256-bit AES included, applies them. Hidden boxes keep their state, and the batch reads them all
  // the same.
  const bool extended = !controls_.level40BitRc4Radio->isChecked();
  controls_.extendedPermissionRow->setVisible(extended);
  controls_.highResolutionRadio->setVisible(extended);
  controls_.lowResolutionRadio->setVisible(extended);
  controls_.weakLevelLabel->setVisible(controls_.level40BitRc4Radio->isChecked() ||
                                       controls_.level128BitRc4Radio->isChecked());
}

void TMainWindow::LevelChosen(std::int32_t level, bool checked) {
  if (!checked) return;
  ShowLevelDependents();
  app::WriteRegs(QString::fromLatin1(app::setting::kLevel), QString::number(level));
}

void TMainWindow::PrintingToggled(bool checked) {
  controls_.highResolutionRadio->setEnabled(checked);
  controls_.lowResolutionRadio->setEnabled(checked);
}

void TMainWindow::OpenPasswordToggled(bool checked) {
  controls_.openPasswordEdit->setEnabled(checked);
  controls_.openPasswordAutoCheck->setEnabled(checked);
  if (checked) controls_.openPasswordEdit->setFocus();
}

void TMainWindow::RestrictionsPasswordToggled(bool checked) {
  controls_.restrictionsPasswordEdit->setEnabled(checked);
  controls_.restrictionsPasswordAutoCheck->setEnabled(checked);
  for (QCheckBox* box : controls_.PermissionBoxes()) box->setEnabled(checked);
  if (checked) controls_.restrictionsPasswordEdit->setFocus();
}

void TMainWindow::AutoCreateToggled() {
  controls_.configureButton->setEnabled(controls_.openPasswordAutoCheck->isChecked() ||
                                        controls_.restrictionsPasswordAutoCheck->isChecked());
}

void TMainWindow::ChooseOutputFolder() {
  const QString folder = prompts_.ChooseFolder(this, QStringLiteral("Select output Path:"), QString());
  if (folder.isEmpty()) return;
  controls_.outputFolderEdit->setText(folder);
  app::WriteRegs(QString::fromLatin1(app::setting::kSavePath), folder);
}

}  // namespace ombrelt::ui

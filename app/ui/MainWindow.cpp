#include "app/ui/MainWindow.h"

#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>

#include <utility>

#include "app/core/BackgroundWorker.h"
#include "app/core/PasswordGenerator.h"
#include "app/core/SettingsStore.h"
#include "app/ui/AboutBox.h"
#include "app/ui/ActiveFormTracker.h"
#include "app/ui/CandidateInspection.h"
#include "app/ui/ColourContrast.h"
#include "app/ui/FileAdder.h"
#include "app/ui/HelpPage.h"
#include "app/ui/PasswordSettingsDialog.h"
#include "app/ui/PdfFolder.h"
#include "app/ui/ProtectedFilesDialog.h"
#include "app/ui/BatchSnapshot.h"
#include "app/ui/UserPrompts.h"
#include "app/ui/WindowPlacement.h"
#include "app/ui/WorkerBatchObserver.h"

namespace ombrelt::ui {

namespace {

// The caption of a message about an unexpected error, as the runtime shows one.
const QString kErrorCaption = QStringLiteral("PDF Encryption");

// The window's picture: a quiet gradient behind the panels, light or dark as the desktop is, so
// that the palette's text colours stay readable on it.
void PaintBackground(QWidget& form) {
  const bool dark = IsDark(QGuiApplication::palette().color(QPalette::Window));
  QLinearGradient gradient(0, 0, 0, 1);
  gradient.setCoordinateMode(QGradient::ObjectMode);
  gradient.setColorAt(0, dark ? QColor(0x34, 0x3b, 0x47) : QColor(0xee, 0xf3, 0xfa));
  gradient.setColorAt(1, dark ? QColor(0x26, 0x2c, 0x36) : QColor(0xcf, 0xdc, 0xee));
  QPalette palette = form.palette();
  palette.setBrush(QPalette::Window, gradient);
  form.setPalette(palette);
  form.setAutoFillBackground(true);
  const QString panel = dark ? QStringLiteral("background: rgba(255, 255, 255, 16); border: 1px solid #56647a;")
                             : QStringLiteral("background: rgba(255, 255, 255, 150); border: 1px solid #a9b8cf;");
  form.setStyleSheet(QStringLiteral("QFrame#Panel3, QFrame#Panel1, QFrame#Panel8, QFrame#Panel2, QFrame#Panel4 { ") +
                     panel + QStringLiteral(" border-radius: 5px; }"));
}

// Laid out in pixels at 96 dots per inch: a fixed font size keeps every caption inside its control.
void FixFont(QWidget& form) {
  QFont font = form.font();
  font.setPixelSize(12);
  form.setFont(font);
}

}  // namespace

TForm1::TForm1(TUserPrompts& prompts)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                           Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      prompts_(prompts),
      controls_(BuildMainControls(*this)),
      activeForms_(new TActiveFormTracker(this)),
      adder_(new TFileAdder(this)),
      protectedFiles_(new TProtectedFilesDialog(prompts, [this] { return ProtectionSettings(); }, this)),
      TimerStop_(new QTimer(this)),
      progress_(*controls_.ListView1, *controls_.ProgressBar1, batchNotes_) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(QStringLiteral("PDF Encryption"));
  setFixedSize(kMainClientWidth, kMainClientHeight);
  FixFont(*this);
  PaintBackground(*this);
  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    move(screen->availableGeometry().center() - rect().center());
  }
  TimerStop_->setObjectName(QStringLiteral("TimerStop"));
  TimerStop_->setInterval(500);
  connect(TimerStop_, &QTimer::timeout, this, &TForm1::TimerStopTimer);
  activeForms_->Track(*this);
  connect(activeForms_, &TActiveFormTracker::FormActivated, this, [this](QWidget* form) {
    if (form == this) FormActivate();
  });
  ConnectFileList();
  ConnectSettings();
  ConnectOutput();
  ConnectAdder();
  CreateWorker();
  FormCreate();
}

TForm1::~TForm1() { FinishBatchBeforeDestruction(*BgWEncryptPDF_); }

void TForm1::SetDialogs(TForm6& about, TFrmPwd& passwordSettings) {
  about_ = &about;
  passwordSettings_ = &passwordSettings;
  activeForms_->Track(about);
  activeForms_->Track(passwordSettings);
}

bool TForm1::IsAddingFiles() const { return adder_->IsBusy(); }

void TForm1::ConnectFileList() {
  const TMainControls& c = controls_;
  connect(c.BitBtnAddFiles, &QPushButton::clicked, this, &TForm1::AddFiles);
  connect(c.BitBtnAddFolder, &QPushButton::clicked, this, &TForm1::AddFolder);
  connect(c.BitBtnDeleteFile, &QPushButton::clicked, this, &TForm1::BitBtnDeleteFileClick);
  connect(c.BitBtnClearAll, &QPushButton::clicked, this, &TForm1::BitBtnClearAllClick);
  connect(c.ListView1, &TFileList::Clicked, this, &TForm1::ListView1Click);
  connect(c.ListView1, &TFileList::DeleteRequested, this, &TForm1::BitBtnDeleteFileClick);
  connect(c.ListView1, &TFileList::PathsDropped, this,
          [this](const QStringList& paths) { AddCandidates(CandidatesOf(paths)); });
}

void TForm1::ConnectSettings() {
  const TMainControls& c = controls_;
  for (QRadioButton* level : {c.RadioButton40Bit, c.RadioButton128BitRC4, c.RadioButton128BitAES,
                              c.RadioButton256BitAES}) {
    connect(level, &QRadioButton::toggled, this, &TForm1::LevelClick);
  }
  connect(c.CheckBoxAllwPrint, &QCheckBox::toggled, this, &TForm1::CheckBoxAllwPrintClick);
  connect(c.CheckBoxOpenpassword, &QCheckBox::toggled, this, &TForm1::CheckBoxOpenpasswordClick);
  connect(c.CheckBoxRestrictions, &QCheckBox::toggled, this, &TForm1::CheckBoxRestrictionsClick);
  connect(c.CheckboxUserAuto, &QCheckBox::toggled, this, &TForm1::AutoClick);
  connect(c.CheckboxOwnerAuto, &QCheckBox::toggled, this, &TForm1::AutoClick);
  connect(c.BitBtnPwdSettings, &QPushButton::clicked, this, [this] { ShowCentred(*passwordSettings_); });
  // The password captions are labels beside their boxes; a click on one ticks or clears its box,
  // as on a check box's own text. The labels are grey (disabled) while their box is clear, so the
  // click is taken from the panel, which receives it then.
  c.Panel8->installEventFilter(this);
}

// The desktop's theme changed while the program runs.
void TForm1::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::ApplicationPaletteChange) PaintBackground(*this);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
  if (watched == controls_.Panel8 && event->type() == QEvent::MouseButtonRelease) {
    const auto* release = static_cast<QMouseEvent*>(event);
    const QPoint at = release->position().toPoint();
    if (release->button() == Qt::LeftButton && controls_.Panel8->isEnabled()) {
      if (controls_.LabelOpenpass->geometry().contains(at)) controls_.CheckBoxOpenpassword->toggle();
      if (controls_.LabelOwnerpass->geometry().contains(at)) controls_.CheckBoxRestrictions->toggle();
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TForm1::ConnectOutput() {
  const TMainControls& c = controls_;
  connect(c.BitBtnSavePath, &QPushButton::clicked, this, &TForm1::BitBtnSavePathClick);
  connect(c.BitBtnOpen, &QPushButton::clicked, this,
          [this] { prompts_.OpenWithShell(controls_.EditSavePath->text()); });
  connect(c.BitBtnEncryptPdf, &QPushButton::clicked, this, &TForm1::BitBtnEncryptPdfClick);
  connect(c.Label10, &TLinkLabel::clicked, this, [this] { prompts_.OpenWithShell(HelpPagePath()); });
  connect(c.LabelAbout, &TLinkLabel::clicked, this, [this] { ShowCentred(*about_); });
  connect(c.LabelProtected, &TLinkLabel::clicked, this, &TForm1::ShowProtectedFiles);
}

void TForm1::ConnectAdder() {
  connect(adder_, &TFileAdder::Started, this, [this] { SetAdding(true); });
  connect(adder_, &TFileAdder::Finished, this, [this] {
    SetAdding(false);
    ShowRefusals();
  });
  connect(adder_, &TFileAdder::Progress, this, [this](int done, int total) {
    controls_.ProgressBar1->setRange(0, total);
    controls_.ProgressBar1->setValue(done);
  });
  connect(adder_, &TFileAdder::Accepted, this,
          [this](const QString& path, const QString& pages, const QString& notice) {
            controls_.ListView1->AddRow(path, pages, notice);
            controls_.BitBtnClearAll->setEnabled(true);
          });
  connect(adder_, &TFileAdder::Refused, this, &TForm1::CandidateRefused);
}

void TForm1::FormCreate() {
  controls_.EditSavePath->setText(app::ReadRegs(QString::fromLatin1(app::setting::kSavePath)));
}

void TForm1::FormActivate() {
  if (passwordSettings_ == nullptr) return;
  try {
    passwordSettings_->LoadSettings();
  } catch (const app::EConvertError& error) {
    ShowError(QString::fromUtf8(error.what()));
  }
}

void TForm1::ShowError(const QString& message) {
  prompts_.ShowMessage(this, TMessageIcon::kError, kErrorCaption, message);
}

void TForm1::ShowCentred(QDialog& dialog) {
  dialog.move(CentredOn(*this, dialog));
  prompts_.RunModal(dialog);
}

void TForm1::ShowProtectedFiles() {
  protectedFiles_->OfferOutputFolder(controls_.EditSavePath->text());
  ShowCentred(*protectedFiles_);
}

std::optional<app::TBatchSettings> TForm1::ProtectionSettings() {
  if (const auto failure = app::ValidateNewProtection(ValidationInputOf(controls_, *passwordSettings_))) {
    prompts_.ShowMessage(protectedFiles_, TMessageIcon::kWarning, QString::fromStdU16String(failure->caption),
                         QString::fromStdU16String(failure->message) +
                             QStringLiteral("\n\nProtecting again uses the main window's settings: please "
                                            "correct them there."));
    return std::nullopt;
  }
  return TakeBatchSettings(controls_, *passwordSettings_);
}

void TForm1::AddFiles() { AddCandidates(prompts_.ChooseOpenFiles(this, QStringLiteral("PDF File (*.pdf)"))); }

void TForm1::AddFolder() {
  const QString folder = prompts_.ChooseFolder(this, QStringLiteral("Select pdf folder:"), QDir::homePath());
  if (!folder.isEmpty()) AddCandidates(PdfFolderEntries(folder));
}

void TForm1::AddCandidates(const QStringList& paths) { adder_->Enqueue(paths); }

void TForm1::SetAdding(bool adding) {
  // No batch may start on a list that is still growing.
  controls_.BitBtnEncryptPdf->setEnabled(!adding);
  controls_.ProgressBar1->setVisible(adding);
  if (!adding) controls_.ProgressBar1->setValue(0);
}

void TForm1::CandidateRefused(const QString& path, const QString& reason) { refused_.append({path, reason}); }

void TForm1::ShowRefusals() { ui::ShowRefusals(prompts_, this, std::exchange(refused_, {})); }

void TForm1::BitBtnDeleteFileClick() {
  controls_.ListView1->RemoveFile();
  const bool rowsRemain = controls_.ListView1->rowCount() > 0;
  controls_.BitBtnDeleteFile->setEnabled(rowsRemain);
  controls_.BitBtnClearAll->setEnabled(rowsRemain);
}

void TForm1::BitBtnClearAllClick() {
  controls_.ListView1->setRowCount(0);
  controls_.BitBtnClearAll->setEnabled(false);
  controls_.BitBtnDeleteFile->setEnabled(false);
}

void TForm1::ListView1Click() { controls_.BitBtnDeleteFile->setEnabled(controls_.ListView1->HasSelectedRow()); }

void TForm1::LevelClick() {
  // 40-bit RC4 cannot express the extended permissions or the print quality. Hidden boxes keep
  // their state, and the batch reads them all the same.
  const bool extended = !controls_.RadioButton40Bit->isChecked();
  controls_.Panel7->setVisible(extended);
  controls_.RadioButtonHighResolution->setVisible(extended);
  controls_.RadioButtonLowResolution->setVisible(extended);
}

void TForm1::CheckBoxAllwPrintClick(bool checked) {
  controls_.RadioButtonHighResolution->setEnabled(checked);
  controls_.RadioButtonLowResolution->setEnabled(checked);
}

void TForm1::CheckBoxOpenpasswordClick(bool checked) {
  controls_.LabelOpenpass->setEnabled(checked);
  controls_.EditUser->setEnabled(checked);
  controls_.CheckboxUserAuto->setEnabled(checked);
  if (checked) controls_.EditUser->setFocus();
}

void TForm1::CheckBoxRestrictionsClick(bool checked) {
  controls_.LabelOwnerpass->setEnabled(checked);
  controls_.EditOwner->setEnabled(checked);
  controls_.CheckboxOwnerAuto->setEnabled(checked);
  for (QCheckBox* box : controls_.PermissionBoxes()) box->setEnabled(checked);
  if (checked) controls_.EditOwner->setFocus();
}

void TForm1::AutoClick() {
  controls_.BitBtnPwdSettings->setEnabled(controls_.CheckboxUserAuto->isChecked() ||
                                          controls_.CheckboxOwnerAuto->isChecked());
}

void TForm1::BitBtnSavePathClick() {
  const QString folder = prompts_.ChooseFolder(this, QStringLiteral("Select output Path:"), QString());
  if (folder.isEmpty()) return;
  controls_.EditSavePath->setText(folder);
  app::WriteRegs(QString::fromLatin1(app::setting::kSavePath), folder);
}

}  // namespace ombrelt::ui

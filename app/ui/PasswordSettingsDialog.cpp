#include "app/ui/PasswordSettingsDialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include "app/core/BooleanText.h"
#include "app/core/SettingsStore.h"
#include "app/ui/PlaceControl.h"
#include "app/ui/UserPrompts.h"

namespace ombrelt::ui {

namespace {

constexpr int kClientWidth = 486;
constexpr int kClientHeight = 399;

QString Name(const char* base, const char* suffix) { return QString::fromLatin1(base) + QString::fromLatin1(suffix); }

}  // namespace

TFrmPwd::TFrmPwd(TUserPrompts& prompts, QWidget* parent) : QDialog(parent), prompts_(prompts) {
  setObjectName(QStringLiteral("FrmPwd"));
  setWindowTitle(QStringLiteral("Password Settings"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  setFixedSize(kClientWidth, kClientHeight);
  user_ = BuildGeneratorGroup(QStringLiteral("User Password Settings"), {10, 10, 228, 190}, "", "Label3");
  owner_ = BuildGeneratorGroup(QStringLiteral("Owner Password Settings"), {248, 10, 228, 190}, "O", "Label1");
  BuildPasswordFileGroup();
  BuildButtons();
}

TFrmPwd::TGeneratorGroup TFrmPwd::BuildGeneratorGroup(const QString& caption, QRect geometry, const char* suffix,
                                                      const char* labelName) {
  auto* group = PlaceControl<QGroupBox>(this, Name("GroupBoxGenerator", suffix), geometry, caption);
  TGeneratorGroup controls{};
  controls.alphabet = PlaceControl<QCheckBox>(group, Name("CheckboxAlphabet", suffix), {12, 28, 210, 22},
                                       QStringLiteral("Alphabate characters (A-Z)"));
  controls.numeric = PlaceControl<QCheckBox>(group, Name("CheckboxNumeric", suffix), {12, 54, 210, 22},
                                      QStringLiteral("Numeric characters (0-9)"));
  controls.specialChar = PlaceControl<QCheckBox>(group, Name("CheckboxSpecialChar", suffix), {12, 80, 210, 22},
                                          QStringLiteral("Special characters (!?/*+-@#$)"));
  controls.lowerCase = PlaceControl<QCheckBox>(group, Name("CheckboxLowerCase", suffix), {12, 106, 210, 22},
                                        QStringLiteral("Lower case passwords"));
  PlaceControl<QLabel>(group, QString::fromLatin1(labelName), {12, 142, 110, 24}, QStringLiteral("Password Length:"));
  controls.charLength = PlaceControl<QLineEdit>(group, Name("editCharLength", suffix), {125, 142, 70, 24});
  controls.charLength->setMaxLength(5);
  controls.charLength->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), controls.charLength));
  controls.charLength->setText(QStringLiteral("8"));
  controls.charLength->setAccessibleName(caption + QStringLiteral(": password length"));
  controls.alphabet->setChecked(true);
  controls.numeric->setChecked(true);
  controls.alphabet->setToolTip(QStringLiteral("Capital letters, without I and O, which read like 1 and 0."));
  controls.specialChar->setToolTip(QStringLiteral("Some readers and keyboards make these hard to type."));
  return controls;
}

void TFrmPwd::BuildPasswordFileGroup() {
  auto* group = PlaceControl<QGroupBox>(this, QStringLiteral("GroupBoxLog"), {10, 210, 466, 120},
                                 QStringLiteral("Password file:"));
  PlaceControl<QLabel>(group, QStringLiteral("Label2"), {12, 30, 86, 24}, QStringLiteral("Choose file:"));
  editLogPath_ = PlaceControl<QLineEdit>(group, QStringLiteral("editLogPath"), {100, 30, 354, 24});
  editLogPath_->setAccessibleName(QStringLiteral("Password file"));
  editLogPath_->setToolTip(QStringLiteral(
      "A .csv file in an existing folder. Every batch with an \"Auto create\" option adds one line per encrypted\n"
      "file: its name, its open password, its restrictions password and its path. Keep it safe."));
  auto* browse = PlaceControl<QPushButton>(group, QStringLiteral("BitBtnBrowseLog"), {100, 68, 100, 30},
                                    QStringLiteral("Browse"));
  auto* open =
      PlaceControl<QPushButton>(group, QStringLiteral("BitBtnOpenLog"), {210, 68, 100, 30}, QStringLiteral("Open"));
  connect(browse, &QPushButton::clicked, this, &TFrmPwd::BitBtnBrowseLogClick);
  connect(open, &QPushButton::clicked, this, &TFrmPwd::BitBtnOpenLogClick);
}

void TFrmPwd::BuildButtons() {
  auto* ok = PlaceControl<QPushButton>(this, QStringLiteral("BitBtnOk"), {290, 354, 90, 32}, QStringLiteral("OK"));
  auto* cancel = PlaceControl<QPushButton>(this, QStringLiteral("BitBtnCancel"), {386, 354, 90, 32},
                                    QStringLiteral("Cancel"));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &TFrmPwd::BitBtnOkClick);
  connect(cancel, &QPushButton::clicked, this, &TFrmPwd::BitBtnCancelClick);
}

std::vector<TFrmPwd::TStoredControl> TFrmPwd::StoredControls() const {
  using namespace app::setting;
  return {
      {kUserNumeric, user_.numeric, nullptr},         {kUserSpecialChar, user_.specialChar, nullptr},
      {kUserPwdLength, nullptr, user_.charLength},    {kUserLowerCase, user_.lowerCase, nullptr},
      {kUserAlphabet, user_.alphabet, nullptr},       {kOwnerNumeric, owner_.numeric, nullptr},
      {kOwnerSpecialChar, owner_.specialChar, nullptr}, {kOwnerPwdLength, nullptr, owner_.charLength},
      {kOwnerLowerCase, owner_.lowerCase, nullptr},   {kOwnerAlphabet, owner_.alphabet, nullptr},
      {kLogPath, nullptr, editLogPath_},
  };
}

app::TGeneratorSettings TFrmPwd::GeneratorOf(const TGeneratorGroup& group) {
  app::TGeneratorSettings settings;
  settings.lengthText = group.charLength->text().toStdU16String();
  settings.numeric = group.numeric->isChecked();
  settings.alphabet = group.alphabet->isChecked();
  settings.specialCharacters = group.specialChar->isChecked();
  settings.lowerCase = group.lowerCase->isChecked();
  return settings;
}

app::TGeneratorSettings TFrmPwd::UserGenerator() const { return GeneratorOf(user_); }

app::TGeneratorSettings TFrmPwd::OwnerGenerator() const { return GeneratorOf(owner_); }

QString TFrmPwd::LogPath() const { return editLogPath_->text(); }

void TFrmPwd::LoadSettings() {
  for (const TStoredControl& stored : StoredControls()) {
    const QString text = app::ReadRegs(QString::fromLatin1(stored.name));
    if (text.isEmpty()) continue;
    if (stored.box != nullptr) {
      stored.box->setChecked(app::TextToBool(text.toStdU16String()));
    } else {
      stored.field->setText(text);
    }
  }
}

void TFrmPwd::BitBtnOkClick() {
  // The controls keep what the user typed; the store gets it trimmed.
  for (const TStoredControl& stored : StoredControls()) {
    const std::u16string text = stored.box != nullptr ? app::BoolToText(stored.box->isChecked())
                                                      : app::TrimText(stored.field->text().toStdU16String());
    app::WriteRegs(QString::fromLatin1(stored.name), QString::fromStdU16String(text));
  }
  accept();
}

void TFrmPwd::BitBtnCancelClick() { reject(); }

void TFrmPwd::BitBtnBrowseLogClick() {
  // The suffix ".csv", not ".txt": the batch accepts only a .csv password file.
  const QString chosen =
      prompts_.ChooseSaveFile(this, QStringLiteral("CSV File (*.csv)"), QStringLiteral("Report"),
                              QStringLiteral("csv"));
  if (!chosen.isEmpty()) editLogPath_->setText(chosen);
}

void TFrmPwd::BitBtnOpenLogClick() { prompts_.OpenWithShell(editLogPath_->text()); }

}  // namespace ombrelt::ui

#include "app/ui/PasswordSettingsDialog.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

#include <string>

#include "app/core/BooleanText.h"
#include "app/core/SettingsStore.h"
#include "app/ui/NamedControl.h"
#include "app/ui/PasswordFileCheck.h"
#include "app/ui/UserPrompts.h"

namespace ombrelt::ui {

namespace {

constexpr int kShortestLength = 4;
constexpr int kLongestLength = 99;
constexpr int kAdvisedLength = 8;

// "userAlphabetCheck", "ownerLengthEdit": the side, then what the control is.
const char* Name(const char* side, const char* control, std::string& storage) {
  storage = std::string(side) + control;
  return storage.c_str();
}

}  // namespace

// The two groups' captions, each with a mnemonic of its own.
struct TPasswordSettingsDialog::TMnemonics {
  const char* alphabet;
  const char* numeric;
  const char* special;
  const char* lowerCase;
  const char* length;
};

TPasswordSettingsDialog::TPasswordSettingsDialog(TUserPrompts& prompts, QWidget* parent)
    : QDialog(parent), prompts_(prompts) {
  setObjectName(QStringLiteral("PasswordSettingsDialog"));
  setWindowTitle(QStringLiteral("Password Settings"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
  user_ = BuildGeneratorGroup(QStringLiteral("User Password Settings"), "user",
                              {"&Alphabetic characters (A-Z)", "&Numeric characters (0-9)",
                               "&Special characters (!?/*+-@#$)", "&Lower case passwords", "Password Len&gth:"});
  owner_ = BuildGeneratorGroup(QStringLiteral("Owner Password Settings"), "owner",
                               {"Alp&habetic characters (A-Z)", "Nu&meric characters (0-9)",
                                "Sp&ecial characters (!?/*+-@#$)", "Lo&wer case passwords", "Passwo&rd Length:"});
  auto* groups = new QHBoxLayout;
  groups->addWidget(user_.box);
  groups->addWidget(owner_.box);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(groups);
  layout->addWidget(BuildPasswordFileGroup());
  layout->addStretch();
  layout->addLayout(BuildButtons());
  // Sized from its content at the desktop's font, and no smaller.
  layout->setSizeConstraint(QLayout::SetMinimumSize);
}

TPasswordSettingsDialog::TGeneratorGroup TPasswordSettingsDialog::BuildGeneratorGroup(const QString& caption,
                                                                                      const char* side,
                                                                                      const TMnemonics& captions) {
  std::string name;
  auto* group = NamedControl<QGroupBox>(this, Name(side, "GeneratorGroup", name), caption);
  TGeneratorGroup controls{};
  controls.side = QString::fromLatin1(side);
  controls.box = group;
  controls.alphabet =
      NamedControl<QCheckBox>(group, Name(side, "AlphabetCheck", name), QString::fromLatin1(captions.alphabet));
  controls.numeric =
      NamedControl<QCheckBox>(group, Name(side, "NumericCheck", name), QString::fromLatin1(captions.numeric));
  controls.specialChar =
      NamedControl<QCheckBox>(group, Name(side, "SpecialCheck", name), QString::fromLatin1(captions.special));
  controls.lowerCase =
      NamedControl<QCheckBox>(group, Name(side, "LowerCaseCheck", name), QString::fromLatin1(captions.lowerCase));
  auto* lengthLabel =
      NamedControl<QLabel>(group, Name(side, "LengthLabel", name), QString::fromLatin1(captions.length));
  controls.charLength = NamedControl<QLineEdit>(group, Name(side, "LengthEdit", name));
  controls.charLength->setMaxLength(2);
  controls.charLength->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), controls.charLength));
  controls.charLength->setText(QStringLiteral("8"));
  controls.charLength->setAccessibleName(caption + QStringLiteral(": password length"));
  controls.charLength->setToolTip(QStringLiteral("From 4 to 99 characters."));
  lengthLabel->setBuddy(controls.charLength);
  controls.shortNote = NamedControl<QLabel>(group, Name(side, "ShortLengthLabel", name),
                                            QStringLiteral("Under 8 characters, passwords are easy to guess."));
  controls.shortNote->setWordWrap(true);
  controls.shortNote->hide();
  QLabel* note = controls.shortNote;
  connect(controls.charLength, &QLineEdit::textChanged, note, [note](const QString& text) {
    bool number = false;
    const int length = text.trimmed().toInt(&number);
    note->setVisible(number && length < kAdvisedLength);
  });
  controls.alphabet->setChecked(true);
  controls.numeric->setChecked(true);
  controls.alphabet->setToolTip(QStringLiteral("Capital letters, without I and O, which read like 1 and 0."));
  controls.specialChar->setToolTip(QStringLiteral("Some readers and keyboards make these hard to type."));
  auto* grid = new QGridLayout(group);
  int row = 0;
  for (QWidget* box :
       std::initializer_list<QWidget*>{controls.alphabet, controls.numeric, controls.specialChar, controls.lowerCase}) {
    grid->addWidget(box, row++, 0, 1, 2);
  }
  grid->addWidget(lengthLabel, row, 0);
  grid->addWidget(controls.charLength, row++, 1);
  grid->addWidget(controls.shortNote, row, 0, 1, 2);
  grid->setColumnStretch(1, 1);
  return controls;
}

QWidget* TPasswordSettingsDialog::BuildPasswordFileGroup() {
  auto* group = NamedControl<QGroupBox>(this, "passwordFileGroup", QStringLiteral("Password file:"));
  auto* label = NamedControl<QLabel>(group, "passwordFileLabel", QStringLiteral("Choose &file:"));
  passwordFileEdit_ = NamedControl<QLineEdit>(group, "passwordFileEdit");
  label->setBuddy(passwordFileEdit_);
  passwordFileEdit_->setAccessibleName(QStringLiteral("Password file"));
  passwordFileEdit_->setMinimumWidth(passwordFileEdit_->fontMetrics().averageCharWidth() * 40);
  passwordFileEdit_->setToolTip(QStringLiteral(
      "A .csv file in an existing folder. Every batch with an \"Auto create\" option adds one line per encrypted\n"
      "file: its name, its open password, its restrictions password and its path. Keep it safe."));
  auto* browse = NamedControl<QPushButton>(group, "browsePasswordFileButton", QStringLiteral("&Browse"));
  auto* open = NamedControl<QPushButton>(group, "openPasswordFileButton", QStringLiteral("O&pen"));
  connect(browse, &QPushButton::clicked, this, &TPasswordSettingsDialog::BrowsePasswordFile);
  connect(open, &QPushButton::clicked, this, &TPasswordSettingsDialog::OpenPasswordFile);
  auto* grid = new QGridLayout(group);
  grid->addWidget(label, 0, 0);
  grid->addWidget(passwordFileEdit_, 0, 1, 1, 3);
  grid->addWidget(browse, 1, 1);
  grid->addWidget(open, 1, 2);
  grid->setColumnStretch(3, 1);
  return group;
}

QLayout* TPasswordSettingsDialog::BuildButtons() {
  auto* ok = NamedControl<QPushButton>(this, "okButton", QStringLiteral("&OK"));
  auto* cancel = NamedControl<QPushButton>(this, "cancelButton", QStringLiteral("&Cancel"));
  // Enter presses OK from any field; on a focused button, that button.
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &TPasswordSettingsDialog::OkClicked);
  connect(cancel, &QPushButton::clicked, this, &TPasswordSettingsDialog::CancelClicked);
  auto* row = new QHBoxLayout;
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);
  return row;
}

std::vector<TPasswordSettingsDialog::TStoredControl> TPasswordSettingsDialog::StoredControls() const {
  using namespace app::setting;
  return {
      {kUserNumeric, user_.numeric, nullptr},           {kUserSpecialChar, user_.specialChar, nullptr},
      {kUserPwdLength, nullptr, user_.charLength},      {kUserLowerCase, user_.lowerCase, nullptr},
      {kUserAlphabet, user_.alphabet, nullptr},         {kOwnerNumeric, owner_.numeric, nullptr},
      {kOwnerSpecialChar, owner_.specialChar, nullptr}, {kOwnerPwdLength, nullptr, owner_.charLength},
      {kOwnerLowerCase, owner_.lowerCase, nullptr},     {kOwnerAlphabet, owner_.alphabet, nullptr},
      {kLogPath, nullptr, passwordFileEdit_},
  };
}

app::TGeneratorSettings TPasswordSettingsDialog::GeneratorOf(const TGeneratorGroup& group) {
  app::TGeneratorSettings settings;
  settings.lengthText = group.charLength->text().toStdU16String();
  settings.numeric = group.numeric->isChecked();
  settings.alphabet = group.alphabet->isChecked();
  settings.specialCharacters = group.specialChar->isChecked();
  settings.lowerCase = group.lowerCase->isChecked();
  return settings;
}

app::TGeneratorSettings TPasswordSettingsDialog::UserGenerator() const { return GeneratorOf(user_); }

app::TGeneratorSettings TPasswordSettingsDialog::OwnerGenerator() const { return GeneratorOf(owner_); }

QString TPasswordSettingsDialog::PasswordFilePath() const { return passwordFileEdit_->text(); }

void TPasswordSettingsDialog::LoadSettings() {
  for (const TStoredControl& stored : StoredControls()) {
    const QString text = app::ReadRegs(QString::fromLatin1(stored.name));
    if (text.isEmpty()) continue;
    if (stored.box != nullptr) {
      stored.box->setChecked(app::TextToBool(text.toStdU16String()));
    } else if (text.size() > stored.field->maxLength()) {
      // Only a length field is that short: a longer stored length is held to the longest one, not
      // cut to its first digits.
      stored.field->setText(QString::number(kLongestLength));
    } else {
      stored.field->setText(text);
    }
  }
}

bool TPasswordSettingsDialog::GeneratorIsUsable(const TGeneratorGroup& group) {
  bool number = false;
  const int length = group.charLength->text().trimmed().toInt(&number);
  if (!number || length < kShortestLength || length > kLongestLength) {
    Refuse(QStringLiteral("The %1 password length must be a number from %2 to %3.")
               .arg(group.side)
               .arg(kShortestLength)
               .arg(kLongestLength),
           group.charLength);
    return false;
  }
  if (!group.alphabet->isChecked() && !group.numeric->isChecked() && !group.specialChar->isChecked()) {
    Refuse(QStringLiteral("Please choose at least one kind of character for the %1 passwords.").arg(group.side),
           group.alphabet);
    return false;
  }
  return true;
}

bool TPasswordSettingsDialog::SettingsAreUsable() {
  if (!GeneratorIsUsable(user_) || !GeneratorIsUsable(owner_)) return false;
  const QString problem = PasswordFileProblem(passwordFileEdit_->text());
  if (!problem.isEmpty()) {
    Refuse(problem, passwordFileEdit_);
    return false;
  }
  return true;
}

void TPasswordSettingsDialog::Refuse(const QString& message, QWidget* control) {
  prompts_.ShowMessage(this, TMessageIcon::kWarning, QStringLiteral("Warning"), message);
  control->setFocus();
}

void TPasswordSettingsDialog::OkClicked() {
  if (!SettingsAreUsable()) return;
  // The controls keep what the user typed; the store gets it trimmed.
  for (const TStoredControl& stored : StoredControls()) {
    const std::u16string text = stored.box != nullptr ? app::BoolToText(stored.box->isChecked())
                                                      : app::TrimText(stored.field->text().toStdU16String());
    app::WriteRegs(QString::fromLatin1(stored.name), QString::fromStdU16String(text));
  }
  accept();
}

void TPasswordSettingsDialog::CancelClicked() { reject(); }

void TPasswordSettingsDialog::BrowsePasswordFile() {
  // The suffix ".csv", not ".txt": the batch accepts only a .csv password file.
  const QString chosen = prompts_.ChooseSaveFile(this, QStringLiteral("CSV File (*.csv)"), QStringLiteral("Report"),
                                                 QStringLiteral("csv"));
  if (!chosen.isEmpty()) passwordFileEdit_->setText(chosen);
}

void TPasswordSettingsDialog::OpenPasswordFile() {
  const QString path = passwordFileEdit_->text().trimmed();
  if (prompts_.OpenWithShell(path)) return;
  Refuse(QStringLiteral("\"%1\" could not be opened: it does not exist yet, or no program of this desktop opens it.")
             .arg(path),
         passwordFileEdit_);
}

}  // namespace ombrelt::ui

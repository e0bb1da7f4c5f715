#pragma once
// The password settings dialog: how "Auto create" makes the open and the restrictions passwords,
// and where the password file goes. Its controls are the working copy the batch reads
// when it starts; the settings store holds the saved copy, written by OK and loaded whenever the
// main window becomes active again. OK checks what it can first: a length from 4 to 99, at least one
// kind of character on each side, and a password file that can be written.

#include <QDialog>

#include <vector>

#include "app/core/BatchSettings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace ombrelt::ui {

class TUserPrompts;

class TPasswordSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  TPasswordSettingsDialog(TUserPrompts& prompts, QWidget* parent);

  app::TGeneratorSettings UserGenerator() const;
  app::TGeneratorSettings OwnerGenerator() const;
  // The password file path as typed.
  QString PasswordFilePath() const;

  // Applies every stored value that is not empty, in the order OK writes them. A stored boolean
  // that is not one raises app::EConvertError; the values before it stay applied, those after it
  // are not loaded.
  void LoadSettings();

  void OkClicked();
  void CancelClicked();
  void BrowsePasswordFile();
  void OpenPasswordFile();

 private:
  // One side's generator controls.
  struct TGeneratorGroup {
    QString side;  // "user" or "owner", for messages
    QGroupBox* box;
    QCheckBox* alphabet;
    QCheckBox* numeric;
    QCheckBox* specialChar;
    QCheckBox* lowerCase;
    QLineEdit* charLength;
    QLabel* shortNote;  // under the length, while it is below 8
  };
  // A stored value and the control that holds it: a check box or a text field.
  struct TStoredControl {
    const char* name;
    QCheckBox* box;
    QLineEdit* field;
  };

  struct TMnemonics;
  TGeneratorGroup BuildGeneratorGroup(const QString& caption, const char* side, const TMnemonics& captions);
  QWidget* BuildPasswordFileGroup();
  QLayout* BuildButtons();
  // The first problem OK finds, shown with the focus on its control; false when there is one.
  bool SettingsAreUsable();
  bool GeneratorIsUsable(const TGeneratorGroup& group);
  void Refuse(const QString& message, QWidget* control);
  std::vector<TStoredControl> StoredControls() const;
  static app::TGeneratorSettings GeneratorOf(const TGeneratorGroup& group);

  TUserPrompts& prompts_;
  TGeneratorGroup user_{};
  TGeneratorGroup owner_{};
  QLineEdit* passwordFileEdit_ = nullptr;
};

}  // namespace ombrelt::ui

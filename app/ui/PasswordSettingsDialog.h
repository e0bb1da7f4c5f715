#pragma once
// The password settings dialog (TFrmPwd): how "Auto create" makes the open and the restrictions
// passwords, and where the password file goes. Its controls are the working copy the batch reads
// when it starts; the settings store holds the saved copy, written by OK and loaded whenever the
// main window becomes active again.

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

class TFrmPwd : public QDialog {
  Q_OBJECT

 public:
  TFrmPwd(TUserPrompts& prompts, QWidget* parent);

  app::TGeneratorSettings UserGenerator() const;
  app::TGeneratorSettings OwnerGenerator() const;
  // The password file path as typed.
  QString LogPath() const;

  // Applies every stored value that is not empty, in the order OK writes them. A stored boolean
  // that is not one raises app::EConvertError; the values before it stay applied, those after it
  // are not loaded.
  void LoadSettings();

  void BitBtnOkClick();
  void BitBtnCancelClick();
  void BitBtnBrowseLogClick();
  void BitBtnOpenLogClick();

 private:
  // One side's generator controls.
  struct TGeneratorGroup {
    QCheckBox* alphabet;
    QCheckBox* numeric;
    QCheckBox* specialChar;
    QCheckBox* lowerCase;
    QLineEdit* charLength;
  };
  // A stored value and the control that holds it: a check box or a text field.
  struct TStoredControl {
    const char* name;
    QCheckBox* box;
    QLineEdit* field;
  };

  TGeneratorGroup BuildGeneratorGroup(const QString& caption, QRect geometry, const char* suffix,
                                      const char* labelName);
  void BuildPasswordFileGroup();
  void BuildButtons();
  std::vector<TStoredControl> StoredControls() const;
  static app::TGeneratorSettings GeneratorOf(const TGeneratorGroup& group);

  TUserPrompts& prompts_;
  TGeneratorGroup user_{};
  TGeneratorGroup owner_{};
  QLineEdit* editLogPath_ = nullptr;
};

}  // namespace ombrelt::ui

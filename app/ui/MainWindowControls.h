#pragma once
// The controls of the main window, named and placed as the users of earlier versions know them:
// a fixed 751 x 578 layout, top to bottom the file list, the level, the passwords, the
// permissions and the output, with About, Help, the protected files and the progress bar along the
// bottom edge. Every
// control's object name is its member name. The controls carry no behaviour; the window connects it.

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>

#include <array>

#include "app/ui/FileList.h"
#include "app/ui/LinkLabel.h"

namespace ombrelt::ui {

inline constexpr int kMainClientWidth = 751;
inline constexpr int kMainClientHeight = 578;

struct TMainControls {
  // The file list area.
  QFrame* Panel3;
  TFileList* ListView1;
  QPushButton* BitBtnAddFiles;
  QPushButton* BitBtnAddFolder;
  QPushButton* BitBtnDeleteFile;
  QPushButton* BitBtnClearAll;
  // The encryption level.
  QFrame* Panel1;
  QLabel* Label4;
  QRadioButton* RadioButton40Bit;
  QRadioButton* RadioButton128BitRC4;
  QRadioButton* RadioButton128BitAES;
  QRadioButton* RadioButton256BitAES;
  // The passwords.
  QFrame* Panel8;
  QLabel* Label1;
  QCheckBox* CheckBoxOpenpassword;
  QLabel* LabelOpenpass;
  QLineEdit* EditUser;
  QCheckBox* CheckboxUserAuto;
  QCheckBox* CheckBoxRestrictions;
  QLabel* LabelOwnerpass;
  QLineEdit* EditOwner;
  QCheckBox* CheckboxOwnerAuto;
  QPushButton* BitBtnPwdSettings;
  // The permissions; Panel7 (extended permissions) and Panel9 (print quality) lie inside Panel2.
  QFrame* Panel2;
  QCheckBox* CheckBoxAllwPrint;
  QCheckBox* CheckBoxAllwCopy;
  QCheckBox* CheckBoxAllwChange;
  QCheckBox* CheckBoxAllwAddAnno;
  QFrame* Panel7;
  QCheckBox* CheckBoxAllwFFill;
  QCheckBox* CheckBoxAllwCopyacce;
  QCheckBox* CheckBoxAllwAssemble;
  QFrame* Panel9;
  QRadioButton* RadioButtonHighResolution;
  QRadioButton* RadioButtonLowResolution;
  // The output.
  QFrame* Panel4;
  QLabel* Label2;
  QRadioButton* RadioBtnSameFName;
  QRadioButton* RadioBtnAdSuffix;
  QLineEdit* EditSuffix;
  QLabel* Label3;
  QLineEdit* EditSavePath;
  QPushButton* BitBtnSavePath;
  QPushButton* BitBtnOpen;
  QPushButton* BitBtnEncryptPdf;
  // Along the bottom edge.
  TLinkLabel* LabelAbout;
  TLinkLabel* Label10;
  TLinkLabel* LabelProtected;  // opens the protected files dialog
  QProgressBar* ProgressBar1;

  // The seven boxes the restrictions password protects, in the order the library takes them.
  std::array<QCheckBox*, 7> PermissionBoxes() const;
  // The areas a running batch disables.
  std::array<QWidget*, 5> InputAreas() const;
};

// Creates every control in its initial state as a child of form.
TMainControls BuildMainControls(QWidget& form);

}  // namespace ombrelt::ui

#pragma once
// The controls of the main window in layouts: top to bottom the file list, the level, the
// passwords, the permissions and the output, with About, Help, the protected files and the
// progress bar along the bottom edge. 751 x 578 is the window's default and smallest size; the
// list takes what the window grows by. Every control's object name is its member name, and every
// button, check box and radio has a mnemonic (Alt+letter). The controls carry no behaviour; the
// window connects it.

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
  // The file list, and the area of its buttons beside it.
  TFileList* fileList;
  QFrame* fileButtonsPanel;
  QPushButton* addFilesButton;
  QPushButton* addFolderButton;
  QPushButton* deleteFilesButton;
  QPushButton* clearAllButton;
  QLabel* dropHintLabel;
  // The encryption level.
  QFrame* levelPanel;
  QLabel* levelLabel;
  QRadioButton* level40BitRc4Radio;
  QRadioButton* level128BitRc4Radio;
  QRadioButton* level128BitAesRadio;
  QRadioButton* level256BitAesRadio;
  QCheckBox* keepMetadataCheck;
  QLabel* weakLevelLabel;  // shown while an RC4 level is chosen
  // The passwords.
  QFrame* passwordPanel;
  QLabel* passwordsLabel;
  QCheckBox* openPasswordCheck;
  QLineEdit* openPasswordEdit;
  QCheckBox* openPasswordAutoCheck;
  QCheckBox* restrictionsPasswordCheck;
  QLineEdit* restrictionsPasswordEdit;
  QCheckBox* restrictionsPasswordAutoCheck;
  QPushButton* configureButton;
  // The permissions; extendedPermissionRow (extended permissions) and printQualityRow (print quality) lie inside
  // permissionPanel.
  QFrame* permissionPanel;
  QCheckBox* allowPrintingCheck;
  QCheckBox* allowCopyingCheck;
  QCheckBox* allowChangingCheck;
  QCheckBox* allowAnnotationsCheck;
  QFrame* extendedPermissionRow;
  QCheckBox* allowFormFillingCheck;
  QCheckBox* allowAccessibilityCheck;
  QCheckBox* allowAssemblingCheck;
  QFrame* printQualityRow;
  QRadioButton* highResolutionRadio;
  QRadioButton* lowResolutionRadio;
  // The output.
  QFrame* outputPanel;
  QLabel* outputNameLabel;
  QRadioButton* keepNameRadio;
  QRadioButton* addSuffixRadio;
  QLineEdit* suffixEdit;
  QLabel* outputPathLabel;
  QLineEdit* outputFolderEdit;
  QPushButton* chooseOutputFolderButton;
  QPushButton* openOutputFolderButton;
  QPushButton* encryptButton;
  // Along the bottom edge.
  TLinkLabel* aboutLink;
  TLinkLabel* helpLink;
  TLinkLabel* protectedFilesLink;  // opens the protected files dialog
  QProgressBar* progressBar;

  // The seven boxes the restrictions password protects, in the order the library takes them.
  std::array<QCheckBox*, 7> PermissionBoxes() const;
  // The areas a running batch disables.
  std::array<QWidget*, 5> InputAreas() const;
};

// Creates every control in its initial state as a child of form.
TMainControls BuildMainControls(QWidget& form);

}  // namespace ombrelt::ui

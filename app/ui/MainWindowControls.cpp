#include "app/ui/MainWindowControls.h"

#include <QApplication>
#include <QBoxLayout>
#include <QGridLayout>
#include <QIcon>
#include <QStyle>

#include "app/ui/NamedControl.h"
#include "app/ui/RadioGroupFocus.h"

namespace ombrelt::ui {

namespace {

QFrame* Panel(QWidget& form, const char* name) {
  auto* panel = NamedControl<QFrame>(&form, name);
  panel->setFrameShape(QFrame::StyledPanel);
  return panel;
}

QPushButton* Button(QWidget* parent, const char* name, const QString& caption, QStyle::StandardPixmap glyph) {
  auto* button = NamedControl<QPushButton>(parent, name, caption);
  button->setIcon(QApplication::style()->standardIcon(glyph));
  return button;
}

// Enter on a focused button presses it, as Space does.
void PressedByEnter(std::initializer_list<QPushButton*> buttons) {
  for (QPushButton* button : buttons) button->setAutoDefault(true);
}

// The list is not in its panel: the panel's buttons are disabled during a batch, while the list
// stays scrollable (and locked against changes) to follow the files.
QLayout* BuildFileListArea(QWidget& form, TMainControls& c) {
  c.fileList = new TFileList(&form);
  c.fileButtonsPanel = Panel(form, "fileButtonsPanel");
  c.addFilesButton = Button(c.fileButtonsPanel, "addFilesButton", QStringLiteral("&Add File"), QStyle::SP_FileIcon);
  c.addFolderButton =
      Button(c.fileButtonsPanel, "addFolderButton", QStringLiteral("Add &Folder"), QStyle::SP_DirOpenIcon);
  c.deleteFilesButton =
      Button(c.fileButtonsPanel, "deleteFilesButton", QStringLiteral("&Delete File"), QStyle::SP_TrashIcon);
  c.clearAllButton =
      Button(c.fileButtonsPanel, "clearAllButton", QStringLiteral("C&lear All"), QStyle::SP_DialogResetButton);
  c.deleteFilesButton->setEnabled(false);
  c.clearAllButton->setEnabled(false);
  PressedByEnter({c.addFilesButton, c.addFolderButton, c.deleteFilesButton, c.clearAllButton});
  // Under the list it speaks of, on one line at any font size.
  c.dropHintLabel = NamedControl<QLabel>(&form, "dropHintLabel",
                                         QStringLiteral("Drop PDF files or folders on the list to add them."));
  auto* buttons = new QVBoxLayout(c.fileButtonsPanel);
  for (QWidget* control :
       std::initializer_list<QWidget*>{c.addFilesButton, c.addFolderButton, c.deleteFilesButton, c.clearAllButton}) {
    buttons->addWidget(control);
  }
  buttons->addStretch();
  auto* list = new QVBoxLayout;
  list->addWidget(c.fileList, 1);
  list->addWidget(c.dropHintLabel);
  auto* area = new QHBoxLayout;
  area->addLayout(list, 1);
  area->addWidget(c.fileButtonsPanel);
  return area;
}

void SetLevelTips(TMainControls& c) {
  c.level40BitRc4Radio->setToolTip(
      QStringLiteral("Weak: RC4 with a 40-bit key (PDF 1.1) is broken within minutes. Opens in every reader.\n"
                     "Only the four basic permissions apply at this level."));
  c.level128BitRc4Radio->setToolTip(
      QStringLiteral("Weak: RC4 with a 128-bit key (PDF 1.4) counts as broken today. Opens in almost every reader."));
  c.level128BitAesRadio->setToolTip(
      QStringLiteral("AES with a 128-bit key (PDF 1.6): needs Acrobat 7 or any current reader."));
  c.level256BitAesRadio->setToolTip(
      QStringLiteral("AES with a 256-bit key (PDF 2.0): the strongest level; needs Acrobat X or any current reader.\n"
                     "Passwords may use any characters."));
  c.keepMetadataCheck->setToolTip(QStringLiteral(
      "Leave the document's XMP metadata (title, author, keywords) unencrypted, so that search tools and\n"
      "document stores can read it without the password. The pages and their text stay encrypted."));
}

QWidget* BuildLevelArea(QWidget& form, TMainControls& c) {
  c.levelPanel = Panel(form, "levelPanel");
  c.levelLabel = NamedControl<QLabel>(c.levelPanel, "levelLabel", QStringLiteral("Pdf Encryption Level:"));
  c.level40BitRc4Radio = NamedControl<QRadioButton>(c.levelPanel, "level40BitRc4Radio", QStringLiteral("&40 bits RC4"));
  c.level128BitRc4Radio =
      NamedControl<QRadioButton>(c.levelPanel, "level128BitRc4Radio", QStringLiteral("&128 bits RC4"));
  c.level128BitAesRadio =
      NamedControl<QRadioButton>(c.levelPanel, "level128BitAesRadio", QStringLiteral("12&8 bits AES"));
  c.level256BitAesRadio =
      NamedControl<QRadioButton>(c.levelPanel, "level256BitAesRadio", QStringLiteral("&256 bits AES"));
  c.level256BitAesRadio->setChecked(true);
  c.keepMetadataCheck =
      NamedControl<QCheckBox>(c.levelPanel, "keepMetadataCheck", QStringLiteral("Keep &metadata readable"));
  c.weakLevelLabel =
      NamedControl<QLabel>(c.levelPanel, "weakLevelLabel",
                           QStringLiteral("RC4 is weak: choose an AES level unless old readers must open the copies."));
  c.weakLevelLabel->setWordWrap(true);
  c.weakLevelLabel->hide();
  SetLevelTips(c);
  auto* grid = new QGridLayout(c.levelPanel);
  grid->addWidget(c.levelLabel, 0, 0);
  int column = 1;
  for (QRadioButton* level :
       {c.level40BitRc4Radio, c.level128BitRc4Radio, c.level128BitAesRadio, c.level256BitAesRadio}) {
    grid->addWidget(level, 0, column++);
  }
  grid->addWidget(c.keepMetadataCheck, 1, 0);
  grid->addWidget(c.weakLevelLabel, 1, 1, 1, 4);
  grid->setColumnStretch(5, 1);
  return c.levelPanel;
}

// The password boxes carry their captions: a caption beside a box would be greyed with the
// field while the box itself can be ticked, and a click on it would not tick the box.
void BuildPasswordRow(TMainControls& c, QGridLayout& grid, int row, bool open) {
  auto* box = NamedControl<QCheckBox>(
      c.passwordPanel, open ? "openPasswordCheck" : "restrictionsPasswordCheck",
      open ? QStringLiteral("PDF &Open Password") : QStringLiteral("PDF &Restrictions Password"));
  auto* field = NamedControl<QLineEdit>(c.passwordPanel, open ? "openPasswordEdit" : "restrictionsPasswordEdit");
  auto* automatic =
      NamedControl<QCheckBox>(c.passwordPanel, open ? "openPasswordAutoCheck" : "restrictionsPasswordAutoCheck",
                              open ? QStringLiteral("A&uto create") : QStringLiteral("Au&to Create"));
  box->setToolTip(open ? QStringLiteral("Readers must type this password to open the document.")
                       : QStringLiteral("The password that lifts the restrictions below; without it readers get "
                                        "only the permissions you tick."));
  automatic->setToolTip(open ? QStringLiteral("A new random open password for every file, recorded in the "
                                              "password file (Configure).")
                             : QStringLiteral("A new random restrictions password for every file, recorded in the "
                                              "password file (Configure)."));
  field->setEnabled(false);
  automatic->setEnabled(false);
  grid.addWidget(box, row, 0);
  grid.addWidget(field, row, 1);
  grid.addWidget(automatic, row, 2);
  (open ? c.openPasswordCheck : c.restrictionsPasswordCheck) = box;
  (open ? c.openPasswordEdit : c.restrictionsPasswordEdit) = field;
  (open ? c.openPasswordAutoCheck : c.restrictionsPasswordAutoCheck) = automatic;
}

QWidget* BuildPasswordArea(QWidget& form, TMainControls& c) {
  c.passwordPanel = Panel(form, "passwordPanel");
  c.passwordsLabel = NamedControl<QLabel>(c.passwordPanel, "passwordsLabel", QStringLiteral("Add Pdf Password(s):"));
  auto* grid = new QGridLayout(c.passwordPanel);
  grid->addWidget(c.passwordsLabel, 0, 0, 1, 3);
  BuildPasswordRow(c, *grid, 1, true);
  BuildPasswordRow(c, *grid, 2, false);
  c.configureButton =
      Button(c.passwordPanel, "configureButton", QStringLiteral("Co&nfigure"), QStyle::SP_FileDialogDetailedView);
  c.configureButton->setToolTip(QStringLiteral("How passwords are generated, and where they are recorded."));
  c.configureButton->setEnabled(false);
  PressedByEnter({c.configureButton});
  grid->addWidget(c.configureButton, 1, 3, 2, 1);
  grid->setColumnStretch(1, 1);
  return c.passwordPanel;
}

QCheckBox* PermissionBox(QWidget* parent, const char* name, const char* caption, const char* tip) {
  auto* box = NamedControl<QCheckBox>(parent, name, QString::fromLatin1(caption));
  box->setToolTip(QString::fromLatin1(tip));
  box->setEnabled(false);
  return box;
}

// A row of controls in a frame of its own, which the level hides as a whole.
QFrame* Row(QWidget* parent, const char* name, std::initializer_list<QWidget*> controls, int indent) {
  auto* frame = NamedControl<QFrame>(parent, name);
  auto* row = new QHBoxLayout(frame);
  row->setContentsMargins(indent, 0, 0, 0);
  for (QWidget* control : controls) {
    control->setParent(frame);
    row->addWidget(control);
  }
  row->addStretch();
  return frame;
}

QWidget* BuildPermissionArea(QWidget& form, TMainControls& c) {
  c.permissionPanel = Panel(form, "permissionPanel");
  c.allowPrintingCheck = PermissionBox(c.permissionPanel, "allowPrintingCheck", "Allow PDF &Printing",
                                       "Readers may print the document, at the quality chosen below.");
  c.allowCopyingCheck = PermissionBox(c.permissionPanel, "allowCopyingCheck", "Allow Content Cop&y",
                                      "Readers may copy or extract text and images.");
  c.allowChangingCheck = PermissionBox(c.permissionPanel, "allowChangingCheck", "Allow C&hange",
                                       "Readers may change the document in ways not covered by the other boxes.");
  c.allowAnnotationsCheck = PermissionBox(c.permissionPanel, "allowAnnotationsCheck", "Allow Add Annotat&ions",
                                          "Readers may add or change comments and fill in form fields.");
  c.allowFormFillingCheck = PermissionBox(c.permissionPanel, "allowFormFillingCheck", "Allow For&m Filling",
                                          "Readers may fill in existing form fields, even without the annotations\n"
                                          "permission. Applies from 128 bits RC4 on.");
  c.allowAccessibilityCheck =
      PermissionBox(c.permissionPanel, "allowAccessibilityCheck", "Allow Content Copying for Accessi&bility",
                    "Screen readers and other assistive technology may extract text and images.\n"
                    "Applies from 128 bits RC4 on.");
  c.allowAssemblingCheck = PermissionBox(c.permissionPanel, "allowAssemblingCheck", "Allow A&ssemble Document",
                                         "Readers may insert, rotate or delete pages and add bookmarks.\n"
                                         "Applies from 128 bits RC4 on.");
  c.highResolutionRadio =
      NamedControl<QRadioButton>(c.permissionPanel, "highResolutionRadio", QStringLiteral("Hi&gh Resolution"));
  c.lowResolutionRadio =
      NamedControl<QRadioButton>(c.permissionPanel, "lowResolutionRadio", QStringLiteral("Lo&w Resolution"));
  c.highResolutionRadio->setToolTip(QStringLiteral("Printing at full quality."));
  c.lowResolutionRadio->setToolTip(QStringLiteral("Printing only as a degraded, low-resolution image."));
  c.highResolutionRadio->setChecked(true);
  c.highResolutionRadio->setEnabled(false);
  c.lowResolutionRadio->setEnabled(false);
  auto* rows = new QVBoxLayout(c.permissionPanel);
  rows->addWidget(Row(c.permissionPanel, "basicPermissionRow",
                      {c.allowPrintingCheck, c.allowCopyingCheck, c.allowChangingCheck, c.allowAnnotationsCheck}, 0));
  c.extendedPermissionRow = Row(c.permissionPanel, "extendedPermissionRow",
                                {c.allowFormFillingCheck, c.allowAccessibilityCheck, c.allowAssemblingCheck}, 0);
  rows->addWidget(c.extendedPermissionRow);
  // Indented under "Allow PDF Printing", which they belong to.
  c.printQualityRow = Row(c.permissionPanel, "printQualityRow", {c.highResolutionRadio, c.lowResolutionRadio}, 20);
  rows->addWidget(c.printQualityRow);
  return c.permissionPanel;
}

QWidget* BuildOutputArea(QWidget& form, TMainControls& c) {
  c.outputPanel = Panel(form, "outputPanel");
  c.outputNameLabel = NamedControl<QLabel>(c.outputPanel, "outputNameLabel", QStringLiteral("Output Name:"));
  c.keepNameRadio = NamedControl<QRadioButton>(c.outputPanel, "keepNameRadio", QStringLiteral("&Keep Original"));
  c.addSuffixRadio = NamedControl<QRadioButton>(c.outputPanel, "addSuffixRadio", QStringLiteral("Add Suffi&x:"));
  c.suffixEdit = NamedControl<QLineEdit>(c.outputPanel, "suffixEdit", QStringLiteral("_Secure"));
  c.addSuffixRadio->setChecked(true);
  c.outputPathLabel = NamedControl<QLabel>(c.outputPanel, "outputPathLabel", QStringLiteral("Output Path:"));
  c.outputFolderEdit = NamedControl<QLineEdit>(c.outputPanel, "outputFolderEdit");
  c.outputPathLabel->setBuddy(c.outputFolderEdit);
  c.chooseOutputFolderButton =
      Button(c.outputPanel, "chooseOutputFolderButton", QStringLiteral("Sa&ve Path"), QStyle::SP_DirIcon);
  c.openOutputFolderButton =
      Button(c.outputPanel, "openOutputFolderButton", QStringLiteral("Op&en"), QStyle::SP_DirLinkIcon);
  c.encryptButton = NamedControl<QPushButton>(c.outputPanel, "encryptButton", QStringLiteral("&Encrypt Pdf"));
  c.encryptButton->setIcon(QIcon(QStringLiteral(":/ombreltenc.svg")));
  c.encryptButton->setIconSize({28, 28});
  c.encryptButton->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
  c.encryptButton->setToolTip(QStringLiteral("Write an encrypted copy of every listed file into the output folder."));
  PressedByEnter({c.chooseOutputFolderButton, c.openOutputFolderButton, c.encryptButton});
  auto* grid = new QGridLayout(c.outputPanel);
  auto* naming = new QHBoxLayout;
  naming->addWidget(c.keepNameRadio);
  naming->addWidget(c.addSuffixRadio);
  naming->addWidget(c.suffixEdit);
  naming->addStretch();
  grid->addWidget(c.outputNameLabel, 0, 0);
  grid->addLayout(naming, 0, 1, 1, 3);
  grid->addWidget(c.outputPathLabel, 1, 0);
  grid->addWidget(c.outputFolderEdit, 1, 1);
  grid->addWidget(c.chooseOutputFolderButton, 1, 2);
  grid->addWidget(c.openOutputFolderButton, 1, 3);
  grid->addWidget(c.encryptButton, 0, 4, 2, 1);
  grid->setColumnStretch(1, 1);
  return c.outputPanel;
}

QLayout* BuildBottomEdge(QWidget& form, TMainControls& c) {
  c.aboutLink = NamedControl<TLinkLabel>(&form, "aboutLink", QStringLiteral("About"));
  c.helpLink = NamedControl<TLinkLabel>(&form, "helpLink", QStringLiteral("Help"));
  c.protectedFilesLink = NamedControl<TLinkLabel>(&form, "protectedFilesLink", QStringLiteral("Protected Files..."));
  c.protectedFilesLink->setToolTip(
      QStringLiteral("Remove the protection of encrypted files, or protect them again with these settings."));
  c.progressBar = NamedControl<QProgressBar>(&form, "progressBar");
  c.progressBar->setTextVisible(false);
  // Hidden between batches without the links moving.
  QSizePolicy keepPlace = c.progressBar->sizePolicy();
  keepPlace.setRetainSizeWhenHidden(true);
  c.progressBar->setSizePolicy(keepPlace);
  c.progressBar->hide();
  auto* edge = new QHBoxLayout;
  edge->setSpacing(16);
  edge->addWidget(c.aboutLink);
  edge->addWidget(c.helpLink);
  edge->addWidget(c.protectedFilesLink);
  edge->addWidget(c.progressBar, 1);
  return edge;
}

}  // namespace

std::array<QCheckBox*, 7> TMainControls::PermissionBoxes() const {
  return {allowPrintingCheck,    allowCopyingCheck,       allowChangingCheck,  allowAnnotationsCheck,
          allowFormFillingCheck, allowAccessibilityCheck, allowAssemblingCheck};
}

std::array<QWidget*, 5> TMainControls::InputAreas() const {
  return {fileButtonsPanel, levelPanel, passwordPanel, permissionPanel, outputPanel};
}

// Screen readers name a control by its text; these have none of their own.
void NameTextlessControls(const TMainControls& c) {
  c.openPasswordEdit->setAccessibleName(QStringLiteral("PDF Open Password"));
  c.restrictionsPasswordEdit->setAccessibleName(QStringLiteral("PDF Restrictions Password"));
  c.suffixEdit->setAccessibleName(QStringLiteral("Suffix"));
  c.outputFolderEdit->setAccessibleName(QStringLiteral("Output Path"));
  c.fileList->setAccessibleName(QStringLiteral("PDF files to encrypt"));
  c.progressBar->setAccessibleName(QStringLiteral("Progress"));
}

// Tab goes through the window top to bottom, each area left to right.
void SetTabOrder(const TMainControls& c) {
  QWidget* const order[] = {c.fileList,
                            c.addFilesButton,
                            c.addFolderButton,
                            c.deleteFilesButton,
                            c.clearAllButton,
                            c.level40BitRc4Radio,
                            c.level128BitRc4Radio,
                            c.level128BitAesRadio,
                            c.level256BitAesRadio,
                            c.keepMetadataCheck,
                            c.openPasswordCheck,
                            c.openPasswordEdit,
                            c.openPasswordAutoCheck,
                            c.restrictionsPasswordCheck,
                            c.restrictionsPasswordEdit,
                            c.restrictionsPasswordAutoCheck,
                            c.configureButton,
                            c.allowPrintingCheck,
                            c.allowCopyingCheck,
                            c.allowChangingCheck,
                            c.allowAnnotationsCheck,
                            c.allowFormFillingCheck,
                            c.allowAccessibilityCheck,
                            c.allowAssemblingCheck,
                            c.highResolutionRadio,
                            c.lowResolutionRadio,
                            c.keepNameRadio,
                            c.addSuffixRadio,
                            c.suffixEdit,
                            c.outputFolderEdit,
                            c.chooseOutputFolderButton,
                            c.openOutputFolderButton,
                            c.encryptButton,
                            c.aboutLink,
                            c.helpLink,
                            c.protectedFilesLink};
  for (std::size_t i = 1; i < std::size(order); ++i) {
    QWidget::setTabOrder(order[i - 1], order[i]);
  }
}

TMainControls BuildMainControls(QWidget& form) {
  TMainControls controls{};
  auto* layout = new QVBoxLayout(&form);
  layout->setContentsMargins(8, 8, 8, 6);
  layout->setSpacing(6);
  layout->addLayout(BuildFileListArea(form, controls), 1);
  layout->addWidget(BuildLevelArea(form, controls));
  layout->addWidget(BuildPasswordArea(form, controls));
  layout->addWidget(BuildPermissionArea(form, controls));
  layout->addWidget(BuildOutputArea(form, controls));
  layout->addLayout(BuildBottomEdge(form, controls));
  NameTextlessControls(controls);
  SetTabOrder(controls);
  MakeOneTabStop({controls.level40BitRc4Radio, controls.level128BitRc4Radio, controls.level128BitAesRadio,
                  controls.level256BitAesRadio});
  MakeOneTabStop({controls.highResolutionRadio, controls.lowResolutionRadio});
  MakeOneTabStop({controls.keepNameRadio, controls.addSuffixRadio});
  return controls;
}

}  // namespace ombrelt::ui

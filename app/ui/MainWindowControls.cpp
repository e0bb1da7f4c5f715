#include "app/ui/MainWindowControls.h"

#include <QApplication>
#include <QIcon>
#include <QStyle>

#include "app/ui/PlaceControl.h"


namespace ombrelt::ui {

namespace {

QFrame* Panel(QWidget* parent, const char* name, QRect geometry) {
  auto* panel = PlaceControl<QFrame>(parent, name, geometry);
  panel->setFrameShape(QFrame::StyledPanel);
  return panel;
}

QPushButton* Button(QWidget* parent, const char* name, QRect geometry, const QString& caption,
                    QStyle::StandardPixmap glyph) {
  auto* button = PlaceControl<QPushButton>(parent, name, geometry, caption);
  button->setIcon(QApplication::style()->standardIcon(glyph));
  return button;
}

void BuildFileListArea(QWidget& form, TMainControls& c) {
  c.Panel3 = Panel(&form, "Panel3", {8, 8, 735, 226});
  // On the form above its panel rather than in it: the panel's buttons are disabled during a batch,
  // while the list stays scrollable (and locked against changes) to follow the files.
  c.ListView1 = new TFileList(&form);
  c.ListView1->setGeometry(16, 16, 575, 210);
  c.BitBtnAddFiles = Button(c.Panel3, "BitBtnAddFiles", {595, 8, 132, 30}, QStringLiteral("Add File    "),
                            QStyle::SP_FileIcon);
  c.BitBtnAddFolder = Button(c.Panel3, "BitBtnAddFolder", {595, 46, 132, 30}, QStringLiteral("Add Folder"),
                             QStyle::SP_DirOpenIcon);
  c.BitBtnDeleteFile = Button(c.Panel3, "BitBtnDeleteFile", {595, 84, 132, 30}, QStringLiteral("Delete File "),
                              QStyle::SP_TrashIcon);
  c.BitBtnClearAll = Button(c.Panel3, "BitBtnClearAll", {595, 122, 132, 30}, QStringLiteral("Clear All     "),
                            QStyle::SP_DialogResetButton);
  c.BitBtnDeleteFile->setEnabled(false);
  c.BitBtnClearAll->setEnabled(false);
  auto* hint = PlaceControl<QLabel>(c.Panel3, "LabelDropHint", {595, 160, 132, 58},
                             QStringLiteral("Drop PDF files or folders on the list to add them."));
  hint->setWordWrap(true);
  hint->setEnabled(false);
  c.ListView1->raise();
}

void BuildLevelArea(QWidget& form, TMainControls& c) {
  c.Panel1 = Panel(&form, "Panel1", {8, 240, 735, 40});
  c.Label4 = PlaceControl<QLabel>(c.Panel1, "Label4", {10, 10, 150, 20}, QStringLiteral("Pdf Encryption Level:"));
  c.RadioButton40Bit = PlaceControl<QRadioButton>(c.Panel1, "RadioButton40Bit", {170, 10, 130, 20},
                                           QStringLiteral("40 bits RC4"));
  c.RadioButton128BitRC4 = PlaceControl<QRadioButton>(c.Panel1, "RadioButton128BitRC4", {310, 10, 130, 20},
                                               QStringLiteral("128 bits RC4 "));
  c.RadioButton128BitAES = PlaceControl<QRadioButton>(c.Panel1, "RadioButton128BitAES", {450, 10, 130, 20},
                                               QStringLiteral("128 bits AES"));
  c.RadioButton256BitAES = PlaceControl<QRadioButton>(c.Panel1, "RadioButton256BitAES", {590, 10, 130, 20},
                                               QStringLiteral("256 bits AES"));
  c.RadioButton128BitRC4->setChecked(true);
  c.RadioButton40Bit->setToolTip(QStringLiteral(
      "RC4 with a 40-bit key (PDF 1.1): opens in every reader, but is broken within minutes.\n"
      "Only the four basic permissions apply at this level."));
  c.RadioButton128BitRC4->setToolTip(QStringLiteral(
      "RC4 with a 128-bit key (PDF 1.4): opens in almost every reader; RC4 counts as weak today."));
  c.RadioButton128BitAES->setToolTip(QStringLiteral(
      "AES with a 128-bit key (PDF 1.6): needs Acrobat 7 or any current reader."));
  c.RadioButton256BitAES->setToolTip(QStringLiteral(
      "AES with a 256-bit key (PDF 2.0): the strongest level; needs Acrobat X or any current reader.\n"
      "Passwords may use any characters."));
}

void BuildOpenPasswordRow(TMainControls& c) {
  c.CheckBoxOpenpassword = PlaceControl<QCheckBox>(c.Panel8, "CheckBoxOpenpassword", {10, 30, 20, 24});
  c.LabelOpenpass =
      PlaceControl<QLabel>(c.Panel8, "LabelOpenpass", {32, 30, 175, 24}, QStringLiteral("PDF Open Password"));
  c.EditUser = PlaceControl<QLineEdit>(c.Panel8, "EditUser", {210, 30, 220, 24});
  c.CheckboxUserAuto = PlaceControl<QCheckBox>(c.Panel8, "CheckboxUserAuto", {445, 30, 130, 24},
                                        QStringLiteral("Auto create"));
  c.CheckBoxOpenpassword->setToolTip(QStringLiteral("Readers must type this password to open the document."));
  c.CheckboxUserAuto->setToolTip(QStringLiteral(
      "A new random open password for every file, recorded in the password file (Configure)."));
  c.LabelOpenpass->setEnabled(false);
  c.EditUser->setEnabled(false);
  c.CheckboxUserAuto->setEnabled(false);
}

void BuildRestrictionsPasswordRow(TMainControls& c) {
  c.CheckBoxRestrictions = PlaceControl<QCheckBox>(c.Panel8, "CheckBoxRestrictions", {10, 60, 20, 24});
  c.LabelOwnerpass = PlaceControl<QLabel>(c.Panel8, "LabelOwnerpass", {32, 60, 175, 24},
                                   QStringLiteral("PDF Restrictions Password"));
  c.EditOwner = PlaceControl<QLineEdit>(c.Panel8, "EditOwner", {210, 60, 220, 24});
  c.CheckboxOwnerAuto = PlaceControl<QCheckBox>(c.Panel8, "CheckboxOwnerAuto", {445, 60, 130, 24},
                                         QStringLiteral("Auto Create"));
  c.CheckBoxRestrictions->setToolTip(QStringLiteral(
      "The password that lifts the restrictions below; without it readers get only the permissions you tick."));
  c.CheckboxOwnerAuto->setToolTip(QStringLiteral(
      "A new random restrictions password for every file, recorded in the password file (Configure)."));
  c.LabelOwnerpass->setEnabled(false);
  c.EditOwner->setEnabled(false);
  c.CheckboxOwnerAuto->setEnabled(false);
}

void BuildPasswordArea(QWidget& form, TMainControls& c) {
  c.Panel8 = Panel(&form, "Panel8", {8, 286, 735, 92});
  c.Label1 = PlaceControl<QLabel>(c.Panel8, "Label1", {10, 6, 200, 20}, QStringLiteral("Add Pdf Password(s):"));
  BuildOpenPasswordRow(c);
  BuildRestrictionsPasswordRow(c);
  c.BitBtnPwdSettings = Button(c.Panel8, "BitBtnPwdSettings", {595, 40, 132, 34}, QStringLiteral("Configure"),
                               QStyle::SP_FileDialogDetailedView);
  c.BitBtnPwdSettings->setToolTip(QStringLiteral("How passwords are generated, and where they are recorded."));
  c.BitBtnPwdSettings->setEnabled(false);
}

QCheckBox* PermissionBox(QWidget* parent, const char* name, QRect geometry, const char* caption, const char* tip) {
  auto* box = PlaceControl<QCheckBox>(parent, name, geometry, QString::fromLatin1(caption));
  box->setToolTip(QString::fromLatin1(tip));
  box->setEnabled(false);
  return box;
}

void BuildPermissionArea(QWidget& form, TMainControls& c) {
  c.Panel2 = Panel(&form, "Panel2", {8, 384, 735, 92});
  c.CheckBoxAllwPrint = PermissionBox(c.Panel2, "CheckBoxAllwPrint", {10, 6, 175, 24}, "Allow PDF Printing",
                                      "Readers may print the document, at the quality chosen below.");
  c.CheckBoxAllwCopy = PermissionBox(c.Panel2, "CheckBoxAllwCopy", {190, 6, 175, 24}, "Allow Content Copy",
                                     "Readers may copy or extract text and images.");
  c.CheckBoxAllwChange = PermissionBox(c.Panel2, "CheckBoxAllwChange", {370, 6, 175, 24}, "Allow Change",
                                       "Readers may change the document in ways not covered by the other boxes.");
  c.CheckBoxAllwAddAnno = PermissionBox(c.Panel2, "CheckBoxAllwAddAnno", {550, 6, 180, 24}, "Allow Add Annotations",
                                        "Readers may add or change comments and fill in form fields.");
  c.Panel7 = PlaceControl<QFrame>(c.Panel2, "Panel7", QRect{0, 34, 735, 26});
  c.CheckBoxAllwFFill = PermissionBox(c.Panel7, "CheckBoxAllwFFill", {10, 1, 175, 24}, "Allow Form Filling",
                                      "Readers may fill in existing form fields, even without the annotations\n"
                                      "permission. Applies from 128 bits RC4 on.");
  c.CheckBoxAllwCopyacce = PermissionBox(c.Panel7, "CheckBoxAllwCopyacce", {190, 1, 340, 24},
                                         "Allow Content Copying for Accessibility",
                                         "Screen readers and other assistive technology may extract text and images.\n"
                                         "Applies from 128 bits RC4 on.");
  c.CheckBoxAllwAssemble = PermissionBox(c.Panel7, "CheckBoxAllwAssemble", {550, 1, 180, 24},
                                         "Allow Assemble Document",
                                         "Readers may insert, rotate or delete pages and add bookmarks.\n"
                                         "Applies from 128 bits RC4 on.");
  c.Panel9 = PlaceControl<QFrame>(c.Panel2, "Panel9", QRect{0, 62, 735, 26});
  c.RadioButtonHighResolution = PlaceControl<QRadioButton>(c.Panel9, "RadioButtonHighResolution", {30, 1, 150, 24},
                                                    QStringLiteral("High Resolution"));
  c.RadioButtonLowResolution = PlaceControl<QRadioButton>(c.Panel9, "RadioButtonLowResolution", {190, 1, 150, 24},
                                                   QStringLiteral("Low Resolution"));
  c.RadioButtonHighResolution->setToolTip(QStringLiteral("Printing at full quality."));
  c.RadioButtonLowResolution->setToolTip(QStringLiteral("Printing only as a degraded, low-resolution image."));
  c.RadioButtonHighResolution->setChecked(true);
  c.RadioButtonHighResolution->setEnabled(false);
  c.RadioButtonLowResolution->setEnabled(false);
}

void BuildOutputArea(QWidget& form, TMainControls& c) {
  c.Panel4 = Panel(&form, "Panel4", {8, 482, 735, 66});
  c.Label2 = PlaceControl<QLabel>(c.Panel4, "Label2", {10, 6, 100, 24}, QStringLiteral("Output Name:"));
  c.RadioBtnSameFName = PlaceControl<QRadioButton>(c.Panel4, "RadioBtnSameFName", {115, 6, 120, 24},
                                            QStringLiteral("Keep Original"));
  c.RadioBtnAdSuffix = PlaceControl<QRadioButton>(c.Panel4, "RadioBtnAdSuffix", {240, 6, 100, 24},
                                           QStringLiteral("Add Suffix:"));
  c.EditSuffix = PlaceControl<QLineEdit>(c.Panel4, "EditSuffix", {345, 6, 140, 24});
  c.EditSuffix->setText(QStringLiteral("_Secure"));
  c.RadioBtnAdSuffix->setChecked(true);
  c.Label3 = PlaceControl<QLabel>(c.Panel4, "Label3", {10, 36, 100, 24}, QStringLiteral("Output Path:"));
  c.EditSavePath = PlaceControl<QLineEdit>(c.Panel4, "EditSavePath", {115, 36, 270, 24});
  c.BitBtnSavePath = Button(c.Panel4, "BitBtnSavePath", {392, 34, 92, 28}, QStringLiteral("Save Path"),
                            QStyle::SP_DirIcon);
  c.BitBtnOpen = Button(c.Panel4, "BitBtnOpen", {490, 34, 76, 28}, QStringLiteral("Open"), QStyle::SP_DirLinkIcon);
  c.BitBtnEncryptPdf = PlaceControl<QPushButton>(c.Panel4, "BitBtnEncryptPdf", QRect{595, 8, 132, 50},
                                          QStringLiteral("Encrypt Pdf"));
  c.BitBtnEncryptPdf->setIcon(QIcon(QStringLiteral(":/ombreltenc.svg")));
  c.BitBtnEncryptPdf->setIconSize({28, 28});
  c.BitBtnEncryptPdf->setToolTip(
      QStringLiteral("Write an encrypted copy of every listed file into the output folder."));
}

void BuildBottomEdge(QWidget& form, TMainControls& c) {
  c.LabelAbout = PlaceControl<TLinkLabel>(&form, "LabelAbout", QRect{12, 554, 50, 18}, QStringLiteral("About"));
  c.Label10 = PlaceControl<TLinkLabel>(&form, "Label10", QRect{70, 554, 50, 18}, QStringLiteral("Help"));
  c.LabelProtected =
      PlaceControl<TLinkLabel>(&form, "LabelProtected", QRect{128, 554, 160, 18}, QStringLiteral("Protected Files..."));
  c.LabelProtected->setToolTip(
      QStringLiteral("Remove the protection of encrypted files, or protect them again with these settings."));
  c.ProgressBar1 = PlaceControl<QProgressBar>(&form, "ProgressBar1", QRect{300, 555, 443, 16});
  c.ProgressBar1->setTextVisible(false);
  c.ProgressBar1->hide();
}

}  // namespace

std::array<QCheckBox*, 7> TMainControls::PermissionBoxes() const {
  return {CheckBoxAllwPrint, CheckBoxAllwCopy,     CheckBoxAllwChange,  CheckBoxAllwAddAnno,
          CheckBoxAllwFFill, CheckBoxAllwCopyacce, CheckBoxAllwAssemble};
}

std::array<QWidget*, 5> TMainControls::InputAreas() const { return {Panel3, Panel1, Panel8, Panel2, Panel4}; }

// Screen readers name a control by its text; these have none of their own, their caption being a
// label beside them.
void NameTextlessControls(const TMainControls& c) {
  c.CheckBoxOpenpassword->setAccessibleName(QStringLiteral("Use a PDF Open Password"));
  c.EditUser->setAccessibleName(QStringLiteral("PDF Open Password"));
  c.CheckBoxRestrictions->setAccessibleName(QStringLiteral("Use a PDF Restrictions Password"));
  c.EditOwner->setAccessibleName(QStringLiteral("PDF Restrictions Password"));
  c.EditSuffix->setAccessibleName(QStringLiteral("Suffix"));
  c.EditSavePath->setAccessibleName(QStringLiteral("Output Path"));
  c.ListView1->setAccessibleName(QStringLiteral("PDF files to encrypt"));
  c.ProgressBar1->setAccessibleName(QStringLiteral("Progress"));
}

TMainControls BuildMainControls(QWidget& form) {
  TMainControls controls{};
  BuildFileListArea(form, controls);
  BuildLevelArea(form, controls);
  BuildPasswordArea(form, controls);
  BuildPermissionArea(form, controls);
  BuildOutputArea(form, controls);
  BuildBottomEdge(form, controls);
  NameTextlessControls(controls);
  return controls;
}

}  // namespace ombrelt::ui

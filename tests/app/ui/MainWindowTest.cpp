// The main window's controls and its file list, driven by object name against the real library.
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QCheckBox>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <set>

#include "app/ui/FileList.h"
#include "tests/app/ui/WindowFixture.h"

namespace ombrelt::ui::testing {

namespace {

QString Caption(QWidget& widget) {
  if (auto* button = qobject_cast<QAbstractButton*>(&widget)) return button->text();
  if (auto* label = qobject_cast<QLabel*>(&widget)) return label->text();
  if (auto* field = qobject_cast<QLineEdit*>(&widget)) return field->text();
  return {};
}

QStringList Column(const TFileList& list, int column) {
  QStringList texts;
  for (int row = 0; row < list.rowCount(); ++row) texts << list.item(row, column)->text();
  return texts;
}

void ClickRow(TFileList& list, int row) {
  QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, list.visualRect(list.model()->index(row, 0)).center());
}

QPoint FrameCentre(const QWidget& widget) { return widget.frameGeometry().center(); }

using pdf::testing::OnePagePdfWith;

std::string MetadataStream(const std::string& xmp) {
  return "<< /Type /Metadata /Subtype /XML /Length " + std::to_string(xmp.size()) + " >>\nstream\n" + xmp +
         "\nendstream";
}

}  // namespace

class TMainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<TWindowFixture>();
    fixture_->Window().show();
    QVERIFY(QTest::qWaitForWindowActive(&fixture_->Window()));
  }
  void cleanup() { fixture_.reset(); }

  void initialState_data() {
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<int>("checked");  // -1: not a check box or radio
    QTest::addColumn<bool>("visible");
    const auto row = [](const char* name, const char* caption, bool enabled, int checked, bool visible = true) {
      QTest::newRow(name) << QString::fromLatin1(caption) << enabled << checked << visible;
    };
    row("BitBtnAddFiles", "Add File    ", true, -1);
    row("BitBtnAddFolder", "Add Folder", true, -1);
    row("BitBtnDeleteFile", "Delete File ", false, -1);
    row("BitBtnClearAll", "Clear All     ", false, -1);
    row("Label4", "Pdf Encryption Level:", true, -1);
    row("RadioButton40Bit", "40 bits RC4", true, 0);
    row("RadioButton128BitRC4", "128 bits RC4 ", true, 1);
    row("RadioButton128BitAES", "128 bits AES", true, 0);
    row("RadioButton256BitAES", "256 bits AES", true, 0);
    row("Label1", "Add Pdf Password(s):", true, -1);
    row("CheckBoxOpenpassword", "", true, 0);
    row("LabelOpenpass", "PDF Open Password", false, -1);
    row("EditUser", "", false, -1);
    row("CheckboxUserAuto", "Auto create", false, 0);
    row("CheckBoxRestrictions", "", true, 0);
    row("LabelOwnerpass", "PDF Restrictions Password", false, -1);
    row("EditOwner", "", false, -1);
    row("CheckboxOwnerAuto", "Auto Create", false, 0);
    row("BitBtnPwdSettings", "Configure", false, -1);
    row("CheckBoxAllwPrint", "Allow PDF Printing", false, 0);
    row("CheckBoxAllwCopy", "Allow Content Copy", false, 0);
    row("CheckBoxAllwChange", "Allow Change", false, 0);
    row("CheckBoxAllwAddAnno", "Allow Add Annotations", false, 0);
    row("CheckBoxAllwFFill", "Allow Form Filling", false, 0);
    row("CheckBoxAllwCopyacce", "Allow Content Copying for Accessibility", false, 0);
    row("CheckBoxAllwAssemble", "Allow Assemble Document", false, 0);
    row("RadioButtonHighResolution", "High Resolution", false, 1);
    row("RadioButtonLowResolution", "Low Resolution", false, 0);
    row("Label2", "Output Name:", true, -1);
    row("RadioBtnSameFName", "Keep Original", true, 0);
    row("RadioBtnAdSuffix", "Add Suffix:", true, 1);
    row("EditSuffix", "_Secure", true, -1);
    row("Label3", "Output Path:", true, -1);
    row("EditSavePath", "", true, -1);
    row("BitBtnSavePath", "Save Path", true, -1);
    row("BitBtnOpen", "Open", true, -1);
    row("BitBtnEncryptPdf", "Encrypt Pdf", true, -1);
    row("LabelAbout", "About", true, -1);
    row("Label10", "Help", true, -1);
    row("LabelProtected", "Protected Files...", true, -1);
    row("ProgressBar1", "", true, -1, false);
  }

  void initialState() {
    QWidget& control = fixture_->Main<QWidget>(QTest::currentDataTag());
    QFETCH(QString, caption);
    QFETCH(bool, enabled);
    QFETCH(int, checked);
    QFETCH(bool, visible);
    QCOMPARE(Caption(control), caption);
    QCOMPARE(control.isEnabled(), enabled);
    if (checked >= 0) QCOMPARE(qobject_cast<QAbstractButton*>(&control)->isChecked(), checked == 1);
    QCOMPARE(control.isVisible(), visible);
  }

  void windowAndListLayout() {
    TForm1& window = fixture_->Window();
    QCOMPARE(window.windowTitle(), QStringLiteral("PDF Encryption"));
    QCOMPARE(window.size(), QSize(751, 578));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    auto& list = fixture_->Main<TFileList>("ListView1");
    const QStringList headers = {"PDF File", "Pages", "PDF File Path", "Status"};
    const int widths[] = {170, 80, 180, 100};
    for (int column = 0; column < 4; ++column) {
      QCOMPARE(list.horizontalHeaderItem(column)->text(), headers[column]);
      QCOMPARE(list.columnWidth(column), widths[column]);
    }
    QCOMPARE(list.rowCount(), 0);
    QVERIFY(list.showGrid());
    QCOMPARE(list.selectionBehavior(), QAbstractItemView::SelectRows);
  }

  // Many refused files share one "Stop!" box that lists each with its reason; one box per file
  // would hold the user for as long as the folder is long. A single refused file keeps its own box.
  void refusedFilesGetOneStopBoxAndNoRow() {
    TWindowFixture& f = *fixture_;
    const QString good = f.WriteFile("good.pdf", OnePagePdf());
    const QStringList chosen = {
        f.WriteEncryptedPdf("locked.pdf", u"open sesame"),  // needs a password to open
        f.WriteEncryptedPdf("restricted.pdf", u""),         // opens, but is encrypted
        f.WriteFile("notes.pdf", "These are notes, not a PDF.\n"),
        f.WriteFile("empty.pdf", ZeroPagePdf()),
        good,
        good,  // the same file twice gives two rows
    };
    f.AddFiles(chosen);
    QCOMPARE(f.prompts.openFilters, QStringList{"PDF File (*.pdf)"});
    QCOMPARE(f.prompts.messages.size(), std::size_t{1});
    QCOMPARE(f.prompts.messages.front().icon, TMessageIcon::kError);
    QCOMPARE(f.prompts.Texts("Stop!"),
             QStringList{"4 files are already encrypted or invalid pdf! They were not added; the details say why."});
    QCOMPARE(f.prompts.messages.front().details,
             QStringLiteral("locked.pdf: already encrypted\nrestricted.pdf: already encrypted\n"
                            "notes.pdf: not a readable PDF file\nempty.pdf: no pages"));
    auto& list = f.Main<TFileList>("ListView1");
    QCOMPARE(Column(list, kColumnFile), (QStringList{"good.pdf", "good.pdf"}));
    QCOMPARE(Column(list, kColumnPages), (QStringList{"1", "1"}));
    QCOMPARE(Column(list, kColumnPath), (QStringList{good, good}));
    QCOMPARE(Column(list, kColumnStatus), (QStringList{"", ""}));
    QCOMPARE(list.item(0, kColumnFile)->foreground().color(), QColor(0, 0, 255));
    QVERIFY(f.Main<QPushButton>("BitBtnClearAll").isEnabled());
    QVERIFY(!f.Main<QPushButton>("BitBtnDeleteFile").isEnabled());
    QVERIFY(!(list.item(0, kColumnFile)->flags() & Qt::ItemIsEditable));
  }

  void aSingleRefusedFileKeepsItsOwnBox() {
    TWindowFixture& f = *fixture_;
    f.AddFiles({f.WriteEncryptedPdf("locked.pdf", u"open sesame"), f.WriteFile("good.pdf", OnePagePdf())});
    QCOMPARE(f.prompts.Texts("Stop!"), QStringList{"\"locked.pdf\" is already encrypted or invalid pdf!"});
    QCOMPARE(f.prompts.messages.front().details, QString());
    QCOMPARE(f.Main<TFileList>("ListView1").rowCount(), 1);
  }

  void rowTooltipsSayWhatEncryptingChanges() {
    TWindowFixture& f = *fixture_;
    const QString plain = f.WriteFile("plain.pdf", OnePagePdf());
    const QString certified =
        f.WriteFile("certified.pdf", OnePagePdfWith("/Perms << /DocMDP 10 0 R >>", "<< /Type /Sig >>"));
    const std::string attributes = "<rdf:Description pdfaid:part='3' pdfaid:conformance='A'/>";
    const QString archive = f.WriteFile("archive.pdf", OnePagePdfWith("/Metadata 10 0 R", MetadataStream(attributes)));
    const std::string elements = "<pdfaid:part>1</pdfaid:part><pdfaid:conformance>B</pdfaid:conformance>";
    const std::string signedForm = "/AcroForm << /Fields [ ] /SigFlags 3 >>";
    const QString both =
        f.WriteFile("both.pdf", OnePagePdfWith(signedForm + " /Metadata 10 0 R", MetadataStream(elements)));
    std::string cut = OnePagePdf();
    cut.erase(cut.rfind("startxref"));  // a download cut short: no startxref, no end marker
    const QString damaged = f.WriteFile("damaged.pdf", cut);
    f.AddFiles({plain, certified, archive, both, damaged});
    // Such files are listed and encrypted like any other; only the tooltip tells.
    QVERIFY(f.prompts.messages.empty());
    auto& list = f.Main<TFileList>("ListView1");
    QCOMPARE(list.rowCount(), 5);
    const QString signedNotice = QStringLiteral("Signed: encrypting invalidates its signatures");
    const QString pdfa = QStringLiteral(": an encrypted copy is no longer PDF/A");
    const QString notices[] = {QString(), signedNotice, "Claims PDF/A-3A" + pdfa,
                               signedNotice + "\nClaims PDF/A-1B" + pdfa,
                               QStringLiteral("Damaged, repaired: object table rebuilt by scanning the file")};
    const QString paths[] = {plain, certified, archive, both, damaged};
    for (int row = 0; row < 5; ++row) {
      for (const int column : {kColumnFile, kColumnPages, kColumnStatus}) {
        QCOMPARE(list.item(row, column)->toolTip(), notices[row]);
      }
      QCOMPARE(list.item(row, kColumnPath)->toolTip(),
               notices[row].isEmpty() ? paths[row] : paths[row] + "\n" + notices[row]);
    }
  }

  void folderOffersItsPdfEntriesOnly() {
    TWindowFixture& f = *fixture_;
    f.WriteFile("a.pdf", OnePagePdf());
    f.WriteFile("B.PDF", OnePagePdf());
    f.WriteFile("readme.txt", "not offered");
    fs::create_directory(f.files / "x.pdf");
    fs::create_directory(f.files / "sub");
    f.WriteFile("sub/inner.pdf", OnePagePdf());
    f.prompts.folderAnswer = QString::fromStdString(f.files.Path().string());
    f.Main<QPushButton>("BitBtnAddFolder").click();
    QTRY_VERIFY(!f.Window().IsAddingFiles());
    QCOMPARE(f.prompts.folderPrompts, QStringList{"Select pdf folder:"});
    QCOMPARE(f.prompts.folderStarts, QStringList{QDir::homePath()});
    QCOMPARE(f.prompts.Texts("Stop!"), QStringList{"\"x.pdf\" is already encrypted or invalid pdf!"});
    // In name order, capitals first, as the command line takes them.
    QCOMPARE(Column(f.Main<TFileList>("ListView1"), kColumnFile), (QStringList{"B.PDF", "a.pdf"}));
  }

  void cancelledFolderBrowserAddsNothing() {
    fixture_->prompts.folderAnswer.clear();
    fixture_->Main<QPushButton>("BitBtnAddFolder").click();
    QVERIFY(!fixture_->Window().IsAddingFiles());
    QCOMPARE(fixture_->Main<TFileList>("ListView1").rowCount(), 0);
  }

  void droppedFilesAndFoldersAreAdded() {
    TWindowFixture& f = *fixture_;
    const QString single = f.WriteFile("single.pdf", OnePagePdf());
    fs::create_directory(f.files / "folder");
    f.WriteFile("folder/inside.pdf", OnePagePdf());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(single), QUrl::fromLocalFile(f.Path("folder"))});
    auto& list = f.Main<TFileList>("ListView1");
    QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list.viewport(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(list.viewport(), &drop);
    QTRY_VERIFY(!f.Window().IsAddingFiles());
    QCOMPARE(Column(list, kColumnFile), (QStringList{"single.pdf", "inside.pdf"}));
    QVERIFY(f.prompts.messages.empty());
  }

  void largeFolderIsInspectedWhileTheWindowResponds() {
    TWindowFixture& f = *fixture_;
    constexpr int kFiles = 1500;
    const std::string pdf = OnePagePdf();
    for (int i = 0; i < kFiles; ++i) f.WriteFile("file" + std::to_string(i) + ".pdf", pdf);
    f.prompts.folderAnswer = QString::fromStdString(f.files.Path().string());
    auto& bar = f.Main<QProgressBar>("ProgressBar1");
    auto& encrypt = f.Main<QPushButton>("BitBtnEncryptPdf");
    int turnsWhileAdding = 0;
    int largestProgressSeen = 0;
    QTimer probe;
    connect(&probe, &QTimer::timeout, [&] {
      if (!f.Window().IsAddingFiles()) return;
      ++turnsWhileAdding;
      largestProgressSeen = std::max(largestProgressSeen, bar.value());
      QVERIFY(bar.isVisible());
      QCOMPARE(bar.maximum(), kFiles);
      QVERIFY(!encrypt.isEnabled());  // no batch over a list still growing
    });
    probe.start(0);
    f.Main<QPushButton>("BitBtnAddFolder").click();
    QVERIFY(f.Window().IsAddingFiles());
    QTRY_VERIFY_WITH_TIMEOUT(!f.Window().IsAddingFiles(), 60000);
    probe.stop();
    QCOMPARE(f.Main<TFileList>("ListView1").rowCount(), kFiles);
    QVERIFY2(turnsWhileAdding >= 2, qPrintable(QString::number(turnsWhileAdding)));
    QVERIFY(largestProgressSeen > 0 && largestProgressSeen < kFiles);
    QVERIFY(!bar.isVisible());
    QVERIFY(encrypt.isEnabled());
  }

  void deleteAndClearRules() {
    TWindowFixture& f = *fixture_;
    const QStringList names = {"one.pdf", "two.pdf", "three.pdf"};
    QStringList paths;
    for (const QString& name : names) paths << f.WriteFile(name.toStdString(), OnePagePdf());
    f.AddFiles(paths);
    auto& list = f.Main<TFileList>("ListView1");
    auto& remove = f.Main<QPushButton>("BitBtnDeleteFile");
    auto& clear = f.Main<QPushButton>("BitBtnClearAll");
    QVERIFY(!remove.isEnabled());  // until a row is clicked

    ClickRow(list, 1);
    QVERIFY(remove.isEnabled());
    remove.click();
    QCOMPARE(Column(list, kColumnFile), (QStringList{"one.pdf", "three.pdf"}));
    QCOMPARE(list.currentIndex().row(), 1);  // the row that took the deleted one's place has the focus
    QVERIFY(list.selectionModel()->selectedRows().isEmpty());
    QVERIFY(list.hasFocus());
    QVERIFY(remove.isEnabled() && clear.isEnabled());

    remove.click();  // nothing is selected: nothing happens
    QCOMPARE(list.rowCount(), 2);

    ClickRow(list, 1);
    remove.click();  // the last row: the focus moves to the new last row
    QCOMPARE(Column(list, kColumnFile), QStringList{"one.pdf"});
    QCOMPARE(list.currentIndex().row(), 0);

    // The Delete key removes the selected row, as the button does.
    f.AddFiles({paths[1]});
    ClickRow(list, 1);
    QTest::keyClick(&list, Qt::Key_Delete);
    QCOMPARE(Column(list, kColumnFile), QStringList{"one.pdf"});

    ClickRow(list, 0);
    remove.click();
    QCOMPARE(list.rowCount(), 0);
    QVERIFY(!remove.isEnabled() && !clear.isEnabled());

    f.AddFiles(paths);
    ClickRow(list, 0);
    clear.click();
    QCOMPARE(list.rowCount(), 0);
    QVERIFY(!remove.isEnabled() && !clear.isEnabled());
  }

  void levelsShowExtendedPermissions_data() {
    QTest::addColumn<bool>("shown");
    QTest::newRow("RadioButton40Bit") << false;
    QTest::newRow("RadioButton128BitRC4") << true;
    QTest::newRow("RadioButton128BitAES") << true;
    QTest::newRow("RadioButton256BitAES") << true;
  }

  void levelsShowExtendedPermissions() {
    QFETCH(bool, shown);
    TWindowFixture& f = *fixture_;
    auto& formFilling = f.Main<QCheckBox>("CheckBoxAllwFFill");
    formFilling.setChecked(true);
    // From the hidden state, so that every level's own effect shows.
    f.Main<QRadioButton>("RadioButton40Bit").click();
    f.Main<QRadioButton>(QTest::currentDataTag()).click();
    for (const char* name : {"Panel7", "RadioButtonHighResolution", "RadioButtonLowResolution"}) {
      QCOMPARE(f.Main<QWidget>(name).isVisible(), shown);
    }
    QVERIFY(formFilling.isChecked());  // hidden boxes keep their state
  }

  void togglesEnableTheirControls_data() {
    QTest::addColumn<QStringList>("dependents");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QStringList>("untouched");
    const QStringList permissions = {"CheckBoxAllwPrint",    "CheckBoxAllwCopy",  "CheckBoxAllwChange",
                                     "CheckBoxAllwAddAnno",  "CheckBoxAllwFFill", "CheckBoxAllwCopyacce",
                                     "CheckBoxAllwAssemble"};
    const QStringList quality = {"RadioButtonHighResolution", "RadioButtonLowResolution"};
    QTest::newRow("CheckBoxOpenpassword") << QStringList{"LabelOpenpass", "EditUser", "CheckboxUserAuto"}
                                          << "EditUser" << QStringList{"LabelOwnerpass", "EditOwner"};
    QTest::newRow("CheckBoxRestrictions")
        << QStringList{"LabelOwnerpass", "EditOwner", "CheckboxOwnerAuto"} + permissions << "EditOwner" << quality;
    QTest::newRow("CheckBoxAllwPrint") << quality << "" << permissions.mid(1);
    QTest::newRow("CheckboxUserAuto") << QStringList{"BitBtnPwdSettings"} << "" << QStringList{"EditUser"};
    QTest::newRow("CheckboxOwnerAuto") << QStringList{"BitBtnPwdSettings"} << "" << QStringList{"EditOwner"};
  }

  void togglesEnableTheirControls() {
    QFETCH(QStringList, dependents);
    QFETCH(QString, focus);
    QFETCH(QStringList, untouched);
    TWindowFixture& f = *fixture_;
    auto& toggle = f.Main<QCheckBox>(QTest::currentDataTag());
    f.Main<QPushButton>("BitBtnAddFiles").setFocus();
    const auto enabledStates = [&](const QStringList& names) {
      QList<bool> states;
      for (const QString& name : names) states << f.Main<QWidget>(qPrintable(name)).isEnabled();
      return states;
    };
    const QList<bool> untouchedBefore = enabledStates(untouched);

    toggle.setChecked(true);
    QCOMPARE(enabledStates(dependents), QList<bool>(dependents.size(), true));
    if (!focus.isEmpty()) QCOMPARE(QApplication::focusWidget(), &f.Main<QWidget>(qPrintable(focus)));
    QCOMPARE(enabledStates(untouched), untouchedBefore);

    // Turning the toggle off keeps what the dependents hold.
    for (const QString& name : dependents) {
      QWidget& dependent = f.Main<QWidget>(qPrintable(name));
      if (auto* field = qobject_cast<QLineEdit*>(&dependent)) field->setText(QStringLiteral("kept"));
      if (auto* box = qobject_cast<QCheckBox*>(&dependent)) box->setChecked(true);
    }
    const QList<bool> untouchedWhileOn = enabledStates(untouched);
    toggle.setChecked(false);
    QCOMPARE(enabledStates(dependents), QList<bool>(dependents.size(), false));
    for (const QString& name : dependents) {
      QWidget& dependent = f.Main<QWidget>(qPrintable(name));
      if (auto* field = qobject_cast<QLineEdit*>(&dependent)) QCOMPARE(field->text(), QStringLiteral("kept"));
      if (auto* box = qobject_cast<QCheckBox*>(&dependent)) QVERIFY(box->isChecked());
    }
    QCOMPARE(enabledStates(untouched), untouchedWhileOn);
  }

  void configureFollowsEitherAutoOption() {
    TWindowFixture& f = *fixture_;
    auto& userAuto = f.Main<QCheckBox>("CheckboxUserAuto");
    auto& ownerAuto = f.Main<QCheckBox>("CheckboxOwnerAuto");
    auto& configure = f.Main<QPushButton>("BitBtnPwdSettings");
    userAuto.setChecked(true);
    ownerAuto.setChecked(true);
    userAuto.setChecked(false);
    QVERIFY(configure.isEnabled());
    ownerAuto.setChecked(false);
    QVERIFY(!configure.isEnabled());
  }

  void dialogsAndLinks() {
    TWindowFixture& f = *fixture_;
    TForm1& window = f.Window();
    f.Main<QCheckBox>("CheckboxOwnerAuto").setChecked(true);
    f.Main<QPushButton>("BitBtnPwdSettings").click();
    QTest::mouseClick(&f.Main<TLinkLabel>("LabelAbout"), Qt::LeftButton);
    QCOMPARE(f.prompts.dialogs.size(), std::size_t{2});
    QCOMPARE(f.prompts.dialogs[0].name, QStringLiteral("FrmPwd"));
    QCOMPARE(f.prompts.dialogs[1].name, QStringLiteral("Form6"));
    for (QWidget* dialog : {static_cast<QWidget*>(&f.Dialog()), static_cast<QWidget*>(&f.forms->Form6())}) {
      QVERIFY((FrameCentre(*dialog) - FrameCentre(window)).manhattanLength() <= 2);
    }
    TForm6& about = f.forms->Form6();
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    QCOMPARE(TWindowFixture::FindIn<QLabel>(about, "LabelVersion").text(), QStringLiteral("Version 1.5"));
    auto& close = TWindowFixture::FindIn<QPushButton>(about, "BitBtnClose");
    QCOMPARE(close.text(), QStringLiteral("Close"));
    about.show();
    close.click();
    QVERIFY(!about.isVisible());

    f.Main<QLineEdit>("EditSavePath").setText(QStringLiteral("/some/output folder"));
    f.Main<QPushButton>("BitBtnOpen").click();
    QTest::mouseClick(&f.Main<TLinkLabel>("Label10"), Qt::LeftButton);
    QCOMPARE(f.prompts.opened.size(), 2);
    QCOMPARE(f.prompts.opened[0], QStringLiteral("/some/output folder"));
    QVERIFY(f.prompts.opened[1].endsWith(QStringLiteral("/help.html")));

    // Keyboard users reach both links with Tab and press them with Enter or Space.
    for (const char* link : {"LabelAbout", "Label10"}) QCOMPARE(f.Main<QWidget>(link).focusPolicy(), Qt::StrongFocus);
    QTest::keyClick(&f.Main<TLinkLabel>("Label10"), Qt::Key_Return);
    QTest::keyClick(&f.Main<TLinkLabel>("LabelAbout"), Qt::Key_Space);
    QCOMPARE(f.prompts.opened.size(), 3);
    QCOMPARE(f.prompts.dialogs.size(), std::size_t{3});
  }

  // A click on a password's caption ticks or clears its box, whether the caption is grey or not.
  void passwordCaptionsToggleTheirBoxes() {
    TWindowFixture& f = *fixture_;
    auto& panel = f.Main<QWidget>("Panel8");
    for (const auto& [label, box] : {std::pair{"LabelOpenpass", "CheckBoxOpenpassword"},
                                     std::pair{"LabelOwnerpass", "CheckBoxRestrictions"}}) {
      const QPoint centre = f.Main<QWidget>(label).geometry().center();
      QVERIFY(!f.Main<QCheckBox>(box).isChecked());
      QTest::mouseClick(&panel, Qt::LeftButton, {}, centre);
      QVERIFY2(f.Main<QCheckBox>(box).isChecked(), label);
      QTest::mouseClick(&panel, Qt::LeftButton, {}, centre);
      QVERIFY2(!f.Main<QCheckBox>(box).isChecked(), label);
    }
  }

  // Screen readers have a name for every control that shows no text of its own, in the window and
  // in its dialogs.
  void everyControlHasAnAccessibleName() {
    TWindowFixture& f = *fixture_;
    QList<QWidget*> controls = f.Window().findChildren<QWidget*>();
    controls += f.Dialog().findChildren<QWidget*>();
    for (QWidget* control : controls) {
      const bool input = qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control) ||
                         qobject_cast<QAbstractItemView*>(control) || qobject_cast<QProgressBar*>(control);
      if (!input || control->objectName().isEmpty()) continue;
      const auto* button = qobject_cast<QAbstractButton*>(control);
      const bool named = !control->accessibleName().isEmpty() || (button != nullptr && !button->text().trimmed().isEmpty());
      QVERIFY2(named, qPrintable(control->objectName()));
    }
  }

 private:
  std::unique_ptr<TWindowFixture> fixture_;
};

}  // namespace ombrelt::ui::testing

QTEST_MAIN(ombrelt::ui::testing::TMainWindowTest)
#include "MainWindowTest.moc"

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
#include <QRegularExpression>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <set>

#include "app/ui/FileList.h"
#include "app/ui/HelpWindow.h"
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
    // "&" marks the mnemonic: Alt and the letter after it.
    row("addFilesButton", "&Add File", true, -1);
    row("addFolderButton", "Add &Folder", true, -1);
    row("deleteFilesButton", "&Delete File", false, -1);
    row("clearAllButton", "C&lear All", false, -1);
    row("levelLabel", "Pdf Encryption Level:", true, -1);
    row("level40BitRc4Radio", "&40 bits RC4", true, 0);
    row("level128BitRc4Radio", "&128 bits RC4", true, 0);
    row("level128BitAesRadio", "12&8 bits AES", true, 0);
    row("level256BitAesRadio", "&256 bits AES", true, 1);  // a first start offers the strongest
    row("keepMetadataCheck", "Keep &metadata readable", true, 0);
    row("weakLevelLabel", "RC4 is weak: choose an AES level unless old readers must open the copies.", true, -1, false);
    row("passwordsLabel", "Add Pdf Password(s):", true, -1);
    row("openPasswordCheck", "PDF &Open Password", true, 0);
    row("openPasswordEdit", "", false, -1);
    row("openPasswordAutoCheck", "A&uto create", false, 0);
    row("restrictionsPasswordCheck", "PDF &Restrictions Password", true, 0);
    row("restrictionsPasswordEdit", "", false, -1);
    row("restrictionsPasswordAutoCheck", "Au&to Create", false, 0);
    row("configureButton", "Co&nfigure", false, -1);
    row("allowPrintingCheck", "Allow PDF &Printing", false, 0);
    row("allowCopyingCheck", "Allow Content Cop&y", false, 0);
    row("allowChangingCheck", "Allow C&hange", false, 0);
    row("allowAnnotationsCheck", "Allow Add Annotat&ions", false, 0);
    row("allowFormFillingCheck", "Allow For&m Filling", false, 0);
    row("allowAccessibilityCheck", "Allow Content Copying for Accessi&bility", false, 0);
    row("allowAssemblingCheck", "Allow A&ssemble Document", false, 0);
    row("highResolutionRadio", "Hi&gh Resolution", false, 1);
    row("lowResolutionRadio", "Lo&w Resolution", false, 0);
    row("outputNameLabel", "Output Name:", true, -1);
    row("keepNameRadio", "&Keep Original", true, 0);
    row("addSuffixRadio", "Add Suffi&x:", true, 1);
    row("suffixEdit", "_Secure", true, -1);
    row("outputPathLabel", "Output Path:", true, -1);
    row("outputFolderEdit", "", true, -1);
    row("chooseOutputFolderButton", "Sa&ve Path", true, -1);
    row("openOutputFolderButton", "Op&en", true, -1);
    row("encryptButton", "&Encrypt Pdf", true, -1);
    row("aboutLink", "About", true, -1);
    row("helpLink", "Help", true, -1);
    row("protectedFilesLink", "Protected Files...", true, -1);
    row("progressBar", "", true, -1, false);
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

  // 751 x 578 is where the window starts and the least it takes; the list takes what it grows by.
  void windowAndListLayout() {
    TMainWindow& window = fixture_->Window();
    QCOMPARE(window.windowTitle(), QStringLiteral("PDF Encryption"));
    QCOMPARE(window.size(), QSize(751, 578));
    QCOMPARE(window.minimumSize(), QSize(751, 578));
    QVERIFY(window.maximumWidth() > 751 && window.maximumHeight() > 578);
    auto& list = fixture_->Main<TFileList>("fileList");
    const QSize listBefore = list.size();
    const QSize encryptBefore = fixture_->Main<QWidget>("encryptButton").size();
    window.resize(1000, 800);
    QTRY_COMPARE(list.size(), listBefore + QSize(249, 222));
    QCOMPARE(fixture_->Main<QWidget>("encryptButton").size(), encryptBefore);
    QCOMPARE(list.textElideMode(), Qt::ElideLeft);  // a long path keeps its file name in view
    const QStringList headers = {"PDF File", "Pages", "PDF File Path", "Status"};
    for (int column = 0; column < 4; ++column) {
      QCOMPARE(list.horizontalHeaderItem(column)->text(), headers[column]);
    }
    // Every column in view, the status whole; the path takes what is left.
    QVERIFY(list.columnWidth(kColumnStatus) > list.fontMetrics().horizontalAdvance(QStringLiteral("Encrypting...")));
    QCOMPARE(list.horizontalHeader()->sectionResizeMode(kColumnPath), QHeaderView::Stretch);
    QCOMPARE(list.horizontalHeader()->length(), list.viewport()->width());
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
    QCOMPARE(f.prompts.messages.size(), std::size_t{2});  // the refusals, then the same file listed twice
    QCOMPARE(f.prompts.messages.front().icon, TMessageIcon::kError);
    QCOMPARE(f.prompts.Texts("Stop!"),
             QStringList{"4 files are already encrypted or invalid pdf! They were not added; the details say why."});
    QCOMPARE(f.prompts.messages.front().details,
             QStringLiteral("locked.pdf: already encrypted\nrestricted.pdf: already encrypted\n"
                            "notes.pdf: not a readable PDF file\nempty.pdf: no pages"));
    auto& list = f.Main<TFileList>("fileList");
    QCOMPARE(Column(list, kColumnFile), (QStringList{"good.pdf", "good.pdf"}));
    QCOMPARE(Column(list, kColumnPages), (QStringList{"1", "1"}));
    QCOMPARE(Column(list, kColumnPath), (QStringList{good, good}));
    // Both rows would write one copy: the second is marked and no batch starts until it is mended.
    QCOMPARE(Column(list, kColumnStatus), (QStringList{"", "Same output as row 1"}));
    QCOMPARE(f.prompts.messages[1].caption, QStringLiteral("Warning"));
    // A waiting row is drawn in the list's own text colour: no status colour yet.
    QVERIFY(!list.item(0, kColumnFile)->data(Qt::ForegroundRole).isValid());
    QVERIFY(f.Main<QPushButton>("clearAllButton").isEnabled());
    QVERIFY(!f.Main<QPushButton>("deleteFilesButton").isEnabled());
    QVERIFY(!(list.item(0, kColumnFile)->flags() & Qt::ItemIsEditable));
  }

  void aSingleRefusedFileKeepsItsOwnBox() {
    TWindowFixture& f = *fixture_;
    f.AddFiles({f.WriteEncryptedPdf("locked.pdf", u"open sesame"), f.WriteFile("good.pdf", OnePagePdf())});
    QCOMPARE(f.prompts.Texts("Stop!"), QStringList{"\"locked.pdf\" is already encrypted or invalid pdf!"});
    QCOMPARE(f.prompts.messages.front().details, QString());
    QCOMPARE(f.Main<TFileList>("fileList").rowCount(), 1);
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
    auto& list = f.Main<TFileList>("fileList");
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
    f.Main<QPushButton>("addFolderButton").click();
    QTRY_VERIFY(!f.Window().IsAddingFiles());
    QCOMPARE(f.prompts.folderPrompts, QStringList{"Select pdf folder:"});
    QCOMPARE(f.prompts.folderStarts, QStringList{QDir::homePath()});
    QCOMPARE(f.prompts.Texts("Stop!"), QStringList{"\"x.pdf\" is already encrypted or invalid pdf!"});
    // In name order, capitals first, as the command line takes them.
    QCOMPARE(Column(f.Main<TFileList>("fileList"), kColumnFile), (QStringList{"B.PDF", "a.pdf"}));
  }

  void cancelledFolderBrowserAddsNothing() {
    fixture_->prompts.folderAnswer.clear();
    fixture_->Main<QPushButton>("addFolderButton").click();
    QVERIFY(!fixture_->Window().IsAddingFiles());
    QCOMPARE(fixture_->Main<TFileList>("fileList").rowCount(), 0);
  }

  void droppedFilesAndFoldersAreAdded() {
    TWindowFixture& f = *fixture_;
    const QString single = f.WriteFile("single.pdf", OnePagePdf());
    fs::create_directory(f.files / "folder");
    f.WriteFile("folder/inside.pdf", OnePagePdf());
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(single), QUrl::fromLocalFile(f.Path("folder"))});
    auto& list = f.Main<TFileList>("fileList");
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
    auto& bar = f.Main<QProgressBar>("progressBar");
    auto& encrypt = f.Main<QPushButton>("encryptButton");
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
    f.Main<QPushButton>("addFolderButton").click();
    QVERIFY(f.Window().IsAddingFiles());
    QTRY_VERIFY_WITH_TIMEOUT(!f.Window().IsAddingFiles(), 60000);
    probe.stop();
    QCOMPARE(f.Main<TFileList>("fileList").rowCount(), kFiles);
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
    auto& list = f.Main<TFileList>("fileList");
    auto& remove = f.Main<QPushButton>("deleteFilesButton");
    auto& clear = f.Main<QPushButton>("clearAllButton");
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
    QTest::newRow("level40BitRc4Radio") << false;
    QTest::newRow("level128BitRc4Radio") << true;
    QTest::newRow("level128BitAesRadio") << true;
    QTest::newRow("level256BitAesRadio") << true;
  }

  void levelsShowExtendedPermissions() {
    QFETCH(bool, shown);
    TWindowFixture& f = *fixture_;
    auto& formFilling = f.Main<QCheckBox>("allowFormFillingCheck");
    formFilling.setChecked(true);
    // From the hidden state, so that every level's own effect shows.
    f.Main<QRadioButton>("level40BitRc4Radio").click();
    f.Main<QRadioButton>(QTest::currentDataTag()).click();
    for (const char* name : {"extendedPermissionRow", "highResolutionRadio", "lowResolutionRadio"}) {
      QCOMPARE(f.Main<QWidget>(name).isVisible(), shown);
    }
    QVERIFY(formFilling.isChecked());  // hidden boxes keep their state
  }

  void togglesEnableTheirControls_data() {
    QTest::addColumn<QStringList>("dependents");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<QStringList>("untouched");
    const QStringList permissions = {"allowPrintingCheck",    "allowCopyingCheck",     "allowChangingCheck",
                                     "allowAnnotationsCheck", "allowFormFillingCheck", "allowAccessibilityCheck",
                                     "allowAssemblingCheck"};
    const QStringList quality = {"highResolutionRadio", "lowResolutionRadio"};
    QTest::newRow("openPasswordCheck") << QStringList{"openPasswordEdit", "openPasswordAutoCheck"} << "openPasswordEdit"
                                       << QStringList{"restrictionsPasswordEdit", "restrictionsPasswordAutoCheck"};
    QTest::newRow("restrictionsPasswordCheck")
        << QStringList{"restrictionsPasswordEdit", "restrictionsPasswordAutoCheck"} + permissions
        << "restrictionsPasswordEdit" << quality;
    QTest::newRow("allowPrintingCheck") << quality << "" << permissions.mid(1);
    QTest::newRow("openPasswordAutoCheck") << QStringList{"configureButton"} << "" << QStringList{"openPasswordEdit"};
    QTest::newRow("restrictionsPasswordAutoCheck")
        << QStringList{"configureButton"} << "" << QStringList{"restrictionsPasswordEdit"};
  }

  void togglesEnableTheirControls() {
    QFETCH(QStringList, dependents);
    QFETCH(QString, focus);
    QFETCH(QStringList, untouched);
    TWindowFixture& f = *fixture_;
    auto& toggle = f.Main<QCheckBox>(QTest::currentDataTag());
    f.Main<QPushButton>("addFilesButton").setFocus();
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
    auto& userAuto = f.Main<QCheckBox>("openPasswordAutoCheck");
    auto& ownerAuto = f.Main<QCheckBox>("restrictionsPasswordAutoCheck");
    auto& configure = f.Main<QPushButton>("configureButton");
    userAuto.setChecked(true);
    ownerAuto.setChecked(true);
    userAuto.setChecked(false);
    QVERIFY(configure.isEnabled());
    ownerAuto.setChecked(false);
    QVERIFY(!configure.isEnabled());
  }

  void dialogsAndLinks() {
    TWindowFixture& f = *fixture_;
    TMainWindow& window = f.Window();
    f.Main<QCheckBox>("restrictionsPasswordAutoCheck").setChecked(true);
    f.Main<QPushButton>("configureButton").click();
    QTest::mouseClick(&f.Main<TLinkLabel>("aboutLink"), Qt::LeftButton);
    QCOMPARE(f.prompts.dialogs.size(), std::size_t{2});
    QCOMPARE(f.prompts.dialogs[0].name, QStringLiteral("PasswordSettingsDialog"));
    QCOMPARE(f.prompts.dialogs[1].name, QStringLiteral("AboutBox"));
    for (QWidget* dialog : {static_cast<QWidget*>(&f.Dialog()), static_cast<QWidget*>(&f.forms->AboutBox())}) {
      QVERIFY((FrameCentre(*dialog) - FrameCentre(window)).manhattanLength() <= 2);
    }
    TAboutBox& about = f.forms->AboutBox();
    QCOMPARE(about.windowTitle(), QStringLiteral("About"));
    QCOMPARE(TWindowFixture::FindIn<QLabel>(about, "versionLabel").text(), QStringLiteral("Version 1.5"));
    auto& close = TWindowFixture::FindIn<QPushButton>(about, "closeButton");
    QCOMPARE(close.text(), QStringLiteral("&Close"));
    about.show();
    close.click();
    QVERIFY(!about.isVisible());

    const QString output = QString::fromStdString(f.files.Path().string());
    f.Main<QLineEdit>("outputFolderEdit").setText(output);
    f.Main<QPushButton>("openOutputFolderButton").click();
    QTest::mouseClick(&f.Main<TLinkLabel>("helpLink"), Qt::LeftButton);
    QCOMPARE(f.prompts.opened.size(), 2);
    QCOMPARE(f.prompts.opened[0], output);
    QVERIFY(f.prompts.opened[1].endsWith(QStringLiteral("/help.html")));
    QVERIFY(f.prompts.messages.empty());

    // Keyboard users reach both links with Tab and press them with Enter or Space.
    for (const char* link : {"aboutLink", "helpLink"}) QCOMPARE(f.Main<QWidget>(link).focusPolicy(), Qt::StrongFocus);
    QTest::keyClick(&f.Main<TLinkLabel>("helpLink"), Qt::Key_Return);
    QTest::keyClick(&f.Main<TLinkLabel>("aboutLink"), Qt::Key_Space);
    QCOMPARE(f.prompts.opened.size(), 3);
    QCOMPARE(f.prompts.dialogs.size(), std::size_t{3});
  }

  // Where no desktop program opens them, Help shows the page in a window of the program's own and
  // Open says why the folder did not appear; a folder that is not there is said before asking.
  void helpAndOpenNeverFailSilently() {
    TWindowFixture& f = *fixture_;
    f.prompts.shellOpens = false;
    QTest::mouseClick(&f.Main<TLinkLabel>("helpLink"), Qt::LeftButton);
    auto* help = f.Window().findChild<THelpWindow*>(QStringLiteral("HelpWindow"));
    QVERIFY(help != nullptr);
    QVERIFY(help->isVisible());
    QVERIFY(help->Source().endsWith(QStringLiteral("/help.html")));
    QVERIFY(f.prompts.messages.empty());

    struct TCase {
      QString folder;
      QString message;
    };
    const QString existing = QString::fromStdString(f.files.Path().string());
    const TCase cases[] = {
        {QStringLiteral("  "), QStringLiteral("Please select output path.")},
        {f.Path("missing"), QStringLiteral("The output folder \"%1\" does not exist.").arg(f.Path("missing"))},
        {existing, QStringLiteral("No program of this desktop opens folders, so \"%1\" could not be shown. Please "
                                  "open it in your file manager.")
                       .arg(existing)},
    };
    for (const TCase& c : cases) {
      f.prompts.messages.clear();
      f.Main<QLineEdit>("outputFolderEdit").setText(c.folder);
      f.Main<QPushButton>("addFilesButton").setFocus();
      f.Main<QPushButton>("openOutputFolderButton").click();
      QCOMPARE(f.prompts.Texts("Warning"), QStringList{c.message});
      QCOMPARE(QApplication::focusWidget(), &f.Main<QWidget>("outputFolderEdit"));
    }
  }

  // The list is one stop of the Tab chain; Tab, Shift+Tab and Ctrl+Tab leave it, the arrows move
  // within it. Enter presses the focused button; a radio group is entered at its checked button.
  void keyboardMovesThroughTheWindow() {
    TWindowFixture& f = *fixture_;
    f.AddFiles({f.WriteFile("one.pdf", OnePagePdf()), f.WriteFile("two.pdf", OnePagePdf())});
    auto& list = f.Main<TFileList>("fileList");
    const auto focusAfter = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
      list.setFocus();
      list.setCurrentCell(0, 0);
      QTest::keyClick(QApplication::focusWidget(), key, modifiers);
      return QApplication::focusWidget();
    };
    QCOMPARE(focusAfter(Qt::Key_Down, {}), &list);
    QCOMPARE(list.currentRow(), 1);
    QCOMPARE(focusAfter(Qt::Key_Tab, {}), &f.Main<QWidget>("addFilesButton"));
    QCOMPARE(focusAfter(Qt::Key_Tab, Qt::ControlModifier), &f.Main<QWidget>("addFilesButton"));
    QVERIFY(focusAfter(Qt::Key_Backtab, Qt::ShiftModifier) != &list);
    QVERIFY(focusAfter(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier) != &list);

    f.Main<QRadioButton>("level128BitAesRadio").click();
    f.Main<QPushButton>("clearAllButton").setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), &f.Main<QWidget>("level128BitAesRadio"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);  // the arrows choose within the group
    QVERIFY(f.Main<QRadioButton>("level256BitAesRadio").isChecked());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);  // and Tab leaves it
    QCOMPARE(QApplication::focusWidget(), &f.Main<QWidget>("keepMetadataCheck"));

    // Enter on a focused button presses it: here "Clear All".
    f.Main<QPushButton>("clearAllButton").setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(list.rowCount(), 0);
  }

  // Shift and Ctrl choose several rows; Delete, or the button, removes every chosen one.
  void severalRowsAreChosenAndDeletedTogether() {
    TWindowFixture& f = *fixture_;
    QStringList paths;
    for (const char* name : {"a.pdf", "b.pdf", "c.pdf", "d.pdf", "e.pdf"}) paths << f.WriteFile(name, OnePagePdf());
    f.AddFiles(paths);
    auto& list = f.Main<TFileList>("fileList");
    ClickRow(list, 0);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ShiftModifier,
                      list.visualRect(list.model()->index(1, 0)).center());
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list.visualRect(list.model()->index(3, 0)).center());
    QCOMPARE(list.selectionModel()->selectedRows().size(), 3);
    QVERIFY(f.Main<QPushButton>("deleteFilesButton").isEnabled());
    QTest::keyClick(&list, Qt::Key_Delete);
    QCOMPARE(Column(list, kColumnFile), (QStringList{"c.pdf", "e.pdf"}));
    QCOMPARE(list.currentIndex().row(), 0);
    QCOMPARE(list.item(1, kColumnFile)->data(Qt::AccessibleDescriptionRole).toString(),
             QStringLiteral("Row 2, waiting"));

    list.selectAll();
    f.Main<QPushButton>("deleteFilesButton").click();
    QCOMPARE(list.rowCount(), 0);
  }

  // The level chosen last comes back at the next start, and so does "Keep metadata readable"; the
  // RC4 levels carry their warning.
  void levelAndMetadataAreRemembered() {
    TWindowFixture& f = *fixture_;
    f.Main<QRadioButton>("level128BitRc4Radio").click();
    QVERIFY(f.Main<QLabel>("weakLevelLabel").isVisible());
    QVERIFY(f.Main<QWidget>("level128BitRc4Radio").toolTip().startsWith(QStringLiteral("Weak:")));
    QVERIFY(f.Main<QWidget>("level40BitRc4Radio").toolTip().startsWith(QStringLiteral("Weak:")));
    f.Main<QCheckBox>("keepMetadataCheck").setChecked(true);
    {
      const TWindowFixture restarted(f.settings);
      QWidget& window = restarted.forms->MainWindow();
      QVERIFY(TWindowFixture::FindIn<QRadioButton>(window, "level128BitRc4Radio").isChecked());
      QVERIFY(TWindowFixture::FindIn<QCheckBox>(window, "keepMetadataCheck").isChecked());
    }
    f.Main<QRadioButton>("level128BitAesRadio").click();
    QVERIFY(!f.Main<QLabel>("weakLevelLabel").isVisible());
    const TWindowFixture restarted(f.settings);
    QVERIFY(TWindowFixture::FindIn<QRadioButton>(restarted.forms->MainWindow(), "level128BitAesRadio").isChecked());
  }

  // Every button, check box and radio of the window and its dialogs has a mnemonic.
  void everyButtonHasAMnemonic() {
    TWindowFixture& f = *fixture_;
    QList<QWidget*> forms = {&f.Window(), &f.Dialog(), &f.forms->AboutBox(),
                             f.Window().findChild<QWidget*>(QStringLiteral("ProtectedFilesDialog"))};
    for (QWidget* form : forms) {
      for (QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
        if (button->objectName().isEmpty() || button->text().isEmpty()) continue;
        QVERIFY2(button->text().contains(QRegularExpression(QStringLiteral("&[^&]"))),
                 qPrintable(button->objectName()));
      }
    }
  }

  // Screen readers have a name for every control, without blanks around it, in the window and in
  // its dialogs: its own text, or an accessible name where it shows none.
  void everyControlHasAnAccessibleName() {
    TWindowFixture& f = *fixture_;
    QList<QWidget*> controls = f.Window().findChildren<QWidget*>();  // the dialogs are its children
    for (QWidget* control : controls) {
      const bool input = qobject_cast<QAbstractButton*>(control) || qobject_cast<QLineEdit*>(control) ||
                         qobject_cast<QAbstractItemView*>(control) || qobject_cast<QProgressBar*>(control);
      if (!input || control->objectName().isEmpty()) continue;
      const auto* button = qobject_cast<QAbstractButton*>(control);
      const QString name = control->accessibleName().isEmpty() && button != nullptr
                               ? button->text().remove(QLatin1Char('&'))
                               : control->accessibleName();
      QVERIFY2(!name.isEmpty(), qPrintable(control->objectName()));
      QVERIFY2(name == name.trimmed(), qPrintable(control->objectName() + QStringLiteral(": \"") + name + "\""));
    }
  }

 private:
  std::unique_ptr<TWindowFixture> fixture_;
};

}  // namespace ombrelt::ui::testing

QTEST_MAIN(ombrelt::ui::testing::TMainWindowTest)
#include "MainWindowTest.moc"

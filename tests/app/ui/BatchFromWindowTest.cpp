// Batches started from the window, on the real background worker and library: validation, the
// run with its statuses and progress, errors, and closing the window while a batch runs. Outputs
// are checked by qpdf, opening them with the passwords the window used.
#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "app/ui/FileList.h"
#include "tests/app/ui/QpdfChecks.h"
#include "tests/app/ui/WindowFixture.h"

namespace ombrelt::ui::testing {

namespace {

using pdf::testing::Quote;
using pdf::testing::RunCommand;

// The password file's records; its fields hold no commas or quotes in these tests.
QList<QStringList> CsvRecords(const fs::path& path) {
  QList<QStringList> records;
  const QString text = QString::fromStdString(pdf::testing::ReadFile(path));
  for (const QString& line : text.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
    QStringList fields = line.split(QLatin1Char(','));
    for (QString& field : fields) field = field.mid(1, field.size() - 2);
    records << fields;
  }
  return records;
}

// Starts a batch of the listed files into the folder "out" with the open password "open".
void RunWithOpenPassword(TWindowFixture& f) {
  f.Main<QCheckBox>("openPasswordCheck").setChecked(true);
  f.Main<QLineEdit>("openPasswordEdit").setText(QStringLiteral("open"));
  f.Main<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
  f.Main<QPushButton>("encryptButton").click();
}

}  // namespace

class TBatchFromWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!pdf::testing::HasProgram("qpdf")) QSKIP("qpdf is needed to open the outputs");
  }
  void init() {
    fixture_ = std::make_unique<TWindowFixture>();
    fixture_->Window().show();
    QVERIFY(QTest::qWaitForWindowActive(&fixture_->Window()));
  }
  void cleanup() { fixture_.reset(); }

  void validationRulesInOrderWithTheirFollowUps() {
    TWindowFixture& f = *fixture_;
    auto& list = f.Main<TFileList>("fileList");
    const QString good = f.WriteFile("good.pdf", OnePagePdf());
    const QString output = f.Path("out");
    fs::create_directory(f.files / "out");
    struct TStep {
      const char* message;
      const char* caption;
      const char* focus;           // the control that gets the focus, or none
      std::function<void()> mend;  // makes the next rule the first one broken
    };
    const TStep steps[] = {
        {"Please add file(s).", "Warning", nullptr, [] {}},
        {"Please provide password to encrypt pdf file(s).", "Warning", nullptr,
         [&] { f.Main<QCheckBox>("openPasswordCheck").setChecked(true); }},
        {"No user password provided.", "Warning", "openPasswordEdit",
         [&] {
           f.Main<QLineEdit>("openPasswordEdit").setText(QStringLiteral(" same "));
           f.Main<QCheckBox>("restrictionsPasswordCheck").setChecked(true);
         }},
        {"No owner password provided.", "Warning", "restrictionsPasswordEdit",
         [&] { f.Main<QLineEdit>("restrictionsPasswordEdit").setText(QStringLiteral("same")); }},
        {"Do not use same password for user and owner.", "Alert!", nullptr,
         [&] {
           f.Main<QLineEdit>("restrictionsPasswordEdit").setText(QStringLiteral("Same"));
           f.Main<QLineEdit>("outputFolderEdit").setText(QStringLiteral("  "));
         }},
        {"Please select output path.", "Warning", "outputFolderEdit",
         [&] {
           f.Main<QLineEdit>("outputFolderEdit").setText(output);
           f.Main<QCheckBox>("restrictionsPasswordAutoCheck").setChecked(true);
           f.Settings<QLineEdit>("passwordFileEdit").setText(f.Path("passwords.txt"));
         }},
        {"Password file path is invalid. Please choose correct one.\n\nThe password file must be a .csv file; "
         "\"passwords.txt\" is not.",
         "Warning", nullptr, [&] { f.Settings<QLineEdit>("passwordFileEdit").setText(f.Path("PASSWORDS.CSV")); }},
    };
    f.prompts.openFilesAnswers.push_back({good});  // the file dialog offered by the first rule
    auto& encrypt = f.Main<QPushButton>("encryptButton");
    for (const TStep& step : steps) {
      f.prompts.messages.clear();
      f.Main<QPushButton>("addFilesButton").setFocus();
      encrypt.click();
      QCOMPARE(f.prompts.messages.size(), std::size_t{1});
      QCOMPARE(f.prompts.messages[0].text, QString::fromLatin1(step.message));
      QCOMPARE(f.prompts.messages[0].caption, QString::fromLatin1(step.caption));
      QCOMPARE(f.prompts.messages[0].icon, TMessageIcon::kWarning);
      QWidget* expectedFocus = step.focus ? &f.Main<QWidget>(step.focus) : &f.Main<QWidget>("addFilesButton");
      QCOMPARE(QApplication::focusWidget(), expectedFocus);
      QVERIFY(!f.Worker().IsWorking());
      QVERIFY(!f.Main<QProgressBar>("progressBar").isVisible() || f.Window().IsAddingFiles());
      QTRY_VERIFY(!f.Window().IsAddingFiles());
      step.mend();
    }
    QCOMPARE(f.prompts.openFilters.size(), 1);  // only the first rule opened the file dialog
    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(f.prompts.dialogs.size(), std::size_t{1});  // only the last rule showed the settings
    QCOMPARE(f.prompts.dialogs[0].name, QStringLiteral("PasswordSettingsDialog"));

    f.prompts.messages.clear();
    encrypt.click();  // everything mended: the batch runs
    QVERIFY(f.Worker().IsWorking());
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);
    QCOMPARE(Statuses(list), QStringList{"Succeed!"});
  }

  // RC4 and 128-bit AES hash a typed password as Windows-1252: "\u5BC6\u7801" would become "??" and
  // the copy would open with "??". The window stops with a warning and sends the user to the field;
  // 256-bit AES takes the password and the copy opens with it.
  void passwordsTheLevelCannotHoldStopTheBatch_data() {
    QTest::addColumn<bool>("refused");
    QTest::newRow("level40BitRc4Radio") << true;
    QTest::newRow("level128BitRc4Radio") << true;
    QTest::newRow("level128BitAesRadio") << true;
    QTest::newRow("level256BitAesRadio") << false;
  }

  void passwordsTheLevelCannotHoldStopTheBatch() {
    QFETCH(bool, refused);
    TWindowFixture& f = *fixture_;
    f.prompts.openFilesAnswers.push_back({f.WriteFile("doc.pdf", OnePagePdf())});
    f.Main<QPushButton>("addFilesButton").click();
    QTRY_VERIFY(!f.Window().IsAddingFiles());
    f.Main<QRadioButton>(QTest::currentDataTag()).click();
    const QString password = QString::fromUtf16(u"\u5BC6\u7801");
    f.Main<QCheckBox>("openPasswordCheck").setChecked(true);
    f.Main<QLineEdit>("openPasswordEdit").setText(password);
    fs::create_directory(f.files / "out");
    f.Main<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
    f.Main<QPushButton>("addFilesButton").setFocus();
    f.prompts.messages.clear();
    f.Main<QPushButton>("encryptButton").click();
    if (refused) {
      QCOMPARE(f.prompts.messages.size(), std::size_t{1});
      QCOMPARE(f.prompts.messages[0].caption, QStringLiteral("Warning"));
      QVERIFY(f.prompts.messages[0].text.contains(QStringLiteral("256 bits AES")));
      QCOMPARE(QApplication::focusWidget(), &f.Main<QWidget>("openPasswordEdit"));
      QVERIFY(!f.Worker().IsWorking());
      QVERIFY(!fs::exists(f.files / "out" / "doc_Secure.pdf"));
      return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);
    QCOMPARE(Statuses(f.Main<TFileList>("fileList")), QStringList{"Succeed!"});
    QVERIFY2(QpdfOpens(f.Path("out/doc_Secure.pdf"), password), qPrintable(f.Path("out/doc_Secure.pdf")));
  }

  void twoFilesEndGreenAndOpenWithTheirPasswords() {
    TWindowFixture& f = *fixture_;
    const QStringList inputs = {f.WriteFile("annual.pdf", OnePagePdf()), f.WriteFile("report.v2.pdf", OnePagePdf())};
    f.AddFiles(inputs);
    fs::create_directory(f.files / "out");
    const QString output = f.Path("out");
    const fs::path passwordFile = f.files / "passwords.csv";
    f.Main<QRadioButton>("level256BitAesRadio").click();
    f.Main<QCheckBox>("openPasswordCheck").setChecked(true);
    f.Main<QCheckBox>("openPasswordAutoCheck").setChecked(true);
    f.Main<QCheckBox>("restrictionsPasswordCheck").setChecked(true);
    f.Main<QLineEdit>("restrictionsPasswordEdit").setText(QStringLiteral("  owner secret "));
    f.Main<QCheckBox>("allowPrintingCheck").setChecked(true);
    f.Main<QCheckBox>("allowAccessibilityCheck").setChecked(true);
    f.Main<QLineEdit>("outputFolderEdit").setText(output);
    f.Settings<QLineEdit>("userLengthEdit").setText(QStringLiteral("12"));
    f.Settings<QLineEdit>("passwordFileEdit").setText(QString::fromStdString(passwordFile.string()));
    auto& bar = f.Main<QProgressBar>("progressBar");
    QList<int> progress;
    connect(&bar, &QProgressBar::valueChanged, [&](int value) { progress << value; });

    f.Main<QPushButton>("encryptButton").click();
    for (const char* area :
         {"fileButtonsPanel", "levelPanel", "passwordPanel", "permissionPanel", "outputPanel", "encryptButton"}) {
      QVERIFY2(!f.Main<QWidget>(area).isEnabled(), area);
    }
    // The list stays scrollable and readable, but takes no drops and deletes nothing.
    auto& running = f.Main<TFileList>("fileList");
    QVERIFY(running.isEnabled() && !running.viewport()->acceptDrops());
    running.selectRow(0);
    QTest::keyClick(&running, Qt::Key_Delete);
    QCOMPARE(running.rowCount(), 2);
    QVERIFY(f.Main<QWidget>("aboutLink").isEnabled() && f.Main<QWidget>("helpLink").isEnabled());
    QVERIFY(bar.isVisible());
    QCOMPARE(bar.maximum(), 2);
    QCOMPARE(bar.text(), QStringLiteral("0 of 2"));
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);

    QCOMPARE(f.prompts.messages.size(), std::size_t{1});
    QCOMPARE(f.prompts.messages[0].icon, TMessageIcon::kInformation);
    QCOMPARE(f.prompts.messages[0].text, QStringLiteral("PDF encryption completed.\n\n2 files succeeded, 0 failed."));
    auto& list = f.Main<TFileList>("fileList");
    QCOMPARE(Statuses(list), (QStringList{"Succeed!", "Succeed!"}));
    for (int row = 0; row < 2; ++row) QCOMPARE(list.item(row, kColumnFile)->foreground().color(), QColor(0, 128, 0));
    QVERIFY(progress.contains(2));
    QVERIFY(!bar.isVisible());
    QCOMPARE(bar.value(), 0);
    QVERIFY(list.viewport()->acceptDrops());
    for (const char* area :
         {"fileButtonsPanel", "levelPanel", "passwordPanel", "permissionPanel", "outputPanel", "encryptButton"}) {
      QVERIFY2(f.Main<QWidget>(area).isEnabled(), area);
    }

    const QList<QStringList> records = CsvRecords(passwordFile);
    QCOMPARE(records.size(), 3);
    QCOMPARE(records[0], (QStringList{"File Name", "Open Password", "Owner Password", "File Path"}));
    const QStringList outputs = {output + "/annual_Secure.pdf", output + "/report.v2_Secure.pdf"};
    const QStringList baseNames = {"annual", "report.v2"};
    for (int i = 0; i < 2; ++i) {
      const QStringList& record = records[i + 1];
      QCOMPARE(record[0], baseNames[i]);
      QCOMPARE(record[1].size(), 12);
      QCOMPARE(record[2], QStringLiteral("owner secret"));
      QCOMPARE(record[3], inputs[i]);
      QVERIFY(!QpdfOpens(outputs[i], QString()));
      const std::string encryption = QpdfEncryption(outputs[i], record[1]);
      QVERIFY2(encryption.find("R = 6") != std::string::npos, encryption.c_str());
      QVERIFY(encryption.find("print high resolution: allowed") != std::string::npos);
      QVERIFY(encryption.find("extract for accessibility: allowed") != std::string::npos);
      QVERIFY(encryption.find("modify document assembly: not allowed") != std::string::npos);
      QVERIFY(QpdfOpens(outputs[i], QStringLiteral("owner secret")));
    }
    QCOMPARE(records[1][1] == records[2][1], false);  // a fresh password for every file
  }

  void failedFileIsBlueAndTheBatchGoesOn() {
    TWindowFixture& f = *fixture_;
    fs::create_directory(f.files / "out");
    const std::string original = OnePagePdf();
    const QString inOutput = f.WriteFile("out/same-folder.pdf", original);
    const QString elsewhere = f.WriteFile("Elsewhere.PDF", OnePagePdf());
    f.AddFiles({inOutput, elsewhere});
    f.Main<QRadioButton>("keepNameRadio").click();
    RunWithOpenPassword(f);
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);
    auto& list = f.Main<TFileList>("fileList");
    QCOMPARE(Statuses(list), (QStringList{"Failed!", "Succeed!"}));
    QCOMPARE(list.item(0, kColumnFile)->foreground().color(), QColor(0, 0, 255));
    QCOMPARE(pdf::testing::ReadFile(inOutput.toStdString()), original);  // never replaced by its copy
    QVERIFY(QpdfOpens(f.Path("out/Elsewhere.PDF"), QStringLiteral("open")));
    QVERIFY(!fs::exists(f.files / "passwords.csv"));

    // Why it failed: in the row's tooltip and copied by its context menu; the message counts.
    const QString reason = list.FailureReason(0);
    QVERIFY2(reason.contains(QStringLiteral("the input itself")), qPrintable(reason));
    QCOMPARE(list.item(0, kColumnStatus)->toolTip(), reason);
    QVERIFY(list.item(0, kColumnFile)->toolTip().endsWith(reason));
    QVERIFY(list.ContextMenuFor(1) == nullptr);
    QMenu* menu = list.ContextMenuFor(0);
    QVERIFY(menu != nullptr);
    QCOMPARE(menu->actions().size(), 1);
    QCOMPARE(menu->actions()[0]->text(), QStringLiteral("Copy reason"));
    menu->actions()[0]->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("same-folder.pdf: ") + reason);
    delete menu;
    QCOMPARE(
        f.prompts.Texts("Done!"),
        QStringList{"PDF encryption completed.\n\n1 file succeeded, 1 failed. Point at a failed file to see why."});

    // The next batch starts from clean rows: no old status, reason or tooltip stays behind.
    f.prompts.messages.clear();
    f.Main<QRadioButton>("keepNameRadio").click();
    const QString inputTip = list.item(1, kColumnFile)->toolTip();
    f.Main<QPushButton>("encryptButton").click();
    QCOMPARE(list.FailureReason(0), QString());
    QVERIFY(!list.item(0, kColumnFile)->toolTip().contains(reason));
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);
    QCOMPARE(list.item(1, kColumnFile)->toolTip(), inputTip);
  }

  // A folder's report.pdf and another folder's report.pdf would both become report_Secure.pdf: the
  // later row is marked as it is added, and "Encrypt Pdf" names it and starts nothing until it is
  // gone. The same file listed twice is the same case.
  void rowsWritingOneOutputAreShownAndRefused() {
    TWindowFixture& f = *fixture_;
    fs::create_directories(f.files / "a");
    fs::create_directories(f.files / "b");
    fs::create_directory(f.files / "out");
    const QString first = f.WriteFile("a/report.pdf", OnePagePdf());
    const QString second = f.WriteFile("b/report.pdf", OnePagePdf());
    f.prompts.folderAnswer = f.Path("a");
    f.Main<QPushButton>("addFolderButton").click();
    QTRY_VERIFY(!f.Window().IsAddingFiles());
    QVERIFY(f.prompts.messages.empty());
    f.AddFiles({second});
    auto& list = f.Main<TFileList>("fileList");
    QCOMPARE(Statuses(list), (QStringList{"", "Same output as row 1"}));
    QCOMPARE(f.prompts.Texts("Warning").size(), 1);
    const QString output = f.Path("out") + "/report_Secure.pdf";
    const QString details = "Row 2 (report.pdf): the same output as row 1, " + output;

    f.prompts.messages.clear();
    RunWithOpenPassword(f);  // the output folder changes: the mark is made anew
    QVERIFY(!f.Worker().IsWorking());
    QCOMPARE(f.prompts.messages.size(), std::size_t{1});
    QCOMPARE(f.prompts.messages[0].caption, QStringLiteral("Warning"));
    QCOMPARE(f.prompts.messages[0].details, details);
    QVERIFY(!fs::exists(f.files / "out" / "report_Secure.pdf"));

    // The same file twice.
    f.AddFiles({first});
    QCOMPARE(Statuses(list), (QStringList{"", "Same output as row 1", "Same output as row 1"}));

    // Another suffix leaves the names coinciding; deleting the later rows mends it.
    f.Main<QLineEdit>("suffixEdit").setText(QStringLiteral("_S"));
    QCOMPARE(Statuses(list), (QStringList{"", "Same output as row 1", "Same output as row 1"}));
    list.selectRow(1);
    QTest::keyClick(&list, Qt::Key_Delete);
    QCOMPARE(Statuses(list), (QStringList{"", "Same output as row 1"}));
    list.selectRow(1);
    QTest::keyClick(&list, Qt::Key_Delete);
    QCOMPARE(Statuses(list), QStringList{""});
    f.prompts.messages.clear();
    f.Main<QPushButton>("encryptButton").click();
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);
    QCOMPARE(Statuses(list), QStringList{"Succeed!"});
    QVERIFY(QpdfOpens(f.Path("out/report_S.pdf"), QStringLiteral("open")));
  }

  // A password with a control character inside could never be typed to open the copy.
  void passwordsWithControlCharactersAreRefused_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("password");
    QTest::newRow("tab in the open password") << "openPasswordEdit" << QStringLiteral("ab\tcd");
    QTest::newRow("NUL in the open password") << "openPasswordEdit" << QString::fromUtf16(u"ab\u0000cd", 5);
    QTest::newRow("line break in the restrictions password") << "restrictionsPasswordEdit" << QStringLiteral("own\ner");
    QTest::newRow("C1 control in the restrictions password")
        << "restrictionsPasswordEdit" << QString::fromUtf16(u"own\u0085er");
  }
  void passwordsWithControlCharactersAreRefused() {
    QFETCH(QString, field);
    QFETCH(QString, password);
    TWindowFixture& f = *fixture_;
    f.AddFiles({f.WriteFile("doc.pdf", OnePagePdf())});
    fs::create_directory(f.files / "out");
    f.Main<QCheckBox>("openPasswordCheck").setChecked(true);
    f.Main<QLineEdit>("openPasswordEdit").setText(QStringLiteral("open"));
    f.Main<QCheckBox>("restrictionsPasswordCheck").setChecked(true);
    f.Main<QLineEdit>("restrictionsPasswordEdit").setText(QStringLiteral("owner"));
    f.Main<QLineEdit>(qPrintable(field)).setText(password);
    f.Main<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
    f.Main<QPushButton>("encryptButton").click();
    QCOMPARE(f.prompts.Texts("Warning").size(), 1);
    QVERIFY(f.prompts.Texts("Warning")[0].contains(QStringLiteral("control character")));
    QCOMPARE(QApplication::focusWidget(), &f.Main<QWidget>(qPrintable(field)));
    QVERIFY(!f.Worker().IsWorking());
    QVERIFY(!fs::exists(f.files / "out" / "doc_Secure.pdf"));
  }

  // The statuses of a batch describe the copies it made: a setting that would make other copies
  // clears them.
  void statusesAreClearedWhenASettingChanges() {
    TWindowFixture& f = *fixture_;
    f.AddFiles({f.WriteFile("doc.pdf", OnePagePdf())});
    fs::create_directory(f.files / "out");
    RunWithOpenPassword(f);
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);
    auto& list = f.Main<TFileList>("fileList");
    const std::function<void()> changes[] = {
        [&] { f.Main<QRadioButton>("level128BitAesRadio").click(); },
        [&] { f.Main<QLineEdit>("openPasswordEdit").setText(QStringLiteral("other")); },
        [&] { f.Main<QCheckBox>("restrictionsPasswordCheck").setChecked(true); },
        [&] { f.Main<QCheckBox>("allowPrintingCheck").setChecked(true); },
        [&] { f.Main<QCheckBox>("keepMetadataCheck").setChecked(true); },
        [&] { f.Main<QLineEdit>("suffixEdit").setText(QStringLiteral("_x")); },
        [&] { f.Main<QRadioButton>("keepNameRadio").click(); },
        [&] {
          f.Settings<QLineEdit>("passwordFileEdit").setText(f.Path("passwords.csv"));
          f.Settings<QPushButton>("okButton").click();
        },
    };
    for (const auto& change : changes) {
      list.SetStatus(0, QStringLiteral("Succeed!"));
      change();
      QCOMPARE(Statuses(list), QStringList{""});
    }
  }

  // A damaged input whose page is not where its table says is copied whole, and the row's status
  // tooltip says the copy was repaired.
  void repairedCopySaysSoInItsStatusTooltip() {
    TWindowFixture& f = *fixture_;
    fs::create_directory(f.files / "out");
    pdf::testing::TestPdf damaged = pdf::testing::OnePageDocument();
    std::string bytes = damaged.Finish("/Root 1 0 R");
    const std::string entry = pdf::testing::TestPdf::Entry(damaged.Offset(3), 0, 'n');
    bytes.replace(bytes.find(entry), entry.size(), pdf::testing::TestPdf::Entry(damaged.Offset(2), 0, 'n'));
    f.AddFiles({f.WriteFile("damaged.pdf", bytes), f.WriteFile("sound.pdf", OnePagePdf())});
    RunWithOpenPassword(f);
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);
    auto& list = f.Main<TFileList>("fileList");
    QCOMPARE(Statuses(list), (QStringList{"Succeed!", "Succeed!"}));
    QCOMPARE(list.item(0, kColumnStatus)->toolTip(), QStringLiteral("repaired: 1 object found away from its table offset"));
    QCOMPARE(list.item(1, kColumnStatus)->toolTip(), QString());
  }

  void batchErrorIsShownAndTheWindowStaysOpen() {
    TWindowFixture& f = *fixture_;
    f.AddFiles({f.WriteFile("one.pdf", OnePagePdf())});
    fs::create_directory(f.files / "out");
    fs::create_directory(f.files / "folder.csv");  // passes validation, but cannot be written
    f.Main<QCheckBox>("openPasswordCheck").setChecked(true);
    f.Main<QCheckBox>("openPasswordAutoCheck").setChecked(true);
    f.Main<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
    f.Settings<QLineEdit>("passwordFileEdit").setText(f.Path("folder.csv"));
    QSignalSpy ended(&f.Window(), &TMainWindow::ApplicationEnded);
    f.Main<QPushButton>("encryptButton").click();
    QTRY_VERIFY_WITH_TIMEOUT(!f.Worker().IsWorking(), 60000);
    QCOMPARE(f.prompts.messages.size(), std::size_t{1});
    QCOMPARE(f.prompts.messages[0].icon, TMessageIcon::kError);
    QVERIFY(f.prompts.messages[0].text.contains(f.Path("folder.csv")));
    QVERIFY(f.Window().isVisible());
    QVERIFY(ended.isEmpty());
    QVERIFY(f.Main<QWidget>("fileButtonsPanel").isEnabled() && f.Main<QWidget>("encryptButton").isEnabled());
    QVERIFY(!f.Main<QProgressBar>("progressBar").isVisible());
    QCOMPARE(Statuses(f.Main<TFileList>("fileList")), QStringList{"Not started"});
  }

  void closingDuringABatchEndsAfterTheCurrentFile() {
    TWindowFixture& f = *fixture_;
    constexpr int kFiles = 60;
    const std::string pdf = ManyObjectPdf(5000);
    QStringList inputs;
    for (int i = 0; i < kFiles; ++i) inputs << f.WriteFile("big" + std::to_string(i) + ".pdf", pdf);
    f.AddFiles(inputs);
    fs::create_directory(f.files / "out");
    const fs::path passwordFile = f.files / "passwords.csv";
    f.Main<QCheckBox>("openPasswordCheck").setChecked(true);
    f.Main<QCheckBox>("openPasswordAutoCheck").setChecked(true);
    f.Main<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
    f.Settings<QLineEdit>("passwordFileEdit").setText(QString::fromStdString(passwordFile.string()));
    QSignalSpy ended(&f.Window(), &TMainWindow::ApplicationEnded);
    auto& list = f.Main<TFileList>("fileList");

    f.Main<QPushButton>("encryptButton").click();
    QTRY_VERIFY_WITH_TIMEOUT(!list.Status(0).isEmpty(), 60000);
    // Asked first: "No" leaves the batch running and the window open.
    f.prompts.answer = false;
    QVERIFY(!f.Window().close());
    QCOMPARE(f.prompts.questions.size(), 1);
    QVERIFY(f.prompts.questions[0].contains(QStringLiteral("Not started")));
    QVERIFY(f.Window().isVisible() && f.Worker().IsWorking());
    f.prompts.answer = true;
    QElapsedTimer sinceClose;
    sinceClose.start();
    QVERIFY(!f.Window().close());  // refused while the batch runs, but hidden
    QVERIFY(!f.Window().isVisible());
    QVERIFY(ended.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 120000);
    QVERIFY(sinceClose.elapsed() >= 500);
    QVERIFY(!f.Worker().IsWorking());
    QVERIFY(f.prompts.Texts("Done!").isEmpty());

    // Files were finished, never cut off: done ones first, the rest untouched and marked so.
    const QStringList statuses = Statuses(list);
    const qsizetype done = statuses.count(QStringLiteral("Succeed!"));
    QVERIFY2(done >= 1 && done < kFiles, qPrintable(statuses.join(',')));
    QCOMPARE(statuses.mid(0, done), QStringList(done, QStringLiteral("Succeed!")));
    QCOMPARE(statuses.mid(done), QStringList(kFiles - done, QStringLiteral("Not started")));
    const QList<QStringList> records = CsvRecords(passwordFile);
    QCOMPARE(records.size(), done + 1);
    for (qsizetype i = 0; i < done; ++i) {
      QCOMPARE(records[i + 1][3], inputs[i]);
      QVERIFY(QpdfOpens(f.Path("out/big" + std::to_string(i) + "_Secure.pdf"), records[i + 1][1]));
    }
    QCOMPARE(std::distance(fs::directory_iterator(f.files / "out"), fs::directory_iterator()), done);
  }

  void closedWindowEndsTheApplicationHoweverTheRunCompleted() {
    TWindowFixture& f = *fixture_;
    f.AddFiles({f.WriteFile("small.pdf", OnePagePdf())});
    fs::create_directory(f.files / "out");
    f.Main<QCheckBox>("openPasswordCheck").setChecked(true);
    f.Main<QLineEdit>("openPasswordEdit").setText(QStringLiteral("open"));
    f.Main<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
    QSignalSpy ended(&f.Window(), &TMainWindow::ApplicationEnded);
    f.Main<QPushButton>("encryptButton").click();
    f.Window().close();  // the completion cannot have been delivered yet
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 60000);
    QVERIFY(f.prompts.Texts("Done!").isEmpty());
    QCOMPARE(Statuses(f.Main<TFileList>("fileList")), QStringList{"Succeed!"});
  }

  void closingWhileIdleEndsAtOnce() {
    QSignalSpy ended(&fixture_->Window(), &TMainWindow::ApplicationEnded);
    QVERIFY(fixture_->Window().close());
    QCOMPARE(ended.count(), 1);
  }

 private:
  std::unique_ptr<TWindowFixture> fixture_;
};

}  // namespace ombrelt::ui::testing

QTEST_MAIN(ombrelt::ui::testing::TBatchFromWindowTest)
#include "BatchFromWindowTest.moc"

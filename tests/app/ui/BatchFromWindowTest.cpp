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
  f.Main<QCheckBox>("CheckBoxOpenpassword").setChecked(true);
  f.Main<QLineEdit>("EditUser").setText(QStringLiteral("open"));
  f.Main<QLineEdit>("EditSavePath").setText(f.Path("out"));
  f.Main<QPushButton>("BitBtnEncryptPdf").click();
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
    auto& list = f.Main<TFileList>("ListView1");
    const QString good = f.WriteFile("good.pdf", OnePagePdf());
    const QString output = f.Path("out");
    fs::create_directory(f.files / "out");
    struct TStep {
      const char* message;
      const char* caption;
      const char* focus;            // the control that gets the focus, or none
      std::function<void()> mend;   // makes the next rule the first one broken
    };
    const TStep steps[] = {
        {"Please add file(s).", "Warning", nullptr, [] {}},
        {"Please provide password to encrypt pdf file(s).", "Warning", nullptr,
         [&] { f.Main<QCheckBox>("CheckBoxOpenpassword").setChecked(true); }},
        {"No user password provided.", "Warning", "EditUser",
         [&] {
           f.Main<QLineEdit>("EditUser").setText(QStringLiteral(" same "));
           f.Main<QCheckBox>("CheckBoxRestrictions").setChecked(true);
         }},
        {"No owner password provided.", "Warning", "EditOwner",
         [&] { f.Main<QLineEdit>("EditOwner").setText(QStringLiteral("same")); }},
        {"Do not use same password for user and owner.", "Alert!", nullptr,
         [&] {
           f.Main<QLineEdit>("EditOwner").setText(QStringLiteral("Same"));
           f.Main<QLineEdit>("EditSavePath").setText(QStringLiteral("  "));
         }},
        {"Please select output path.", "Warning", "EditSavePath",
         [&] {
           f.Main<QLineEdit>("EditSavePath").setText(output);
           f.Main<QCheckBox>("CheckboxOwnerAuto").setChecked(true);
           f.Settings<QLineEdit>("editLogPath").setText(f.Path("passwords.txt"));
         }},
        {"Password file path is invalid. Please choose correct one.", "Warning", nullptr,
         [&] { f.Settings<QLineEdit>("editLogPath").setText(f.Path("PASSWORDS.CSV")); }},
    };
    f.prompts.openFilesAnswers.push_back({good});  // the file dialog offered by the first rule
    auto& encrypt = f.Main<QPushButton>("BitBtnEncryptPdf");
    for (const TStep& step : steps) {
      f.prompts.messages.clear();
      f.Main<QPushButton>("BitBtnAddFiles").setFocus();
      encrypt.click();
      QCOMPARE(f.prompts.messages.size(), std::size_t{1});
      QCOMPARE(f.prompts.messages[0].text, QString::fromLatin1(step.message));
      QCOMPARE(f.prompts.messages[0].caption, QString::fromLatin1(step.caption));
      QCOMPARE(f.prompts.messages[0].icon, TMessageIcon::kWarning);
      QWidget* expectedFocus = step.focus ? &f.Main<QWidget>(step.focus) : &f.Main<QWidget>("BitBtnAddFiles");
      QCOMPARE(QApplication::focusWidget(), expectedFocus);
      QVERIFY(!f.Worker().IsWorking());
      QVERIFY(!f.Main<QProgressBar>("ProgressBar1").isVisible() || f.Window().IsAddingFiles());
      QTRY_VERIFY(!f.Window().IsAddingFiles());
      step.mend();
    }
    QCOMPARE(f.prompts.openFilters.size(), 1);  // only the first rule opened the file dialog
    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(f.prompts.dialogs.size(), std::size_t{1});  // only the last rule showed the settings
    QCOMPARE(f.prompts.dialogs[0].name, QStringLiteral("FrmPwd"));

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
    QTest::newRow("RadioButton40Bit") << true;
    QTest::newRow("RadioButton128BitRC4") << true;
    QTest::newRow("RadioButton128BitAES") << true;
    QTest::newRow("RadioButton256BitAES") << false;
  }

  void passwordsTheLevelCannotHoldStopTheBatch() {
    QFETCH(bool, refused);
    TWindowFixture& f = *fixture_;
    f.prompts.openFilesAnswers.push_back({f.WriteFile("doc.pdf", OnePagePdf())});
    f.Main<QPushButton>("BitBtnAddFiles").click();
    QTRY_VERIFY(!f.Window().IsAddingFiles());
    f.Main<QRadioButton>(QTest::currentDataTag()).click();
    const QString password = QString::fromUtf16(u"\u5BC6\u7801");
    f.Main<QCheckBox>("CheckBoxOpenpassword").setChecked(true);
    f.Main<QLineEdit>("EditUser").setText(password);
    fs::create_directory(f.files / "out");
    f.Main<QLineEdit>("EditSavePath").setText(f.Path("out"));
    f.Main<QPushButton>("BitBtnAddFiles").setFocus();
    f.prompts.messages.clear();
    f.Main<QPushButton>("BitBtnEncryptPdf").click();
    if (refused) {
      QCOMPARE(f.prompts.messages.size(), std::size_t{1});
      QCOMPARE(f.prompts.messages[0].caption, QStringLiteral("Warning"));
      QVERIFY(f.prompts.messages[0].text.contains(QStringLiteral("256 bits AES")));
      QCOMPARE(QApplication::focusWidget(), &f.Main<QWidget>("EditUser"));
      QVERIFY(!f.Worker().IsWorking());
      QVERIFY(!fs::exists(f.files / "out" / "doc_Secure.pdf"));
      return;
    }
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);
    QCOMPARE(Statuses(f.Main<TFileList>("ListView1")), QStringList{"Succeed!"});
    QVERIFY2(QpdfOpens(f.Path("out/doc_Secure.pdf"), password), qPrintable(f.Path("out/doc_Secure.pdf")));
  }

  void twoFilesEndGreenAndOpenWithTheirPasswords() {
    TWindowFixture& f = *fixture_;
    const QStringList inputs = {f.WriteFile("annual.pdf", OnePagePdf()),
                                f.WriteFile("report.v2.pdf", OnePagePdf())};
    f.AddFiles(inputs);
    fs::create_directory(f.files / "out");
    const QString output = f.Path("out");
    const fs::path passwordFile = f.files / "passwords.csv";
    f.Main<QRadioButton>("RadioButton256BitAES").click();
    f.Main<QCheckBox>("CheckBoxOpenpassword").setChecked(true);
    f.Main<QCheckBox>("CheckboxUserAuto").setChecked(true);
    f.Main<QCheckBox>("CheckBoxRestrictions").setChecked(true);
    f.Main<QLineEdit>("EditOwner").setText(QStringLiteral("  owner secret "));
    f.Main<QCheckBox>("CheckBoxAllwPrint").setChecked(true);
    f.Main<QCheckBox>("CheckBoxAllwCopyacce").setChecked(true);
    f.Main<QLineEdit>("EditSavePath").setText(output);
    f.Settings<QLineEdit>("editCharLength").setText(QStringLiteral("12"));
    f.Settings<QLineEdit>("editLogPath").setText(QString::fromStdString(passwordFile.string()));
    auto& bar = f.Main<QProgressBar>("ProgressBar1");
    QList<int> progress;
    connect(&bar, &QProgressBar::valueChanged, [&](int value) { progress << value; });

    f.Main<QPushButton>("BitBtnEncryptPdf").click();
    for (const char* area : {"Panel3", "Panel1", "Panel8", "Panel2", "Panel4", "BitBtnEncryptPdf"}) {
      QVERIFY2(!f.Main<QWidget>(area).isEnabled(), area);
    }
    // The list stays scrollable and readable, but takes no drops and deletes nothing.
    auto& running = f.Main<TFileList>("ListView1");
    QVERIFY(running.isEnabled() && !running.viewport()->acceptDrops());
    running.selectRow(0);
    QTest::keyClick(&running, Qt::Key_Delete);
    QCOMPARE(running.rowCount(), 2);
    QVERIFY(f.Main<QWidget>("LabelAbout").isEnabled() && f.Main<QWidget>("Label10").isEnabled());
    QVERIFY(bar.isVisible());
    QCOMPARE(bar.maximum(), 2);
    QCOMPARE(bar.text(), QStringLiteral("0 of 2"));
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);

    QCOMPARE(f.prompts.messages.size(), std::size_t{1});
    QCOMPARE(f.prompts.messages[0].icon, TMessageIcon::kInformation);
    QCOMPARE(f.prompts.messages[0].text, QStringLiteral("PDF encryption completed.\n\n2 files succeeded, 0 failed."));
    auto& list = f.Main<TFileList>("ListView1");
    QCOMPARE(Statuses(list), (QStringList{"Succeed!", "Succeed!"}));
    for (int row = 0; row < 2; ++row) QCOMPARE(list.item(row, kColumnFile)->foreground().color(), QColor(0, 128, 0));
    QVERIFY(progress.contains(2));
    QVERIFY(!bar.isVisible());
    QCOMPARE(bar.value(), 0);
    QVERIFY(list.viewport()->acceptDrops());
    for (const char* area : {"Panel3", "Panel1", "Panel8", "Panel2", "Panel4", "BitBtnEncryptPdf"}) {
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
    f.Main<QRadioButton>("RadioBtnSameFName").click();
    RunWithOpenPassword(f);
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);
    auto& list = f.Main<TFileList>("ListView1");
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
    QCOMPARE(QGuiApplication::clipboard()->text(), reason);
    delete menu;
    QCOMPARE(f.prompts.Texts("Done!"),
             QStringList{"PDF encryption completed.\n\n1 file succeeded, 1 failed. Point at a failed file to see why."});

    // The next batch starts from clean rows: no old status, reason or tooltip stays behind.
    f.prompts.messages.clear();
    f.Main<QRadioButton>("RadioBtnSameFName").click();
    const QString inputTip = list.item(1, kColumnFile)->toolTip();
    f.Main<QPushButton>("BitBtnEncryptPdf").click();
    QCOMPARE(list.FailureReason(0), QString());
    QVERIFY(!list.item(0, kColumnFile)->toolTip().contains(reason));
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);
    QCOMPARE(list.item(1, kColumnFile)->toolTip(), inputTip);
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
    auto& list = f.Main<TFileList>("ListView1");
    QCOMPARE(Statuses(list), (QStringList{"Succeed!", "Succeed!"}));
    QCOMPARE(list.item(0, kColumnStatus)->toolTip(), QStringLiteral("repaired: 1 object found away from its table offset"));
    QCOMPARE(list.item(1, kColumnStatus)->toolTip(), QString());
  }

  void batchErrorIsShownAndTheWindowStaysOpen() {
    TWindowFixture& f = *fixture_;
    f.AddFiles({f.WriteFile("one.pdf", OnePagePdf())});
    fs::create_directory(f.files / "out");
    fs::create_directory(f.files / "folder.csv");  // passes validation, but cannot be written
    f.Main<QCheckBox>("CheckBoxOpenpassword").setChecked(true);
    f.Main<QCheckBox>("CheckboxUserAuto").setChecked(true);
    f.Main<QLineEdit>("EditSavePath").setText(f.Path("out"));
    f.Settings<QLineEdit>("editLogPath").setText(f.Path("folder.csv"));
    QSignalSpy ended(&f.Window(), &TForm1::ApplicationEnded);
    f.Main<QPushButton>("BitBtnEncryptPdf").click();
    QTRY_VERIFY_WITH_TIMEOUT(!f.Worker().IsWorking(), 60000);
    QCOMPARE(f.prompts.messages.size(), std::size_t{1});
    QCOMPARE(f.prompts.messages[0].icon, TMessageIcon::kError);
    QVERIFY(f.prompts.messages[0].text.contains(f.Path("folder.csv")));
    QVERIFY(f.Window().isVisible());
    QVERIFY(ended.isEmpty());
    QVERIFY(f.Main<QWidget>("Panel3").isEnabled() && f.Main<QWidget>("BitBtnEncryptPdf").isEnabled());
    QVERIFY(!f.Main<QProgressBar>("ProgressBar1").isVisible());
    QCOMPARE(Statuses(f.Main<TFileList>("ListView1")), QStringList{""});
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
    f.Main<QCheckBox>("CheckBoxOpenpassword").setChecked(true);
    f.Main<QCheckBox>("CheckboxUserAuto").setChecked(true);
    f.Main<QLineEdit>("EditSavePath").setText(f.Path("out"));
    f.Settings<QLineEdit>("editLogPath").setText(QString::fromStdString(passwordFile.string()));
    QSignalSpy ended(&f.Window(), &TForm1::ApplicationEnded);
    auto& list = f.Main<TFileList>("ListView1");

    f.Main<QPushButton>("BitBtnEncryptPdf").click();
    QTRY_VERIFY_WITH_TIMEOUT(!list.Status(0).isEmpty(), 60000);
    QElapsedTimer sinceClose;
    sinceClose.start();
    QVERIFY(!f.Window().close());  // refused while the batch runs, but hidden
    QVERIFY(!f.Window().isVisible());
    QVERIFY(ended.isEmpty());
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 120000);
    QVERIFY(sinceClose.elapsed() >= 500);
    QVERIFY(!f.Worker().IsWorking());
    QVERIFY(f.prompts.Texts("Done!").isEmpty());

    // Files were finished, never cut off: done ones first, the rest untouched.
    const QStringList statuses = Statuses(list);
    const qsizetype done = statuses.count(QStringLiteral("Succeed!"));
    QVERIFY2(done >= 1 && done < kFiles, qPrintable(statuses.join(',')));
    QCOMPARE(statuses.mid(0, done), QStringList(done, QStringLiteral("Succeed!")));
    QCOMPARE(statuses.mid(done), QStringList(kFiles - done, QString()));
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
    f.Main<QCheckBox>("CheckBoxOpenpassword").setChecked(true);
    f.Main<QLineEdit>("EditUser").setText(QStringLiteral("open"));
    f.Main<QLineEdit>("EditSavePath").setText(f.Path("out"));
    QSignalSpy ended(&f.Window(), &TForm1::ApplicationEnded);
    f.Main<QPushButton>("BitBtnEncryptPdf").click();
    f.Window().close();  // the completion cannot have been delivered yet
    QTRY_COMPARE_WITH_TIMEOUT(ended.count(), 1, 60000);
    QVERIFY(f.prompts.Texts("Done!").isEmpty());
    QCOMPARE(Statuses(f.Main<TFileList>("ListView1")), QStringList{"Succeed!"});
  }

  void closingWhileIdleEndsAtOnce() {
    QSignalSpy ended(&fixture_->Window(), &TForm1::ApplicationEnded);
    QVERIFY(fixture_->Window().close());
    QCOMPARE(ended.count(), 1);
  }

 private:
  std::unique_ptr<TWindowFixture> fixture_;
};

}  // namespace ombrelt::ui::testing

QTEST_MAIN(ombrelt::ui::testing::TBatchFromWindowTest)
#include "BatchFromWindowTest.moc"

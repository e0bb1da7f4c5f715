// The protected files dialog on the real background worker and library: which files it lists, the
// checks before a run, removing protection and protecting again, passwords from a password file,
// and stopping. Copies are checked by qpdf.
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "app/ui/FileList.h"
#include "app/ui/ProtectedFilesDialog.h"
#include "tests/app/ui/QpdfChecks.h"
#include "tests/app/ui/WindowFixture.h"

namespace ombrelt::ui::testing {

namespace {

bool NotEncrypted(const QString& path) {
  return QpdfEncryption(path, QString()).find("File is not encrypted") != std::string::npos;
}

}  // namespace

class TProtectedFilesDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() {
    if (!pdf::testing::HasProgram("qpdf")) QSKIP("qpdf is needed to open the copies");
  }
  void init() {
    fixture_ = std::make_unique<TWindowFixture>();
    fixture_->Window().show();
    QVERIFY(QTest::qWaitForWindowActive(&fixture_->Window()));
    dialog_ = fixture_->Window().findChild<TProtectedFilesDialog*>(QStringLiteral("ProtectedFilesDialog"));
    QVERIFY(dialog_ != nullptr);
    fs::create_directory(fixture_->files / "out");
  }
  void cleanup() { fixture_.reset(); }

  // The link opens the dialog. Its copies keep their names, so they go by default to an "Unlocked"
  // folder beside the files, made when needed, never beside the files themselves (the main
  // window's output folder, where encrypted copies are, would be that).
  void theLinkOpensTheDialogAndCopiesGoToAnUnlockedFolder() {
    TWindowFixture& f = *fixture_;
    f.Main<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
    QTest::keyClick(&f.Main<QWidget>("protectedFilesLink"), Qt::Key_Space);
    QCOMPARE(f.prompts.dialogs.size(), std::size_t{1});
    QCOMPARE(f.prompts.dialogs[0].name, QStringLiteral("ProtectedFilesDialog"));
    QCOMPARE(Control<QLineEdit>("outputFolderEdit").text(), QString());
    AddFiles({f.WriteEncryptedPdf("a.pdf", u"user"), f.WriteEncryptedPdf("b.pdf", u"user")});
    QCOMPARE(dialog_->DefaultOutputFolder(), f.Path("Unlocked"));
    QVERIFY(!fs::exists(f.files / "Unlocked"));
    Control<QLineEdit>("currentPasswordEdit").setText(QStringLiteral("owner"));
    Run();
    QCOMPARE(Statuses(Control<TFileList>("fileList")), (QStringList{"Succeed!", "Succeed!"}));
    QVERIFY(NotEncrypted(f.Path("Unlocked/a.pdf")) && NotEncrypted(f.Path("Unlocked/b.pdf")));
  }

  // No protected files run beside a batch of the main window: its link is disabled meanwhile.
  void unavailableDuringTheMainWindowsBatch() {
    TWindowFixture& f = *fixture_;
    f.AddFiles({f.WriteFile("plain.pdf", ManyObjectPdf(3000))});
    f.Main<QCheckBox>("openPasswordCheck").setChecked(true);
    f.Main<QLineEdit>("openPasswordEdit").setText(QStringLiteral("open"));
    f.Main<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
    auto& link = f.Main<QWidget>("protectedFilesLink");
    f.Main<QPushButton>("encryptButton").click();
    QVERIFY(f.Worker().IsWorking());
    QVERIFY(!link.isEnabled());
    QTest::keyClick(&link, Qt::Key_Space);
    QTRY_VERIFY_WITH_TIMEOUT(!f.prompts.Texts("Done!").isEmpty(), 60000);
    QVERIFY(f.prompts.dialogs.empty());
    QVERIFY(link.isEnabled());
  }

  // Encrypted files only; the pages of a file that needs a password to open stay unknown.
  void onlyEncryptedFilesEnterTheList() {
    TWindowFixture& f = *fixture_;
    const QString locked = f.WriteEncryptedPdf("locked.pdf", u"user");
    const QString restricted = f.WriteEncryptedPdf("restricted.pdf", u"");
    const QString plain = f.WriteFile("plain.pdf", OnePagePdf());
    AddFiles({locked, restricted, plain});
    const auto& list = Control<TFileList>("fileList");
    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(list.item(0, kColumnPages)->text(), QString());
    QCOMPARE(list.item(1, kColumnPages)->text(), QStringLiteral("1"));
    QCOMPARE(f.prompts.Texts("Stop!"), QStringList{"\"plain.pdf\" is not encrypted or invalid pdf!"});
  }

  // Each check stops the run with its message; the main window's settings count only for
  // protecting again.
  void checksBeforeTheRun() {
    TWindowFixture& f = *fixture_;
    Control<QPushButton>("startButton").click();
    AddFiles({f.WriteEncryptedPdf("a.pdf", u"user")});
    Control<QPushButton>("startButton").click();
    Control<QRadioButton>("ledgerRadio").click();
    Control<QLineEdit>("ledgerPathEdit").setText(f.Path("missing.csv"));
    Control<QPushButton>("startButton").click();
    Control<QRadioButton>("typedPasswordRadio").click();
    Control<QLineEdit>("currentPasswordEdit").setText(QStringLiteral("owner"));
    Control<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
    Control<QRadioButton>("protectAgainRadio").click();
    Control<QPushButton>("startButton").click();
    QCOMPARE(f.prompts.Texts("Warning"),
             (QStringList{"Please add file(s).", "Please type the password that opens the files.",
                          "Please choose the password file that holds the files' passwords.",
                          "Please provide password to encrypt pdf file(s).\n\nProtecting again uses the main "
                          "window's settings: please correct them there."}));
    QVERIFY(!dialog_->IsRunning());
    QCOMPARE(Statuses(Control<TFileList>("fileList")), QStringList{QString()});
  }

  // The open password unlocks only a file that restricts nothing; the restrictions password
  // unlocks every one. A file that fails says why, and leaves no copy.
  void removesProtection() {
    TWindowFixture& f = *fixture_;
    AddFiles({f.WriteEncryptedPdf("restricted.pdf", u"shared", true), f.WriteEncryptedPdf("open.pdf", u"shared"),
              f.WriteEncryptedPdf("other.pdf", u"other")});
    Control<QLineEdit>("currentPasswordEdit").setText(QStringLiteral("shared"));
    Control<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
    Run();
    auto& list = Control<TFileList>("fileList");
    QCOMPARE(Statuses(list), (QStringList{"Failed!", "Succeed!", "Failed!"}));
    QVERIFY2(list.FailureReason(0).contains("restrictions password is needed"), qPrintable(list.FailureReason(0)));
    QVERIFY(!list.FailureReason(2).isEmpty());
    QCOMPARE(list.item(0, kColumnStatus)->toolTip(), list.FailureReason(0));  // as in the main window
    QVERIFY(NotEncrypted(f.Path("out/open.pdf")));
    QVERIFY(!fs::exists(f.files / "out/restricted.pdf") && !fs::exists(f.files / "out/other.pdf"));
    QCOMPARE(
        f.prompts.Texts("Done!"),
        QStringList{"PDF decryption completed.\n\n1 file succeeded, 2 failed. Point at a failed file to see why."});

    fs::remove(f.files / "out/open.pdf");
    Control<QLineEdit>("currentPasswordEdit").setText(QStringLiteral("owner"));
    Run();
    QCOMPARE(Statuses(list), (QStringList{"Succeed!", "Succeed!", "Succeed!"}));
    for (const char* name : {"out/restricted.pdf", "out/open.pdf", "out/other.pdf"}) {
      QVERIFY2(NotEncrypted(f.Path(name)), name);
    }
  }

  // The main window's level, passwords and permissions; the old passwords no longer open the copy.
  void protectsAgainWithTheMainWindowsSettings() {
    TWindowFixture& f = *fixture_;
    f.Main<QRadioButton>("level256BitAesRadio").click();
    f.Main<QCheckBox>("openPasswordCheck").setChecked(true);
    f.Main<QLineEdit>("openPasswordEdit").setText(QStringLiteral("new open"));
    f.Main<QCheckBox>("restrictionsPasswordCheck").setChecked(true);
    f.Main<QLineEdit>("restrictionsPasswordEdit").setText(QStringLiteral("new owner"));
    AddFiles({f.WriteEncryptedPdf("old.pdf", u"old open", true)});
    Control<QLineEdit>("currentPasswordEdit").setText(QStringLiteral("owner"));
    Control<QRadioButton>("protectAgainRadio").click();
    Control<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
    Run();
    QCOMPARE(Statuses(Control<TFileList>("fileList")), QStringList{"Succeed!"});
    const QString copy = f.Path("out/old.pdf");
    const std::string encryption = QpdfEncryption(copy, QStringLiteral("new open"));
    QVERIFY2(encryption.find("R = 6") != std::string::npos, encryption.c_str());
    QVERIFY(QpdfOpens(copy, QStringLiteral("new owner")));
    QVERIFY(!QpdfOpens(copy, QStringLiteral("old open")) && !QpdfOpens(copy, QStringLiteral("owner")));
    QCOMPARE(f.prompts.Texts("Done!"), QStringList{"PDF encryption completed.\n\n1 file succeeded, 0 failed."});
  }

  // Each file is opened with the passwords of its own lines in a password file, newest first.
  void passwordFileOpensEachFile() {
    TWindowFixture& f = *fixture_;
    const QString a = f.WriteEncryptedPdf("a.pdf", u"a open", true, u"a owner");
    const QString b = f.WriteEncryptedPdf("b_Secure.pdf", u"b open", true, u"b owner");
    const QString ledger = f.WriteFile("passwords.csv",
                                       "\"File Name\",\"Open Password\",\"Owner Password\",\"File Path\"\r\n"
                                       "\"a\",\"a open\",\"a owner\",\"" +
                                           a.toStdString() +
                                           "\"\r\n"
                                           "\"b\",\"b open\",\"b owner\",\"\"\r\n");
    AddFiles({a, b});
    f.prompts.openFilesAnswers.push_back({ledger});
    Control<QPushButton>("browseLedgerButton").click();
    QVERIFY(Control<QRadioButton>("ledgerRadio").isChecked());
    Control<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
    Run();
    QCOMPARE(Statuses(Control<TFileList>("fileList")), (QStringList{"Succeed!", "Succeed!"}));
    QVERIFY(NotEncrypted(f.Path("out/a.pdf")) && NotEncrypted(f.Path("out/b_Secure.pdf")));
  }

  // "Stop" finishes the files being worked on and keeps the dialog open; closing the dialog while
  // its batch runs stops it too, and the dialog closes once the batch has ended.
  void stopAndClose() {
    TWindowFixture& f = *fixture_;
    const QString first = f.WriteEncryptedPdf("big-0.pdf", u"user", false, u"owner", ManyObjectPdf(4000));
    QStringList files{first};
    for (int i = 1; i < 20; ++i) {
      files << f.Path("big-" + std::to_string(i) + ".pdf");
      fs::copy_file(first.toStdString(), files.back().toStdString());
    }
    AddFiles(files);
    Control<QLineEdit>("currentPasswordEdit").setText(QStringLiteral("owner"));
    Control<QLineEdit>("outputFolderEdit").setText(f.Path("out"));
    dialog_->show();
    Control<QPushButton>("startButton").click();
    QCOMPARE(Control<QPushButton>("closeButton").text(), QStringLiteral("&Stop"));
    Control<QPushButton>("closeButton").click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog_->IsRunning(), 60000);
    QCOMPARE(Control<QPushButton>("closeButton").text(), QStringLiteral("&Close"));
    QVERIFY(dialog_->isVisible());
    QVERIFY(Statuses(Control<TFileList>("fileList")).contains(QStringLiteral("Not started")));
    QVERIFY(!Statuses(Control<TFileList>("fileList")).contains(QString()));
    QCOMPARE(f.prompts.Texts("Done!").size(), 1);
    QVERIFY(f.prompts.Texts("Done!")[0].startsWith("PDF decryption stopped."));

    fs::remove_all(f.files / "out");
    fs::create_directory(f.files / "out");
    Control<QPushButton>("startButton").click();
    dialog_->reject();
    QVERIFY(dialog_->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(!dialog_->isVisible(), 60000);
    QVERIFY(!dialog_->IsRunning());
    QCOMPARE(f.prompts.Texts("Done!").size(), 1);
  }

 private:
  template <typename Widget>
  Widget& Control(const char* name) {
    return TWindowFixture::FindIn<Widget>(*dialog_, name);
  }

  void AddFiles(const QStringList& paths) {
    fixture_->prompts.openFilesAnswers.push_back(paths);
    Control<QPushButton>("addFilesButton").click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog_->IsAddingFiles(), 20000);
  }

  void Run() {
    Control<QPushButton>("startButton").click();
    QTRY_VERIFY_WITH_TIMEOUT(!dialog_->IsRunning(), 60000);
  }

  std::unique_ptr<TWindowFixture> fixture_;
  TProtectedFilesDialog* dialog_ = nullptr;
};

}  // namespace ombrelt::ui::testing

QTEST_MAIN(ombrelt::ui::testing::TProtectedFilesDialogTest)
#include "ProtectedFilesDialogTest.moc"

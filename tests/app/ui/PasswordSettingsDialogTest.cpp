// The password settings dialog and the settings store: OK, Cancel, loading on activation of the
// main window, and the output folder across a restart.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <unistd.h>

#include <functional>

#include "app/core/SettingsStore.h"
#include "tests/app/ui/WindowFixture.h"

namespace ombrelt::ui::testing {

namespace {

// The eleven stored values, in the order OK writes them, with the control each belongs to.
struct TStoredValue {
  const char* name;
  const char* control;
};
constexpr TStoredValue kStoredValues[] = {
    {"uNumeric", "userNumericCheck"},      {"uSpecialChar", "userSpecialCheck"}, {"uPwdLength", "userLengthEdit"},
    {"uLowerCase", "userLowerCaseCheck"},  {"uAlphabet", "userAlphabetCheck"},   {"oNumeric", "ownerNumericCheck"},
    {"oSpecialChar", "ownerSpecialCheck"}, {"oPwdLength", "ownerLengthEdit"},    {"oLowerCase", "ownerLowerCaseCheck"},
    {"oAlphabet", "ownerAlphabetCheck"},   {"LogPath", "passwordFileEdit"},
};

QString Stored(const char* name) { return app::ReadRegs(QString::fromLatin1(name)); }

}  // namespace

class TPasswordSettingsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    fixture_ = std::make_unique<TWindowFixture>();
    fixture_->Window().show();
    QVERIFY(QTest::qWaitForWindowActive(&fixture_->Window()));
  }
  void cleanup() { fixture_.reset(); }

  void firstRunShowsTheDefaults() {
    TWindowFixture& f = *fixture_;
    TPasswordSettingsDialog& dialog = f.Dialog();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Password Settings"));
    const std::pair<const char*, const char*> captions[] = {{"userAlphabetCheck", "&Alphabetic characters (A-Z)"},
                                                            {"userNumericCheck", "&Numeric characters (0-9)"},
                                                            {"userSpecialCheck", "&Special characters (!?/*+-@#$)"},
                                                            {"userLowerCaseCheck", "&Lower case passwords"},
                                                            {"ownerAlphabetCheck", "Alp&habetic characters (A-Z)"},
                                                            {"ownerNumericCheck", "Nu&meric characters (0-9)"},
                                                            {"ownerSpecialCheck", "Sp&ecial characters (!?/*+-@#$)"},
                                                            {"ownerLowerCaseCheck", "Lo&wer case passwords"},
                                                            {"browsePasswordFileButton", "&Browse"},
                                                            {"openPasswordFileButton", "O&pen"},
                                                            {"okButton", "&OK"},
                                                            {"cancelButton", "&Cancel"}};
    for (const auto& [name, caption] : captions) {
      QCOMPARE(f.Settings<QAbstractButton>(name).text(), QString::fromLatin1(caption));
    }
    for (const char* side : {"user", "owner"}) {
      const auto box = [&](const char* control) -> QCheckBox& {
        return f.Settings<QCheckBox>(qPrintable(QString::fromLatin1(side) + QString::fromLatin1(control)));
      };
      QVERIFY(box("AlphabetCheck").isChecked());
      QVERIFY(box("NumericCheck").isChecked());
      QVERIFY(!box("SpecialCheck").isChecked());
      QVERIFY(!box("LowerCaseCheck").isChecked());
      auto& length = f.Settings<QLineEdit>(qPrintable(QString::fromLatin1(side) + QStringLiteral("LengthEdit")));
      QCOMPARE(length.text(), QStringLiteral("8"));
      QCOMPARE(length.maxLength(), 2);
    }
    QCOMPARE(f.Settings<QLabel>("userLengthLabel").text(), QStringLiteral("Password Len&gth:"));
    QCOMPARE(f.Settings<QLabel>("ownerLengthLabel").text(), QStringLiteral("Passwo&rd Length:"));
    QCOMPARE(f.Settings<QLabel>("passwordFileLabel").text(), QStringLiteral("Choose &file:"));
    QCOMPARE(f.Settings<QLabel>("userLengthLabel").buddy(), &f.Settings<QWidget>("userLengthEdit"));
    QCOMPARE(f.Settings<QLabel>("passwordFileLabel").buddy(), &f.Settings<QWidget>("passwordFileEdit"));
    // Sized from its content, and no smaller: every caption keeps its room.
    dialog.show();
    QCOMPARE(dialog.minimumSize(), dialog.layout()->minimumSize());
    for (QWidget* control : dialog.findChildren<QWidget*>()) {
      if (auto* label = qobject_cast<QLabel*>(control); label && label->isVisibleTo(&dialog) && !label->wordWrap()) {
        QVERIFY2(label->width() >= label->sizeHint().width(), qPrintable(label->objectName()));
      }
    }
    QStringList groups;
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>()) groups << group->title();
    QCOMPARE(groups, (QStringList{"User Password Settings", "Owner Password Settings", "Password file:"}));
    QVERIFY(f.Settings<QLineEdit>("passwordFileEdit").text().isEmpty());
    QVERIFY(f.prompts.messages.empty());
  }

  void okStoresTrimmedTextsAndBooleans() {
    TWindowFixture& f = *fixture_;
    const QString passwords = f.Path("passwords.csv");
    f.Settings<QCheckBox>("userSpecialCheck").setChecked(true);
    f.Settings<QCheckBox>("ownerAlphabetCheck").setChecked(false);
    f.Settings<QCheckBox>("ownerLowerCaseCheck").setChecked(true);
    f.Settings<QLineEdit>("userLengthEdit").setText(QStringLiteral(" 9"));
    f.Settings<QLineEdit>("ownerLengthEdit").setText(QStringLiteral("99"));
    f.Settings<QLineEdit>("passwordFileEdit").setText("  " + passwords + "\t");
    f.Settings<QPushButton>("okButton").click();
    QVERIFY2(f.prompts.messages.empty(),
             qPrintable(f.prompts.messages.empty() ? QString() : f.prompts.messages[0].text));
    const QStringList expected = {"-1", "-1", "9", "0", "-1", "-1", "0", "99", "-1", "0", passwords};
    QStringList stored;
    for (const TStoredValue& value : kStoredValues) stored << Stored(value.name);
    QCOMPARE(stored, expected);
    QCOMPARE(f.Dialog().result(), int(QDialog::Accepted));
    // The controls keep what was typed until the next load.
    QCOMPARE(f.Settings<QLineEdit>("userLengthEdit").text(), QStringLiteral(" 9"));
  }

  // OK checks what it can and keeps the dialog open, the focus on the control to mend, until it
  // holds: a length from 4 to 99 (with a note below 8), some kind of character, and a password
  // file that can be written.
  void okRefusesSettingsThatCannotWork() {
    TWindowFixture& f = *fixture_;
    fs::create_directory(f.files / "folder.csv");
    fs::create_directory(f.files / "locked");
    fs::permissions(f.files / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    const bool asRoot = ::geteuid() == 0;  // root writes into any folder
    struct TCase {
      const char* what;
      std::function<void()> set;
      QString message;  // empty: accepted
      const char* focus;
    };
    const auto length = [&](const char* name, const char* text) {
      return [&f, name, text] { f.Settings<QLineEdit>(name).setText(QString::fromLatin1(text)); };
    };
    const auto path = [&](const QString& text) {
      return [&f, text] { f.Settings<QLineEdit>("passwordFileEdit").setText(text); };
    };
    const std::vector<TCase> cases = {
        {"length 3", length("userLengthEdit", "3"), "The user password length must be a number from 4 to 99.",
         "userLengthEdit"},
        {"empty length", length("ownerLengthEdit", ""), "The owner password length must be a number from 4 to 99.",
         "ownerLengthEdit"},
        {"no kind of character",
         [&] {
           for (const char* box : {"ownerAlphabetCheck", "ownerNumericCheck", "ownerSpecialCheck"}) {
             f.Settings<QCheckBox>(box).setChecked(false);
           }
         },
         "Please choose at least one kind of character for the owner passwords.", "ownerAlphabetCheck"},
        {"empty path", path(QString()), "Please choose the password file: every generated password is recorded in it.",
         "passwordFileEdit"},
        {"not a .csv", path(f.Path("x.txt")), "The password file must be a .csv file; \"x.txt\" is not.",
         "passwordFileEdit"},
        {"no folder", path(QStringLiteral("x.csv")),
         "Please give the password file with its folder, as Browse does: \"x.csv\" has none.", "passwordFileEdit"},
        {"missing folder", path(f.Path("missing/x.csv")),
         QStringLiteral("The folder \"%1\" does not exist.").arg(f.Path("missing")), "passwordFileEdit"},
        {"a folder", path(f.Path("folder.csv")),
         QStringLiteral("\"%1\" is a folder, not a file.").arg(f.Path("folder.csv")), "passwordFileEdit"},
        {"read-only folder", path(f.Path("locked/x.csv")),
         asRoot ? QString() : QStringLiteral("The folder \"%1\" cannot be written to.").arg(f.Path("locked")),
         "passwordFileEdit"},
    };
    for (const TCase& c : cases) {
      f.Settings<QLineEdit>("userLengthEdit").setText(QStringLiteral("8"));
      f.Settings<QLineEdit>("ownerLengthEdit").setText(QStringLiteral("8"));
      f.Settings<QCheckBox>("ownerAlphabetCheck").setChecked(true);
      f.Settings<QLineEdit>("passwordFileEdit").setText(f.Path("passwords.csv"));
      f.prompts.messages.clear();
      f.Dialog().show();
      c.set();
      f.Settings<QPushButton>("okButton").click();
      if (c.message.isEmpty()) {
        QVERIFY2(f.prompts.messages.empty(), c.what);
        continue;
      }
      QCOMPARE(f.prompts.Texts("Warning"), QStringList{c.message});
      QVERIFY2(f.Dialog().isVisible(), c.what);
      QVERIFY2(Stored("LogPath").isEmpty(), c.what);
      QCOMPARE(f.Dialog().focusWidget(), &f.Settings<QWidget>(c.focus));
    }
    fs::permissions(f.files / "locked", fs::perms::owner_all);

    auto& note = f.Settings<QLabel>("userShortLengthLabel");
    f.Settings<QLineEdit>("userLengthEdit").setText(QStringLiteral("7"));
    QVERIFY(note.isVisibleTo(&f.Dialog()));
    f.Settings<QLineEdit>("userLengthEdit").setText(QStringLiteral("8"));
    QVERIFY(!note.isVisibleTo(&f.Dialog()));
    f.Dialog().hide();
  }

  void everyStoredValueLoadsIntoItsControl() {
    TWindowFixture& f = *fixture_;
    // Each value the opposite of the default, so that a value applied to the wrong control shows.
    const QString texts[] = {"0", "True", "31", "1", "False", "0", "-1", "7", "2.5", "false", "/data/p.csv"};
    for (std::size_t i = 0; i < std::size(kStoredValues); ++i) {
      app::WriteRegs(QString::fromLatin1(kStoredValues[i].name), texts[i]);
    }
    ActivateAgain();
    const auto checked = [&](const char* name) { return f.Settings<QCheckBox>(name).isChecked(); };
    QVERIFY(!checked("userNumericCheck"));
    QVERIFY(checked("userSpecialCheck"));
    QCOMPARE(f.Settings<QLineEdit>("userLengthEdit").text(), QStringLiteral("31"));
    QVERIFY(checked("userLowerCaseCheck"));
    QVERIFY(!checked("userAlphabetCheck"));
    QVERIFY(!checked("ownerNumericCheck"));
    QVERIFY(checked("ownerSpecialCheck"));
    QCOMPARE(f.Settings<QLineEdit>("ownerLengthEdit").text(), QStringLiteral("7"));
    QVERIFY(checked("ownerLowerCaseCheck"));
    QVERIFY(!checked("ownerAlphabetCheck"));
    QCOMPARE(f.Settings<QLineEdit>("passwordFileEdit").text(), QStringLiteral("/data/p.csv"));
    QVERIFY(f.prompts.messages.empty());
  }

  void emptyStoredValuesLeaveTheControls() {
    TWindowFixture& f = *fixture_;
    app::WriteRegs(QStringLiteral("uPwdLength"), QString());
    app::WriteRegs(QStringLiteral("uNumeric"), QString());
    f.Settings<QLineEdit>("userLengthEdit").setText(QStringLiteral("15"));
    f.Settings<QCheckBox>("userNumericCheck").setChecked(false);
    ActivateAgain();
    QCOMPARE(f.Settings<QLineEdit>("userLengthEdit").text(), QStringLiteral("15"));
    QVERIFY(!f.Settings<QCheckBox>("userNumericCheck").isChecked());
  }

  void cancelledChangesDisappearOnTheNextActivation() {
    TWindowFixture& f = *fixture_;
    f.Settings<QLineEdit>("passwordFileEdit").setText(f.Path("passwords.csv"));
    f.Settings<QPushButton>("okButton").click();  // stores the defaults
    f.Dialog().show();
    Activate(f.Dialog());
    f.Settings<QCheckBox>("userSpecialCheck").setChecked(true);
    f.Settings<QLineEdit>("userLengthEdit").setText(QStringLiteral("20"));
    f.Settings<QPushButton>("cancelButton").click();
    QVERIFY(!f.Dialog().isVisible());
    QCOMPARE(f.Dialog().result(), int(QDialog::Rejected));
    QCOMPARE(Stored("uSpecialChar"), QStringLiteral("0"));
    Activate(f.Window());
    QVERIFY(!f.Settings<QCheckBox>("userSpecialCheck").isChecked());
    QCOMPARE(f.Settings<QLineEdit>("userLengthEdit").text(), QStringLiteral("8"));
  }

  void returningFromAnotherWindowDoesNotReload() {
    // A message box or another program taking the focus for a while is not an activation.
    TWindowFixture& f = *fixture_;
    app::WriteRegs(QStringLiteral("uSpecialChar"), QStringLiteral("0"));
    f.Settings<QCheckBox>("userSpecialCheck").setChecked(true);
    QWidget other;
    other.show();
    Activate(other);
    Activate(f.Window());
    QVERIFY(f.Settings<QCheckBox>("userSpecialCheck").isChecked());
  }

  void badBooleanStopsTheLoadWithAMessage() {
    TWindowFixture& f = *fixture_;
    app::WriteRegs(QStringLiteral("uNumeric"), QStringLiteral("0"));
    app::WriteRegs(QStringLiteral("uSpecialChar"), QStringLiteral("maybe"));
    app::WriteRegs(QStringLiteral("uPwdLength"), QStringLiteral("20"));
    ActivateAgain();
    QVERIFY(!f.Settings<QCheckBox>("userNumericCheck").isChecked());                // before: loaded
    QCOMPARE(f.Settings<QLineEdit>("userLengthEdit").text(), QStringLiteral("8"));  // after: not
    QCOMPARE(f.prompts.messages.size(), std::size_t{1});
    QCOMPARE(f.prompts.messages[0].icon, TMessageIcon::kError);
    QCOMPARE(f.prompts.messages[0].text, QStringLiteral("'maybe' is not a valid boolean value"));
  }

  void browseFillsThePathButStoresNothing() {
    TWindowFixture& f = *fixture_;
    f.prompts.saveAnswer = QStringLiteral("/data/Report.csv");
    f.Settings<QPushButton>("browsePasswordFileButton").click();
    QCOMPARE(f.prompts.saveQuestions, QStringList{"CSV File (*.csv)|Report|csv"});
    QCOMPARE(f.Settings<QLineEdit>("passwordFileEdit").text(), QStringLiteral("/data/Report.csv"));
    QVERIFY(Stored("LogPath").isEmpty());
    f.prompts.saveAnswer.clear();  // cancelled: the path stays
    f.Settings<QPushButton>("browsePasswordFileButton").click();
    QCOMPARE(f.Settings<QLineEdit>("passwordFileEdit").text(), QStringLiteral("/data/Report.csv"));
    f.Settings<QPushButton>("openPasswordFileButton").click();
    QCOMPARE(f.prompts.opened, QStringList{"/data/Report.csv"});
    QVERIFY(f.prompts.messages.empty());
    f.prompts.shellOpens = false;  // nothing opens it: the user is told
    f.Settings<QPushButton>("openPasswordFileButton").click();
    QCOMPARE(f.prompts.Texts("Warning").size(), 1);
  }

  void savePathIsRememberedAcrossARestart() {
    TWindowFixture& f = *fixture_;
    f.prompts.folderAnswer = QStringLiteral("/data/secure output");
    f.Main<QPushButton>("chooseOutputFolderButton").click();
    QCOMPARE(f.prompts.folderPrompts, QStringList{"Select output Path:"});
    QCOMPARE(f.Main<QLineEdit>("outputFolderEdit").text(), QStringLiteral("/data/secure output"));
    f.Main<QLineEdit>("outputFolderEdit").setText(QStringLiteral("/typed/by/hand"));  // used, not stored

    const TWindowFixture restarted(f.settings);
    QCOMPARE(TWindowFixture::FindIn<QLineEdit>(restarted.forms->MainWindow(), "outputFolderEdit").text(),
             QStringLiteral("/data/secure output"));
  }

 private:
  // Another of the program's windows was active, then the main window again.
  void ActivateAgain() {
    TWindowFixture& f = *fixture_;
    f.forms->AboutBox().show();
    Activate(f.forms->AboutBox());
    f.forms->AboutBox().hide();
    Activate(f.Window());
  }

  // The dialogs' windows count as active with the main window (their transient parent), so the
  // application's own idea of the active window is what tells.
  static void Activate(QWidget& window) {
    window.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &window);
  }

  std::unique_ptr<TWindowFixture> fixture_;
};

}  // namespace ombrelt::ui::testing

QTEST_MAIN(ombrelt::ui::testing::TPasswordSettingsDialogTest)
#include "PasswordSettingsDialogTest.moc"

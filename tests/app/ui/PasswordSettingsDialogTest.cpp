// The password settings dialog and the settings store: OK, Cancel, loading on activation of the
// main window, and the output folder across a restart.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

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
    {"uNumeric", "CheckboxNumeric"},   {"uSpecialChar", "CheckboxSpecialChar"},
    {"uPwdLength", "editCharLength"},  {"uLowerCase", "CheckboxLowerCase"},
    {"uAlphabet", "CheckboxAlphabet"}, {"oNumeric", "CheckboxNumericO"},
    {"oSpecialChar", "CheckboxSpecialCharO"}, {"oPwdLength", "editCharLengthO"},
    {"oLowerCase", "CheckboxLowerCaseO"},     {"oAlphabet", "CheckboxAlphabetO"},
    {"LogPath", "editLogPath"},
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
    TFrmPwd& dialog = f.Dialog();
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Password Settings"));
    QCOMPARE(dialog.size(), QSize(486, 399));
    const std::pair<const char*, const char*> captions[] = {
        {"CheckboxAlphabet", "Alphabate characters (A-Z)"}, {"CheckboxNumeric", "Numeric characters (0-9)"},
        {"CheckboxSpecialChar", "Special characters (!?/*+-@#$)"}, {"CheckboxLowerCase", "Lower case passwords"},
        {"BitBtnBrowseLog", "Browse"}, {"BitBtnOpenLog", "Open"}, {"BitBtnOk", "OK"}, {"BitBtnCancel", "Cancel"}};
    for (const auto& [name, caption] : captions) {
      QCOMPARE(f.Settings<QAbstractButton>(name).text(), QString::fromLatin1(caption));
    }
    for (const char* side : {"", "O"}) {
      const auto box = [&](const char* base) -> QCheckBox& {
        return f.Settings<QCheckBox>(qPrintable(QString::fromLatin1(base) + QString::fromLatin1(side)));
      };
      QVERIFY(box("CheckboxAlphabet").isChecked());
      QVERIFY(box("CheckboxNumeric").isChecked());
      QVERIFY(!box("CheckboxSpecialChar").isChecked());
      QVERIFY(!box("CheckboxLowerCase").isChecked());
      auto& length = f.Settings<QLineEdit>(qPrintable(QStringLiteral("editCharLength") + QString::fromLatin1(side)));
      QCOMPARE(length.text(), QStringLiteral("8"));
      QCOMPARE(length.maxLength(), 5);
    }
    QCOMPARE(f.Settings<QLabel>("Label3").text(), QStringLiteral("Password Length:"));
    QCOMPARE(f.Settings<QLabel>("Label1").text(), QStringLiteral("Password Length:"));
    QCOMPARE(f.Settings<QLabel>("Label2").text(), QStringLiteral("Choose file:"));
    QStringList groups;
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>()) groups << group->title();
    QCOMPARE(groups, (QStringList{"User Password Settings", "Owner Password Settings", "Password file:"}));
    QVERIFY(f.Settings<QLineEdit>("editLogPath").text().isEmpty());
    QVERIFY(f.prompts.messages.empty());
  }

  void okStoresTrimmedTextsAndBooleans() {
    TWindowFixture& f = *fixture_;
    f.Settings<QCheckBox>("CheckboxSpecialChar").setChecked(true);
    f.Settings<QCheckBox>("CheckboxAlphabetO").setChecked(false);
    f.Settings<QCheckBox>("CheckboxLowerCaseO").setChecked(true);
    f.Settings<QLineEdit>("editCharLength").setText(QStringLiteral(" 12 "));
    f.Settings<QLineEdit>("editCharLengthO").setText(QString());
    f.Settings<QLineEdit>("editLogPath").setText(QStringLiteral("  /data/passwords.csv\t"));
    f.Settings<QPushButton>("BitBtnOk").click();
    const QStringList expected = {"-1", "-1", "12", "0", "-1", "-1", "0", "", "-1", "0", "/data/passwords.csv"};
    QStringList stored;
    for (const TStoredValue& value : kStoredValues) stored << Stored(value.name);
    QCOMPARE(stored, expected);
    QCOMPARE(f.Dialog().result(), int(QDialog::Accepted));
    // The controls keep what was typed until the next load.
    QCOMPARE(f.Settings<QLineEdit>("editCharLength").text(), QStringLiteral(" 12 "));
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
    QVERIFY(!checked("CheckboxNumeric"));
    QVERIFY(checked("CheckboxSpecialChar"));
    QCOMPARE(f.Settings<QLineEdit>("editCharLength").text(), QStringLiteral("31"));
    QVERIFY(checked("CheckboxLowerCase"));
    QVERIFY(!checked("CheckboxAlphabet"));
    QVERIFY(!checked("CheckboxNumericO"));
    QVERIFY(checked("CheckboxSpecialCharO"));
    QCOMPARE(f.Settings<QLineEdit>("editCharLengthO").text(), QStringLiteral("7"));
    QVERIFY(checked("CheckboxLowerCaseO"));
    QVERIFY(!checked("CheckboxAlphabetO"));
    QCOMPARE(f.Settings<QLineEdit>("editLogPath").text(), QStringLiteral("/data/p.csv"));
    QVERIFY(f.prompts.messages.empty());
  }

  void emptyStoredValuesLeaveTheControls() {
    TWindowFixture& f = *fixture_;
    app::WriteRegs(QStringLiteral("uPwdLength"), QString());
    app::WriteRegs(QStringLiteral("uNumeric"), QString());
    f.Settings<QLineEdit>("editCharLength").setText(QStringLiteral("15"));
    f.Settings<QCheckBox>("CheckboxNumeric").setChecked(false);
    ActivateAgain();
    QCOMPARE(f.Settings<QLineEdit>("editCharLength").text(), QStringLiteral("15"));
    QVERIFY(!f.Settings<QCheckBox>("CheckboxNumeric").isChecked());
  }

  void cancelledChangesDisappearOnTheNextActivation() {
    TWindowFixture& f = *fixture_;
    f.Settings<QPushButton>("BitBtnOk").click();  // stores the defaults
    f.Dialog().show();
    Activate(f.Dialog());
    f.Settings<QCheckBox>("CheckboxSpecialChar").setChecked(true);
    f.Settings<QLineEdit>("editCharLength").setText(QStringLiteral("20"));
    f.Settings<QPushButton>("BitBtnCancel").click();
    QVERIFY(!f.Dialog().isVisible());
    QCOMPARE(f.Dialog().result(), int(QDialog::Rejected));
    QCOMPARE(Stored("uSpecialChar"), QStringLiteral("0"));
    Activate(f.Window());
    QVERIFY(!f.Settings<QCheckBox>("CheckboxSpecialChar").isChecked());
    QCOMPARE(f.Settings<QLineEdit>("editCharLength").text(), QStringLiteral("8"));
  }

  void returningFromAnotherWindowDoesNotReload() {
    // A message box or another program taking the focus for a while is not an activation.
    TWindowFixture& f = *fixture_;
    app::WriteRegs(QStringLiteral("uSpecialChar"), QStringLiteral("0"));
    f.Settings<QCheckBox>("CheckboxSpecialChar").setChecked(true);
    QWidget other;
    other.show();
    Activate(other);
    Activate(f.Window());
    QVERIFY(f.Settings<QCheckBox>("CheckboxSpecialChar").isChecked());
  }

  void badBooleanStopsTheLoadWithAMessage() {
    TWindowFixture& f = *fixture_;
    app::WriteRegs(QStringLiteral("uNumeric"), QStringLiteral("0"));
    app::WriteRegs(QStringLiteral("uSpecialChar"), QStringLiteral("maybe"));
    app::WriteRegs(QStringLiteral("uPwdLength"), QStringLiteral("20"));
    ActivateAgain();
    QVERIFY(!f.Settings<QCheckBox>("CheckboxNumeric").isChecked());               // before: loaded
    QCOMPARE(f.Settings<QLineEdit>("editCharLength").text(), QStringLiteral("8"));  // after: not
    QCOMPARE(f.prompts.messages.size(), std::size_t{1});
    QCOMPARE(f.prompts.messages[0].icon, TMessageIcon::kError);
    QCOMPARE(f.prompts.messages[0].text, QStringLiteral("'maybe' is not a valid boolean value"));
  }

  void browseFillsThePathButStoresNothing() {
    TWindowFixture& f = *fixture_;
    f.prompts.saveAnswer = QStringLiteral("/data/Report.csv");
    f.Settings<QPushButton>("BitBtnBrowseLog").click();
    QCOMPARE(f.prompts.saveQuestions, QStringList{"CSV File (*.csv)|Report|csv"});
    QCOMPARE(f.Settings<QLineEdit>("editLogPath").text(), QStringLiteral("/data/Report.csv"));
    QVERIFY(Stored("LogPath").isEmpty());
    f.prompts.saveAnswer.clear();  // cancelled: the path stays
    f.Settings<QPushButton>("BitBtnBrowseLog").click();
    QCOMPARE(f.Settings<QLineEdit>("editLogPath").text(), QStringLiteral("/data/Report.csv"));
    f.Settings<QPushButton>("BitBtnOpenLog").click();
    QCOMPARE(f.prompts.opened, QStringList{"/data/Report.csv"});
  }

  void savePathIsRememberedAcrossARestart() {
    TWindowFixture& f = *fixture_;
    f.prompts.folderAnswer = QStringLiteral("/data/secure output");
    f.Main<QPushButton>("BitBtnSavePath").click();
    QCOMPARE(f.prompts.folderPrompts, QStringList{"Select output Path:"});
    QCOMPARE(f.Main<QLineEdit>("EditSavePath").text(), QStringLiteral("/data/secure output"));
    f.Main<QLineEdit>("EditSavePath").setText(QStringLiteral("/typed/by/hand"));  // used, not stored

    const TWindowFixture restarted(f.settings);
    QCOMPARE(TWindowFixture::FindIn<QLineEdit>(restarted.forms->Form1(), "EditSavePath").text(),
             QStringLiteral("/data/secure output"));
  }

 private:
  // Another of the program's windows was active, then the main window again.
  void ActivateAgain() {
    TWindowFixture& f = *fixture_;
    f.forms->Form6().show();
    Activate(f.forms->Form6());
    f.forms->Form6().hide();
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

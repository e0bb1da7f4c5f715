// Shows the main window with the given PDF files encrypted in one batch and saves a picture of it
// (scripts/screenshot runs it under Xvfb). Settings are kept in a temporary folder, so the user's
// own never show.
//
// Usage: window_screenshot OUTPUT.png OUTPUT_FOLDER FILE.pdf...
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <cstdio>
#include <functional>

#include "app/core/BackgroundWorker.h"
#include "app/ui/ApplicationForms.h"
#include "app/ui/UserPrompts.h"

namespace {

using namespace ombrelt::ui;

// Answers the file dialog with the files to show; every other question goes unanswered.
class TScreenshotPrompts final : public TUserPrompts {
 public:
  explicit TScreenshotPrompts(QStringList files) : files_(std::move(files)) {}
  void ShowMessage(QWidget*, TMessageIcon, const QString& caption, const QString& text) override {
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(caption), qUtf8Printable(text));
  }
  void ShowDetailedMessage(QWidget*, TMessageIcon, const QString& caption, const QString& text,
                           const QString& details) override {
    std::fprintf(stderr, "%s: %s\n%s\n", qUtf8Printable(caption), qUtf8Printable(text), qUtf8Printable(details));
  }
  QStringList ChooseOpenFiles(QWidget*, const QString&) override { return files_; }
  QString ChooseFolder(QWidget*, const QString&, const QString&) override { return {}; }
  QString ChooseSaveFile(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
  int RunModal(QDialog&) override { return 0; }
  void OpenWithShell(const QString&) override {}

 private:
  QStringList files_;
};

bool ProcessEventsUntil(const std::function<bool()>& done) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > 60000) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

template <typename Widget>
Widget& Find(QWidget& form, const char* name) {
  return *form.findChild<Widget*>(QString::fromLatin1(name));
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  if (argc < 4) {
    std::fprintf(stderr, "usage: window_screenshot OUTPUT.png OUTPUT_FOLDER FILE.pdf...\n");
    return 2;
  }
  const QTemporaryDir settingsFolder;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
  const QStringList arguments = QApplication::arguments();
  TScreenshotPrompts prompts(arguments.mid(3));
  TApplicationForms forms(prompts);
  TForm1& window = forms.Form1();
  window.show();

  Find<QPushButton>(window, "BitBtnAddFiles").click();
  if (!ProcessEventsUntil([&] { return !window.IsAddingFiles(); })) return 1;
  Find<QRadioButton>(window, "RadioButton256BitAES").setChecked(true);
  Find<QCheckBox>(window, "CheckBoxOpenpassword").setChecked(true);
  Find<QLineEdit>(window, "EditUser").setText(QStringLiteral("Harbour-Light-7"));
  Find<QCheckBox>(window, "CheckBoxRestrictions").setChecked(true);
  Find<QLineEdit>(window, "EditOwner").setText(QStringLiteral("Keeper-of-Keys-42"));
  Find<QCheckBox>(window, "CheckBoxAllwPrint").setChecked(true);
  Find<QCheckBox>(window, "CheckBoxAllwCopyacce").setChecked(true);
  Find<QLineEdit>(window, "EditSavePath").setText(arguments.at(2));

  auto& worker = *window.findChild<ombrelt::app::TBackgroundWorker*>(QStringLiteral("BgWEncryptPDF"));
  Find<QPushButton>(window, "BitBtnEncryptPdf").click();
  if (!ProcessEventsUntil([&] { return !worker.IsWorking(); })) return 1;
  ProcessEventsUntil([] { return true; });
  return window.grab().save(arguments.at(1)) ? 0 : 1;
}

// Pictures of the windows for the README and docs (scripts/screenshot runs it under Xvfb). Settings
// are kept in a temporary folder, so the user's own never show.
//
// Usage: window_screenshot [--dark] [--font-size=POINTS] PICTURE.png OUTPUT_FOLDER FILE.pdf...
//          the main window with the files encrypted in one batch; --dark under a dark desktop theme,
//          --font-size with the desktop's font at that size (as a desktop setting such as qt6ct gives)
//        window_screenshot --protected PICTURE.png OUTPUT_FOLDER FILE.pdf...
//          the protected files dialog with the files (encrypted by the first form) unlocked
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
#include "app/ui/ProtectedFilesDialog.h"
#include "app/ui/UserPrompts.h"
#include "tests/app/ui/DarkPalette.h"

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
  bool Ask(QWidget*, const QString&, const QString&) override { return false; }
  bool OpenWithShell(const QString&) override { return true; }

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

// The settings of the main window's batch (and of the dialog's, which names the same passwords).
const QString kOpenPassword = QStringLiteral("Harbour-Light-7");
const QString kOwnerPassword = QStringLiteral("Keeper-of-Keys-42");

bool RunMainBatch(TMainWindow& window, const QString& outputFolder) {
  Find<QPushButton>(window, "addFilesButton").click();
  if (!ProcessEventsUntil([&] { return !window.IsAddingFiles(); })) return 1;
  Find<QRadioButton>(window, "level256BitAesRadio").setChecked(true);
  Find<QCheckBox>(window, "openPasswordCheck").setChecked(true);
  Find<QLineEdit>(window, "openPasswordEdit").setText(kOpenPassword);
  Find<QCheckBox>(window, "restrictionsPasswordCheck").setChecked(true);
  Find<QLineEdit>(window, "restrictionsPasswordEdit").setText(kOwnerPassword);
  Find<QCheckBox>(window, "allowPrintingCheck").setChecked(true);
  Find<QCheckBox>(window, "allowAccessibilityCheck").setChecked(true);
  Find<QLineEdit>(window, "outputFolderEdit").setText(outputFolder);

  auto& worker = *window.findChild<ombrelt::app::TBackgroundWorker*>(QStringLiteral("batchWorker"));
  Find<QPushButton>(window, "encryptButton").click();
  if (!ProcessEventsUntil([&] { return !worker.IsWorking(); })) return false;
  return ProcessEventsUntil([] { return true; });
}

bool RunProtectedFiles(TMainWindow& window, const QString& outputFolder, QWidget*& shown) {
  auto& dialog = *window.findChild<TProtectedFilesDialog*>(QStringLiteral("ProtectedFilesDialog"));
  dialog.show();
  shown = &dialog;
  Find<QPushButton>(dialog, "addFilesButton").click();
  if (!ProcessEventsUntil([&] { return !dialog.IsAddingFiles(); })) return false;
  Find<QLineEdit>(dialog, "currentPasswordEdit").setText(kOwnerPassword);
  Find<QLineEdit>(dialog, "outputFolderEdit").setText(outputFolder);
  Find<QPushButton>(dialog, "startButton").click();
  if (!ProcessEventsUntil([&] { return !dialog.IsRunning(); })) return false;
  return ProcessEventsUntil([] { return true; });
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication application(argc, argv);
  QStringList arguments = QApplication::arguments();
  QStringList options;
  while (arguments.size() > 1 && arguments.at(1).startsWith(QStringLiteral("--"))) options << arguments.takeAt(1);
  const bool protectedFiles = options.removeAll(QStringLiteral("--protected")) > 0;
  const bool dark = options.removeAll(QStringLiteral("--dark")) > 0;
  int fontSize = 0;
  if (!options.isEmpty() && options.first().startsWith(QStringLiteral("--font-size="))) {
    fontSize = options.takeFirst().mid(12).toInt();
  }
  if (arguments.size() < 4 || !options.isEmpty() || fontSize < 0) {
    std::fprintf(stderr, "usage: window_screenshot [--dark] [--font-size=POINTS] [--protected] PICTURE.png "
                         "OUTPUT_FOLDER FILE.pdf...\n");
    return 2;
  }
  QApplication::setStyle(QStringLiteral("Fusion"));
  if (dark) QApplication::setPalette(ombrelt::ui::testing::DarkPalette());
  if (fontSize > 0) {
    QFont font = QApplication::font();
    font.setPointSize(fontSize);
    QApplication::setFont(font);
  }
  const QTemporaryDir settingsFolder;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
  TScreenshotPrompts prompts(arguments.mid(3));
  TApplicationForms forms(prompts);
  TMainWindow& window = forms.MainWindow();
  window.show();
  QWidget* shown = &window;
  const bool done = protectedFiles ? RunProtectedFiles(window, arguments.at(2), shown)
                                   : RunMainBatch(window, arguments.at(2));
  return done && shown->grab().save(arguments.at(1)) ? 0 : 1;
}

// A batch from the window, timed from the click on "Encrypt Pdf" to the completion message: the
// window's worker, statuses and list on Qt's offscreen platform, over the scripted desktop the
// window tests use. Whole-process tools cannot time this part alone: adding the files (each
// inspected on the window's thread) would hide it.
//
// Usage: window_batch_bench FOLDER OUTPUT_FOLDER [RUNS]
// Adds every .pdf of FOLDER, then runs the batch RUNS times (default 5) with a typed open password
// at 256-bit AES into OUTPUT_FOLDER (emptied before each run), and prints each run's seconds and
// the median.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "app/ui/ApplicationForms.h"
#include "app/ui/FileList.h"
#include "app/ui/PdfFolder.h"
#include "tests/app/ui/ScriptedPrompts.h"

namespace {

using ombrelt::ui::TMainWindow;

template <typename Widget>
Widget& Control(TMainWindow& window, const char* name) {
  for (Widget* widget : window.findChildren<Widget*>(QString::fromLatin1(name))) {
    if (widget->window() == &window) return *widget;
  }
  qFatal("no control %s", name);
}

void WaitUntil(const std::function<bool()>& done) {
  while (!done()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
}

double RunOnce(TMainWindow& window, ombrelt::ui::testing::TScriptedPrompts& prompts, const QString& output) {
  QDir(output).removeRecursively();
  QDir().mkpath(output);
  const std::size_t shown = prompts.messages.size();
  QElapsedTimer clock;
  clock.start();
  Control<QPushButton>(window, "encryptButton").click();
  WaitUntil([&] { return prompts.messages.size() > shown; });
  const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
  if (prompts.messages.back().caption != QLatin1String("Done!")) qFatal("%s", qPrintable(prompts.messages.back().text));
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  if (argc < 3) {
    std::fprintf(stderr, "usage: window_batch_bench FOLDER OUTPUT_FOLDER [RUNS]\n");
    return 2;
  }
  const QString output = QString::fromLocal8Bit(argv[2]);
  const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
  const QTemporaryDir settings;
  QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
  ombrelt::ui::testing::TScriptedPrompts prompts;
  ombrelt::ui::TApplicationForms forms(prompts);
  TMainWindow& window = forms.MainWindow();
  window.show();

  prompts.openFilesAnswers.push_back(ombrelt::ui::PdfFolderEntries(QString::fromLocal8Bit(argv[1])));
  Control<QPushButton>(window, "addFilesButton").click();
  WaitUntil([&] { return !window.IsAddingFiles(); });
  Control<QRadioButton>(window, "level256BitAesRadio").click();
  Control<QCheckBox>(window, "openPasswordCheck").setChecked(true);
  Control<QLineEdit>(window, "openPasswordEdit").setText(QStringLiteral("bench open"));
  Control<QLineEdit>(window, "outputFolderEdit").setText(output);

  std::vector<double> seconds;
  for (int run = 0; run < runs; ++run) {
    seconds.push_back(RunOnce(window, prompts, output));
    std::printf("run %d: %.3f s\n", run + 1, seconds.back());
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("files: %d, median: %.3f s\n", Control<ombrelt::ui::TFileList>(window, "fileList").rowCount(),
              seconds[seconds.size() / 2]);
  return 0;
}

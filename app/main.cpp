// OmbreltEnc, the desktop window: batch encryption of PDF files.
#include <QApplication>
#include <QIcon>

#include "app/core/HeapSettings.h"
#include "app/ui/ApplicationForms.h"
#include "app/ui/QtUserPrompts.h"

int main(int argc, char* argv[]) {
  ombrelt::app::KeepLargeBuffersForReuse();
  QApplication application(argc, argv);
  QApplication::setApplicationName(QStringLiteral("OmbreltEnc"));
  QApplication::setApplicationVersion(QStringLiteral(OMBRELT_VERSION));
  QApplication::setDesktopFileName(QStringLiteral("ombreltenc"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/ombreltenc.svg")));

  ombrelt::ui::TQtUserPrompts prompts;
  ombrelt::ui::TApplicationForms forms(prompts);
  QObject::connect(&forms.MainWindow(), &ombrelt::ui::TMainWindow::ApplicationEnded, &application, &QApplication::quit,
                   Qt::QueuedConnection);
  forms.MainWindow().show();
  forms.MainWindow().activateWindow();
  return QApplication::exec();
}

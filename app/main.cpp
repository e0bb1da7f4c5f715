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
  QObject::connect(&forms.Form1(), &ombrelt::ui::TForm1::ApplicationEnded, &application, &QApplication::quit,
                   Qt::QueuedConnection);
  forms.Form1().show();
  forms.Form1().activateWindow();
  return QApplication::exec();
}

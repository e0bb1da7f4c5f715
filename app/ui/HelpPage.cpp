#include "app/ui/HelpPage.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace ombrelt::ui {

QString HelpPagePath() {
  const QDir programFolder(QCoreApplication::applicationDirPath());
  const QString beside = programFolder.filePath(QStringLiteral("help.html"));
  const QString installed =
      QDir::cleanPath(programFolder.filePath(QStringLiteral("../share/ombreltenc/help.html")));
  return QFileInfo::exists(beside) || !QFileInfo::exists(installed) ? beside : installed;
}

}  // namespace ombrelt::ui

#include "app/ui/PdfFolder.h"

#include <QDir>
#include <QFileInfo>

namespace ombrelt::ui {

QStringList PdfFolderEntries(const QString& folder) {
  const QDir dir(folder, QStringLiteral("*.pdf"), QDir::Unsorted,
                 QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  QStringList entries;
  const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
  for (const QString& name : dir.entryList()) entries << prefix + name;
  return entries;
}

QStringList CandidatesOf(const QStringList& paths) {
  QStringList candidates;
  for (const QString& path : paths) {
    candidates << (QFileInfo(path).isDir() ? PdfFolderEntries(path) : QStringList{path});
  }
  return candidates;
}

}  // namespace ombrelt::ui

#include "app/ui/PdfFolder.h"

#include <QDir>

#include <algorithm>
#include <QFileInfo>

namespace ombrelt::ui {

QStringList PdfFolderEntries(const QString& folder) {
  const QDir dir(folder, QStringLiteral("*.pdf"), QDir::Unsorted,
                 QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  // In name order by the names' bytes, as the command line takes a folder's files.
  QStringList names = dir.entryList();
  std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) { return a.toUtf8() < b.toUtf8(); });
  QStringList entries;
  const QString prefix = folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/');
  for (const QString& name : names) entries << prefix + name;
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

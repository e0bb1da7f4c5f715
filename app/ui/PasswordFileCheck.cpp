#include "app/ui/PasswordFileCheck.h"

#include <QDir>
#include <QFileInfo>

#include "app/core/BatchSettings.h"

namespace ombrelt::ui {

namespace {

QString Quoted(const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); }

// A new file can be made in the folder, or the existing one appended to.
QString WriteProblem(const QFileInfo& file) {
  if (file.exists()) {
    if (file.isDir()) return QStringLiteral("%1 is a folder, not a file.").arg(Quoted(file.filePath()));
    if (!file.isWritable()) return QStringLiteral("The file %1 cannot be written to.").arg(Quoted(file.filePath()));
    return {};
  }
  const QFileInfo folder(file.path());
  if (!folder.isWritable()) return QStringLiteral("The folder %1 cannot be written to.").arg(Quoted(folder.filePath()));
  return {};
}

}  // namespace

QString PasswordFileProblem(const QString& rawPath) {
  // Checked as the batch will use it.
  const QString path = QString::fromStdU16String(app::TrimText(rawPath.toStdU16String()));
  if (path.isEmpty()) {
    return QStringLiteral("Please choose the password file: every generated password is recorded in it.");
  }
  if (!path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)) {
    return QStringLiteral("The password file must be a .csv file; %1 is not.").arg(Quoted(QFileInfo(path).fileName()));
  }
  const QFileInfo file(path);
  if (!QDir::isAbsolutePath(path)) {
    return QStringLiteral("Please give the password file with its folder, as Browse does: %1 has none.")
        .arg(Quoted(path));
  }
  if (!QFileInfo(file.path()).isDir()) {
    return QStringLiteral("The folder %1 does not exist.").arg(Quoted(QDir::toNativeSeparators(file.path())));
  }
  return WriteProblem(file);
}

}  // namespace ombrelt::ui

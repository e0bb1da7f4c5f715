#pragma once
// Whether a file may enter the list: the library must read it as an unencrypted PDF with at least
// one page; and what encrypting it would change. Runs on the window's thread; a fresh library
// object serves each file.

#include <QList>
#include <QPair>
#include <QString>

class QWidget;

namespace ombrelt::ui {

class TUserPrompts;

struct TCandidate {
  bool accepted = false;
  QString pages;   // the library's page count, as text, when accepted
  QString notice;  // what encrypting it changes (signatures, a PDF/A claim), a line each; empty for nothing
  QString reason;  // why it was refused
};

TCandidate InspectCandidate(const QString& path);

// Whether a file may enter the protected files list: the library must find it encrypted. Its pages
// are known when it opens without a password (only its restrictions are protected).
TCandidate InspectProtectedCandidate(const QString& path);

// The "Stop!" message for a refused file; state says what the list takes no files of.
QString RefusedFileMessage(const QString& path, const QString& state = QStringLiteral("already encrypted"));
// The one "Stop!" message for several refused files, and its details: "name: reason" a line each.
QString RefusedFilesMessage(int count, const QString& state = QStringLiteral("already encrypted"));
QString RefusedFilesDetails(const QList<QPair<QString, QString>>& refused);

// Once an adding ends: one refused file keeps its own "Stop!" box; many share one box that lists
// them, since a box per file would hold the user for as long as the folder is long.
void ShowRefusals(TUserPrompts& prompts, QWidget* parent, const QList<QPair<QString, QString>>& refused,
                  const QString& state = QStringLiteral("already encrypted"));

}  // namespace ombrelt::ui

#pragma once
// Whether a file may enter the list: the library must read it as an unencrypted PDF with at least
// one page; and what encrypting it would change. Runs on the window's thread; a fresh library
// object serves each file.

#include <QString>

namespace ombrelt::ui {

struct TCandidate {
  bool accepted = false;
  QString pages;   // the library's page count, as text, when accepted
  QString notice;  // what encrypting it changes (signatures, a PDF/A claim), a line each; empty for nothing
  QString reason;  // why it was refused
};

TCandidate InspectCandidate(const QString& path);

// The "Stop!" message for a refused file.
QString RefusedFileMessage(const QString& path);
// The one "Stop!" message for several refused files, and its details: "name: reason" a line each.
QString RefusedFilesMessage(int count);
QString RefusedFilesDetails(const QList<QPair<QString, QString>>& refused);

}  // namespace ombrelt::ui

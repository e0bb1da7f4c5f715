#pragma once
// The candidates a folder offers: its entries (not those of its subfolders) whose names end in
// ".pdf" in any case, whatever they are (a subfolder named x.pdf is offered too and refused by the
// inspection), in name order (by the names' UTF-8 bytes, as ombreltenc-cli orders them).

#include <QString>
#include <QStringList>

namespace ombrelt::ui {

QStringList PdfFolderEntries(const QString& folder);

// The candidates of dropped or chosen paths: a folder gives its entries, anything else itself.
QStringList CandidatesOf(const QStringList& paths);

}  // namespace ombrelt::ui

#pragma once
// The file list (fileList): one row per input file with its name, page count, full path and batch
// status, text coloured by status. Rows keep the order they were added in; a file may be listed
// twice. Files and folders dropped on it are offered as candidates. The list is one stop of the
// window's Tab chain; the arrows, Shift and Ctrl choose rows within it.

#include <QString>
#include <QStringList>
#include <QMenu>
#include <QTableWidget>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ombrelt::ui {

enum TFileColumn { kColumnFile, kColumnPages, kColumnPath, kColumnStatus };

class TFileList : public QTableWidget {
  Q_OBJECT

 public:
  explicit TFileList(QWidget* parent);

  // notice: what encrypting the file changes, shown in the tooltip of every cell of the row.
  void AddRow(const QString& path, const QString& pages, const QString& notice = QString());
  // Deletes the selected rows. The row now at the first one's index (the last row when none
  // follows) gets the focus but not the selection, so a second press deletes nothing until a row
  // is chosen.
  void RemoveFile();
  bool HasSelectedRow() const;
  // The status also resets the status cell's tooltip to the row's own.
  void SetStatus(int row, const QString& status);
  // A note on the outcome ("repaired: ..."), added to the status cell's tooltip.
  void SetStatusNote(int row, const QString& note);
  // Why the row's file failed: in the tooltip of its name and status cells, and for "Copy reason".
  void SetFailureReason(int row, const QString& reason);
  QString FailureReason(int row) const;
  // Clears every row's status, note and reason, as a new batch starts or a setting that changes
  // the copies changes.
  void ClearStatuses();
  // Rows without a status, once a stopped batch has ended: "Not started".
  void MarkNotStarted();
  // A row whose output an earlier row writes.
  struct TClashMark {
    int row;
    int earlierRow;
    QString output;
  };
  // "Same output as row N" on each such row, the output path in its tooltip; marks of rows no
  // longer clashing are cleared.
  void MarkOutputClashes(const std::vector<TClashMark>& marks);
  QString Status(int row) const;
  // The context menu of a row: "Copy reason" for a row that failed; nullptr for any other.
  QMenu* ContextMenuFor(int row);
  // While a batch runs the list can be scrolled and read, but takes no drops and deletes nothing.
  void SetLocked(bool locked);
  // Column "PDF File Path" of every row, in order: what the batch reads.
  std::vector<std::u16string> Paths() const;

 signals:
  // A click in the list, or a keyboard move of the selection.
  void Clicked();
  void PathsDropped(const QStringList& paths);
  // The Delete key on a selected row: the same as the "Delete File" button.
  void DeleteRequested();

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void ColourRow(int row);
  void Describe(int row);
  void ReadableSelection();
  void SizeColumns();
  QString RowNotice(int row) const;
  // text after the row's notice, on a line of its own.
  QString WithNotice(int row, const QString& text) const;

  bool locked_ = false;
};

// The status of a row its batch stopped before reaching.
inline const QString kNotStarted = QStringLiteral("Not started");

// The text colour of a row on a list of the given background: "Succeed!" green, "Encrypting..."
// (or "Decrypting...") red, "Failed!" and other notes blue, each in the shade that reads best
// there; none (the list's text colour) for a row waiting for its batch, or left out by a stop.
std::optional<QColor> StatusColour(const QString& status, const QColor& background);

}  // namespace ombrelt::ui

#include "app/ui/FileList.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QMimeData>
#include <QUrl>

#include <algorithm>
#include <optional>

#include "app/ui/ColourContrast.h"

namespace ombrelt::ui {

namespace {

// Where a failed row keeps its reason, on its status item.
constexpr int kReasonRole = Qt::UserRole + 1;

// The start of the status of a row whose output an earlier row writes.
const QString kSameOutput = QStringLiteral("Same output");

QStringList LocalPaths(const QMimeData* data) {
  QStringList paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  return paths;
}

}  // namespace

// Each hue in a shade for light lists and one for dark lists, brought to at least 4.5:1 against
// the list's own background where a desktop's colours leave it short; pure red on white (4:1) was
// too faint. A row waiting for its batch is no outcome: it keeps the list's text colour.
std::optional<QColor> StatusColour(const QString& status, const QColor& background) {
  const auto readable = [&](std::initializer_list<QColor> shades) {
    return WithContrast(MostReadableOn(background, shades), background, kMinimumTextContrast + 0.1);
  };
  if (status.isEmpty() || status == kNotStarted) return std::nullopt;
  if (status == QLatin1String("Succeed!")) return readable({QColor(0, 128, 0), QColor(0x5f, 0xd3, 0x5f)});
  if (status == QLatin1String("Encrypting...") || status == QLatin1String("Decrypting...")) {
    return readable({QColor(0xc0, 0, 0), QColor(0xff, 0x8c, 0x8c)});
  }
  return readable({QColor(0, 0, 255), QColor(0x8c, 0xb4, 0xff)});
}

TFileList::TFileList(QWidget* parent) : QTableWidget(0, 4, parent) {
  setObjectName(QStringLiteral("fileList"));
  setHorizontalHeaderLabels({QStringLiteral("PDF File"), QStringLiteral("Pages"), QStringLiteral("PDF File Path"),
                             QStringLiteral("Status")});
  SizeColumns();
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->hide();
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  // Shift and Ctrl choose several rows; Delete removes them all.
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  // One stop of the window's Tab chain: the arrows move between rows, Tab leaves the list.
  setTabKeyNavigation(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  // A path cut short keeps its end: the file name and the folders nearest it.
  setTextElideMode(Qt::ElideLeft);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
  ReadableSelection();
}

// Measured in the list's font, so that any desktop font size keeps the status in view; the path
// takes what is left, shortened at its start.
void TFileList::SizeColumns() {
  const QFontMetrics metrics(font());
  const int padding = 2 * metrics.averageCharWidth();
  setColumnWidth(kColumnFile, 24 * metrics.averageCharWidth());
  setColumnWidth(kColumnPages, metrics.horizontalAdvance(QStringLiteral("Pages")) + 2 * padding);
  setColumnWidth(kColumnStatus, metrics.horizontalAdvance(QStringLiteral("Encrypting...")) + 2 * padding);
  horizontalHeader()->setSectionResizeMode(kColumnPath, QHeaderView::Stretch);
  horizontalHeader()->setMinimumSectionSize(metrics.averageCharWidth() * 6);
  verticalHeader()->setDefaultSectionSize(metrics.height() + metrics.height() / 2);
  // Room for some rows at any font: the list is what the window is for.
  setMinimumHeight(horizontalHeader()->sizeHint().height() + 5 * verticalHeader()->defaultSectionSize());
}

void TFileList::ReadableSelection() {
  QPalette readable = palette();
  MakeSelectionReadable(readable);
  if (readable != palette()) setPalette(readable);
}

void TFileList::AddRow(const QString& path, const QString& pages, const QString& notice) {
  const int row = rowCount();
  insertRow(row);
  const QString texts[] = {QFileInfo(path).fileName(), pages, path, QString()};
  const QString pathTip = notice.isEmpty() ? path : path + QLatin1Char('\n') + notice;
  for (int column = 0; column < 4; ++column) {
    auto* item = new QTableWidgetItem(texts[column]);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setToolTip(column == kColumnPath ? pathTip : notice);
    setItem(row, column, item);
  }
  SetStatus(row, QString());
}

void TFileList::RemoveFile() {
  if (!HasSelectedRow()) return;
  QList<int> rows;
  for (const QModelIndex& selected : selectionModel()->selectedRows()) rows << selected.row();
  std::sort(rows.begin(), rows.end());
  const int index = rows.first();
  // From the last, so the indexes still to remove stay valid.
  for (auto row = rows.crbegin(); row != rows.crend(); ++row) removeRow(*row);
  clearSelection();
  for (int row = index; row < rowCount(); ++row) Describe(row);
  if (rowCount() == 0) return;
  const QModelIndex next = model()->index(std::min(index, rowCount() - 1), 0);
  selectionModel()->setCurrentIndex(next, QItemSelectionModel::NoUpdate);
  setFocus();
}

bool TFileList::HasSelectedRow() const {
  return selectionModel() != nullptr && !selectionModel()->selectedRows().isEmpty();
}

void TFileList::SetStatus(int row, const QString& status) {
  if (row < 0 || row >= rowCount()) return;
  item(row, kColumnStatus)->setText(status);
  item(row, kColumnStatus)->setToolTip(RowNotice(row));
  ColourRow(row);
  Describe(row);
}

void TFileList::ColourRow(int row) {
  const std::optional<QColor> colour = StatusColour(Status(row), palette().color(QPalette::Base));
  for (int column = 0; column < columnCount(); ++column) {
    // Without a colour of its own the row follows the palette's text, also when the desktop's changes.
    item(row, column)->setData(Qt::ForegroundRole, colour ? QVariant(QBrush(*colour)) : QVariant());
  }
}

// What a screen reader says of the row's cells besides their text: where the row is and how its
// file stands.
void TFileList::Describe(int row) {
  const QString status = Status(row);
  const QString description = QStringLiteral("Row %1, %2")
                                  .arg(row + 1)
                                  .arg(status.isEmpty() ? QStringLiteral("waiting") : status);
  for (int column = 0; column < columnCount(); ++column) {
    item(row, column)->setData(Qt::AccessibleDescriptionRole, description);
  }
}

// A desktop that turns dark (or light) while the program runs gets rows it can read.
void TFileList::changeEvent(QEvent* event) {
  QTableWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange) SizeColumns();
  if (event->type() != QEvent::PaletteChange) return;
  ReadableSelection();
  for (int row = 0; row < rowCount(); ++row) ColourRow(row);
}

void TFileList::SetFailureReason(int row, const QString& reason) {
  if (row < 0 || row >= rowCount()) return;
  item(row, kColumnStatus)->setData(kReasonRole, reason);
  const QString tip = WithNotice(row, reason);
  item(row, kColumnStatus)->setToolTip(tip);
  item(row, kColumnFile)->setToolTip(tip);
}

QString TFileList::FailureReason(int row) const {
  if (row < 0 || row >= rowCount()) return {};
  return item(row, kColumnStatus)->data(kReasonRole).toString();
}

void TFileList::ClearStatuses() {
  for (int row = 0; row < rowCount(); ++row) {
    item(row, kColumnStatus)->setData(kReasonRole, QVariant());
    item(row, kColumnFile)->setToolTip(RowNotice(row));
    SetStatus(row, QString());
  }
}

void TFileList::MarkNotStarted() {
  for (int row = 0; row < rowCount(); ++row) {
    if (Status(row).isEmpty()) SetStatus(row, kNotStarted);
  }
}

void TFileList::MarkOutputClashes(const std::vector<TClashMark>& marks) {
  for (int row = 0; row < rowCount(); ++row) {
    if (Status(row).startsWith(kSameOutput)) SetStatus(row, QString());
  }
  for (const TClashMark& mark : marks) {
    if (mark.row < 0 || mark.row >= rowCount()) continue;
    SetStatus(mark.row, kSameOutput + QStringLiteral(" as row %1").arg(mark.earlierRow + 1));
    SetStatusNote(mark.row, QStringLiteral("Row %1 writes %2 too: delete one of them, or choose other output names.")
                                .arg(mark.earlierRow + 1)
                                .arg(mark.output));
  }
}

QMenu* TFileList::ContextMenuFor(int row) {
  const QString reason = FailureReason(row);
  if (reason.isEmpty()) return nullptr;
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  // With the file's name: pasted into a message or a ticket, the reason says which file it is about.
  const QString named = item(row, kColumnFile)->text() + QStringLiteral(": ") + reason;
  menu->addAction(QStringLiteral("Copy reason"), this, [named] { QGuiApplication::clipboard()->setText(named); });
  return menu;
}

void TFileList::contextMenuEvent(QContextMenuEvent* event) {
  const int row = rowAt(event->pos().y());
  if (QMenu* menu = ContextMenuFor(row)) menu->popup(event->globalPos());
}

void TFileList::SetStatusNote(int row, const QString& note) {
  if (row < 0 || row >= rowCount()) return;
  item(row, kColumnStatus)->setToolTip(WithNotice(row, note));
}

// The pages cell keeps the tooltip the row got when it was added: what encrypting the file changes.
QString TFileList::RowNotice(int row) const { return item(row, kColumnPages)->toolTip(); }

QString TFileList::WithNotice(int row, const QString& text) const {
  const QString notice = RowNotice(row);
  return notice.isEmpty() ? text : notice + QLatin1Char('\n') + text;
}

QString TFileList::Status(int row) const { return item(row, kColumnStatus)->text(); }

std::vector<std::u16string> TFileList::Paths() const {
  std::vector<std::u16string> paths;
  for (int row = 0; row < rowCount(); ++row) paths.push_back(item(row, kColumnPath)->text().toStdU16String());
  return paths;
}

void TFileList::mouseReleaseEvent(QMouseEvent* event) {
  QTableWidget::mouseReleaseEvent(event);
  emit Clicked();
}

void TFileList::SetLocked(bool locked) {
  locked_ = locked;
  setAcceptDrops(!locked);
  viewport()->setAcceptDrops(!locked);
}

void TFileList::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && HasSelectedRow()) {
    if (!locked_) emit DeleteRequested();
    return;
  }
  // Ctrl+Tab leaves the list as Tab does, as it leaves any control that could use Tab itself.
  if ((event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) && (event->modifiers() & Qt::ControlModifier)) {
    const bool back = event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
    focusNextPrevChild(!back);
    return;
  }
  // Keyboard users choose rows too; they should be able to delete what they chose.
  QTableWidget::keyPressEvent(event);
  emit Clicked();
}

void TFileList::dragEnterEvent(QDragEnterEvent* event) {
  if (LocalPaths(event->mimeData()).isEmpty()) return event->ignore();
  event->acceptProposedAction();
}

void TFileList::dragMoveEvent(QDragMoveEvent* event) {
  if (LocalPaths(event->mimeData()).isEmpty()) return event->ignore();
  event->acceptProposedAction();
}

void TFileList::dropEvent(QDropEvent* event) {
  const QStringList paths = LocalPaths(event->mimeData());
  if (locked_ || paths.isEmpty()) return event->ignore();
  event->acceptProposedAction();
  emit PathsDropped(paths);
}

}  // namespace ombrelt::ui

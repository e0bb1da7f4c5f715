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

#include "app/ui/ColourContrast.h"

namespace ombrelt::ui {

namespace {

// Where a failed row keeps its reason, on its status item.
constexpr int kReasonRole = Qt::UserRole + 1;

QStringList LocalPaths(const QMimeData* data) {
  QStringList paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths << url.toLocalFile();
  }
  return paths;
}

}  // namespace

// Each hue in a shade for light lists and one for dark lists, all at least 4.5:1 against white or
// against the dark lists of common desktops; pure red on white (4:1) was too faint.
QColor StatusColour(const QString& status, const QColor& background) {
  if (status == QLatin1String("Succeed!")) {
    return MostReadableOn(background, {QColor(0, 128, 0), QColor(0x5f, 0xd3, 0x5f)});
  }
  if (status == QLatin1String("Encrypting...") || status == QLatin1String("Decrypting...")) {
    return MostReadableOn(background, {QColor(0xc0, 0, 0), QColor(0xff, 0x7b, 0x7b)});
  }
  return MostReadableOn(background, {QColor(0, 0, 255), QColor(0x8c, 0xb4, 0xff)});
}

TFileList::TFileList(QWidget* parent) : QTableWidget(0, 4, parent) {
  setObjectName(QStringLiteral("ListView1"));
  setHorizontalHeaderLabels({QStringLiteral("PDF File"), QStringLiteral("Pages"), QStringLiteral("PDF File Path"),
                             QStringLiteral("Status")});
  const int widths[] = {170, 80, 180, 100};
  for (int column = 0; column < 4; ++column) setColumnWidth(column, widths[column]);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setHighlightSections(false);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(20);
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  setTextElideMode(Qt::ElideMiddle);
  setAcceptDrops(true);
  viewport()->setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DropOnly);
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
  const int index = selectionModel()->selectedRows().first().row();
  removeRow(index);
  clearSelection();
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
}

void TFileList::ColourRow(int row) {
  const QBrush colour(StatusColour(Status(row), palette().color(QPalette::Base)));
  for (int column = 0; column < columnCount(); ++column) item(row, column)->setForeground(colour);
}

// A desktop that turns dark (or light) while the program runs gets rows it can read.
void TFileList::changeEvent(QEvent* event) {
  QTableWidget::changeEvent(event);
  if (event->type() != QEvent::PaletteChange) return;
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

QMenu* TFileList::ContextMenuFor(int row) {
  const QString reason = FailureReason(row);
  if (reason.isEmpty()) return nullptr;
  auto* menu = new QMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->addAction(QStringLiteral("Copy reason"), this,
                  [reason] { QGuiApplication::clipboard()->setText(reason); });
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

#include "app/ui/BatchProgressView.h"

#include <QProgressBar>

#include "app/ui/BatchNotes.h"
#include "app/ui/ColourContrast.h"
#include "app/ui/FileList.h"

namespace ombrelt::ui {

TBatchProgressView::TBatchProgressView(TFileList& list, QProgressBar& bar, TBatchNotes& notes)
    : list_(list), bar_(bar), notes_(notes) {
  ReadableBar();
}

// The "n of N" text is drawn in the highlighted text colour over the filled part of the bar.
void TBatchProgressView::ReadableBar() {
  QPalette readable = bar_.palette();
  MakeSelectionReadable(readable);
  if (readable != bar_.palette()) bar_.setPalette(readable);
}

void TBatchProgressView::Start(const QString& workingText) {
  workingText_ = workingText;
  ReadableBar();  // the desktop's colours may have changed since the last batch
  bar_.setRange(0, list_.rowCount());
  bar_.setValue(0);
  bar_.setFormat(QStringLiteral("%v of %m"));
  bar_.setTextVisible(true);
  bar_.show();
  // A row this batch has not reached yet must not show what an earlier batch made of it.
  list_.ClearStatuses();
  notes_.Clear();
}

void TBatchProgressView::Apply(int row, app::TFileStatus status) {
  if (status == app::kStatusEncrypting) {
    list_.SetStatus(row, workingText_);
    // The list follows the file being worked on.
    if (list_.item(row, kColumnFile) != nullptr) list_.scrollToItem(list_.item(row, kColumnFile));
    return;
  }
  list_.SetStatus(row, QString::fromStdU16String(std::u16string(app::StatusText(status))));
  // Feedback arrives later than the worker sets notes: only the outcome takes the row's note.
  const QString note = QString::fromStdU16String(notes_.Take(static_cast<std::size_t>(row)));
  if (status == app::kStatusSucceeded && !note.isEmpty()) list_.SetStatusNote(row, note);
  if (status == app::kStatusFailed && !note.isEmpty()) list_.SetFailureReason(row, note);
  bar_.setValue(bar_.value() + 1);
}

void TBatchProgressView::Finish() {
  bar_.hide();
  bar_.setValue(0);
}

QString TBatchProgressView::CompletionCounts() const {
  int succeeded = 0;
  int failed = 0;
  for (int row = 0; row < list_.rowCount(); ++row) {
    const QString status = list_.Status(row);
    succeeded += status == QLatin1String("Succeed!");
    failed += status == QLatin1String("Failed!");
  }
  QString counts = QStringLiteral("\n\n%1 %2 succeeded, %3 failed.")
                       .arg(succeeded)
                       .arg(succeeded == 1 ? QStringLiteral("file") : QStringLiteral("files"))
                       .arg(failed);
  if (failed > 0) counts += QStringLiteral(" Point at a failed file to see why.");
  return counts;
}

}  // namespace ombrelt::ui

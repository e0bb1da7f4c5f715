// The main window's side of the rule that no two rows of a batch write one output: the later row of
// each clash is marked in the list as files are added, settings change or rows go, and one message
// names them when an adding brings new ones or "Encrypt Pdf" meets any.
#include <QFileInfo>
#include <QStringList>

#include <algorithm>

#include "app/ui/BatchSnapshot.h"
#include "app/ui/FileList.h"
#include "app/ui/MainWindow.h"
#include "app/ui/UserPrompts.h"

namespace ombrelt::ui {

namespace {

// "Row 3 (report.pdf): the same output as row 1, /out/report_Secure.pdf", a line a clash.
QString ClashDetails(const std::vector<app::TOutputClash>& clashes, const TFileList& list) {
  QStringList lines;
  for (const app::TOutputClash& clash : clashes) {
    const int row = static_cast<int>(clash.row);
    lines << QStringLiteral("Row %1 (%2): the same output as row %3, %4")
                 .arg(row + 1)
                 .arg(list.item(row, kColumnFile)->text())
                 .arg(clash.earlierRow + 1)
                 .arg(QString::fromStdU16String(clash.output));
  }
  return lines.join(QLatin1Char('\n'));
}

}  // namespace

std::vector<app::TOutputClash> TMainWindow::MarkOutputClashes() {
  if (passwordSettings_ == nullptr) return {};
  TFileList& list = *controls_.fileList;
  std::vector<app::TOutputClash> clashes = app::FindOutputClashes(TakeBatchSettings(controls_, *passwordSettings_));
  std::vector<TFileList::TClashMark> marks;
  for (const app::TOutputClash& clash : clashes) {
    marks.push_back({static_cast<int>(clash.row), static_cast<int>(clash.earlierRow),
                     QString::fromStdU16String(clash.output)});
  }
  list.MarkOutputClashes(marks);
  return clashes;
}

void TMainWindow::ShowNewOutputClashes() {
  const std::vector<app::TOutputClash> clashes = MarkOutputClashes();
  const bool added = std::any_of(clashes.begin(), clashes.end(), [this](const app::TOutputClash& clash) {
    return static_cast<int>(clash.row) >= rowsBeforeAdding_;
  });
  if (added) ShowOutputClashes(clashes);
}

void TMainWindow::ShowOutputClashes(const std::vector<app::TOutputClash>& clashes) {
  prompts_.ShowDetailedMessage(
      this, TMessageIcon::kWarning, QStringLiteral("Warning"),
      QStringLiteral("%1 of the listed files would be written to the same output file as an earlier row, and one "
                     "copy would replace the other. Please delete the rows marked \"Same output\", or choose "
                     "\"Add Suffix:\" or another output folder.")
          .arg(clashes.size()),
      ClashDetails(clashes, *controls_.fileList));
}

}  // namespace ombrelt::ui

#pragma once
// How a window shows a batch running on its background worker: each row's status as it arrives,
// the list following the file being worked on, the "n of N" bar, a failed row's reason and a
// repaired copy's note, and the counts the completion message gives. The main window and the
// protected files dialog show their batches alike.

#include <QString>

#include "app/core/BatchJob.h"

class QProgressBar;

namespace ombrelt::ui {

class TBatchNotes;
class TFileList;

class TBatchProgressView {
 public:
  TBatchProgressView(TFileList& list, QProgressBar& bar, TBatchNotes& notes);

  // Clears the statuses of an earlier batch and shows the bar at 0 of the list's rows. workingText:
  // the status a row shows while its file is worked on.
  void Start(const QString& workingText);
  // A status the worker reported for row.
  void Apply(int row, app::TFileStatus status);
  void Finish();
  // "\n\n2 files succeeded, 1 failed." from the rows' statuses, with a hint at the reasons.
  QString CompletionCounts() const;

 private:
  void ReadableBar();

  TFileList& list_;
  QProgressBar& bar_;
  TBatchNotes& notes_;
  QString workingText_;
};

}  // namespace ombrelt::ui

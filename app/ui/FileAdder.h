#pragma once
// Inspects candidate files one after another on the window's thread, in slices of a few
// milliseconds with the event loop running in between, so that a folder of hundreds of files
// leaves the window responsive and able to show progress. Inspection stays on the window's thread:
// the batch (the only other thread) cannot run while files are added.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <deque>
#include <functional>

#include "app/ui/CandidateInspection.h"

namespace ombrelt::ui {

class TFileAdder : public QObject {
  Q_OBJECT

 public:
  using TInspection = std::function<TCandidate(const QString& path)>;

  // inspect decides whether each candidate enters the list: the main window takes PDFs in clear,
  // the protected files dialog encrypted ones.
  explicit TFileAdder(QObject* parent = nullptr, TInspection inspect = InspectCandidate);

  // Appends candidates to the queue; inspection starts with the next slice.
  void Enqueue(const QStringList& paths);
  // Forgets the candidates not inspected yet; Finished follows when a run was going.
  void Stop();
  // From Started until Finished.
  bool IsBusy() const { return running_; }

 signals:
  void Started(int total);
  // notice: what encrypting the file changes, or empty (see TCandidate).
  void Accepted(const QString& path, const QString& pages, const QString& notice);
  void Refused(const QString& path, const QString& reason);
  void Progress(int done, int total);
  void Finished();

 private:
  void RunSlice();
  void InspectNext();

  const TInspection inspect_;
  std::deque<QString> queue_;
  QTimer slice_;
  bool running_ = false;
  bool inSlice_ = false;  // a message shown during a slice runs a nested event loop
  int done_ = 0;
  int total_ = 0;
};

}  // namespace ombrelt::ui

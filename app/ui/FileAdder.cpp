#include "app/ui/FileAdder.h"

#include <QElapsedTimer>
#include <QScopedValueRollback>


namespace ombrelt::ui {

namespace {

// Long enough to inspect several small files at once, short enough that the window still reacts
// at once to the user.
constexpr qint64 kSliceMilliseconds = 30;

}  // namespace

TFileAdder::TFileAdder(QObject* parent, TInspection inspect) : QObject(parent), inspect_(std::move(inspect)) {
  slice_.setSingleShot(true);
  slice_.setInterval(0);
  connect(&slice_, &QTimer::timeout, this, &TFileAdder::RunSlice);
}

void TFileAdder::Enqueue(const QStringList& paths) {
  if (paths.isEmpty()) return;
  const bool starting = !running_;
  if (starting) {
    running_ = true;
    done_ = 0;
    total_ = 0;
  }
  queue_.insert(queue_.end(), paths.begin(), paths.end());
  total_ += static_cast<int>(paths.size());
  if (starting) emit Started(total_);
  emit Progress(done_, total_);
  slice_.start();
}

void TFileAdder::Stop() {
  queue_.clear();
  slice_.stop();
  if (!running_) return;
  running_ = false;
  emit Finished();
}

void TFileAdder::RunSlice() {
  if (inSlice_) return;  // the slice already running goes on with what was added
  const QScopedValueRollback<bool> inSlice(inSlice_, true);
  QElapsedTimer clock;
  clock.start();
  while (!queue_.empty() && clock.elapsed() < kSliceMilliseconds) InspectNext();
  if (!running_) return;  // stopped by a handler
  if (!queue_.empty()) {
    slice_.start();
    return;
  }
  running_ = false;
  emit Finished();
}

void TFileAdder::InspectNext() {
  // Taken off the queue first: a handler may stop the run or add more while it shows a message.
  const QString path = queue_.front();
  queue_.pop_front();
  const TCandidate candidate = inspect_(path);
  ++done_;
  if (candidate.accepted) {
    emit Accepted(path, candidate.pages, candidate.notice);
  } else {
    emit Refused(path, candidate.reason);
  }
  emit Progress(done_, total_);
}

}  // namespace ombrelt::ui

#include "app/core/BackgroundWorker.h"

#include <QMetaObject>
#include <QString>
#include <QThread>

#include <condition_variable>
#include <deque>
#include <optional>
#include <semaphore>
#include <utility>

namespace ombrelt::app {

namespace {

TBackgroundWorker::TThreadID CurrentThreadID() {
  return reinterpret_cast<TBackgroundWorker::TThreadID>(QThread::currentThreadId());
}

QThread::Priority QtPriority(TThreadPriority priority) {
  switch (priority) {
    case TThreadPriority::kIdle: return QThread::IdlePriority;
    case TThreadPriority::kLowest: return QThread::LowestPriority;
    case TThreadPriority::kLower: return QThread::LowPriority;
    case TThreadPriority::kNormal: return QThread::NormalPriority;
    case TThreadPriority::kHigher: return QThread::HighPriority;
    case TThreadPriority::kHighest: return QThread::HighestPriority;
    case TThreadPriority::kTimeCritical: return QThread::TimeCriticalPriority;
  }
  return QThread::NormalPriority;
}

// The message of the exception being handled; call only inside a catch block.
std::u16string CurrentExceptionText() {
  try {
    throw;
  } catch (const std::exception& error) {
    return QString::fromUtf8(error.what()).toStdU16String();
  } catch (...) {
    return u"Unknown exception";
  }
}

}  // namespace

struct TWorkerMessage {
  enum TKind { kFeedback, kProgress, kError, kComplete };
  TKind kind = kFeedback;
  int first = 0;   // feedback ID, percent done, or 1 for a cancelled completion
  int second = 0;  // feedback value
  std::u16string text;  // kError: what to show
};

// The one road from a run back to its worker, open from Execute until the run is released or
// abandoned. Messages wait in this queue; every post also queues a call on the owner's thread
// that delivers the oldest one, so the owner's event loop sees them one by one, in order,
// between its other events. WaitFor takes from the same queue directly, so it needs no event
// loop; a queued call that finds the queue already emptied does nothing.
class TWorkerChannel {
 public:
  explicit TWorkerChannel(TBackgroundWorker& worker) : worker_(&worker) {}

  // The run's thread has stored its identifier in the worker.
  void SignalStarted() { started_.release(); }
  // Owner's thread: ThreadID is right once Execute returns, and AcceptCancellation works from
  // the first line of OnWork.
  void WaitStarted() { started_.acquire(); }

  // Any thread. Dropped once the channel is closed.
  void Post(TWorkerMessage message) {
    std::lock_guard lock(lock_);
    PostLocked(std::move(message));
  }

  // Owner's thread. The oldest message; with wait, blocks until there is one. Nothing once closed.
  std::optional<TWorkerMessage> Take(bool wait) {
    std::unique_lock lock(lock_);
    if (wait) posted_.wait(lock, [this] { return !queue_.empty() || worker_ == nullptr; });
    if (queue_.empty()) return std::nullopt;
    TWorkerMessage message = std::move(queue_.front());
    queue_.pop_front();
    return message;
  }

  // Owner's thread: the error the run's thread is waiting on has been shown.
  void AcknowledgeError() {
    std::lock_guard lock(lock_);
    errorAcknowledged_ = true;
    acknowledged_.notify_all();
  }

  // Owner's thread. From here on the run cannot reach the worker: later posts are dropped, queued
  // messages are forgotten and a run's thread waiting for its error to be shown goes on.
  void Close() {
    std::lock_guard lock(lock_);
    worker_ = nullptr;
    queue_.clear();
    acknowledged_.notify_all();
    posted_.notify_all();
  }

  // The run's thread, after the work returned or raised. Touches the worker only while the
  // channel is open, under the lock, so an abandoned thread never reaches a destroyed worker.
  void Finish(std::optional<std::u16string> failure) {
    std::unique_lock lock(lock_);
    if (worker_ == nullptr) return;
    if (failure) {
      // As AcceptCancellation does: a run ended by an exception counts as cancelled.
      worker_->cancelled_ = true;
      worker_->cancellationPending_ = false;
      // The error is shown before the completion goes out, so a modal message box is closed
      // before the completion handler runs, and the completion stays the last message.
      PostLocked({TWorkerMessage::kError, 0, 0, std::move(*failure)});
      acknowledged_.wait(lock, [this] { return errorAcknowledged_ || worker_ == nullptr; });
      if (worker_ == nullptr) return;
    }
    PostLocked({TWorkerMessage::kComplete, worker_->cancelled_ ? 1 : 0, 0, {}});
  }

 private:
  void PostLocked(TWorkerMessage message) {
    if (worker_ == nullptr) return;
    queue_.push_back(std::move(message));
    posted_.notify_all();
    // Posted while the lock is held: Close takes the lock before the worker can be destroyed, so
    // the worker is alive here. Qt drops the call if the worker is destroyed before it runs.
    QMetaObject::invokeMethod(worker_, "DeliverPosted", Qt::QueuedConnection);
  }

  std::mutex lock_;
  std::condition_variable posted_;
  std::condition_variable acknowledged_;
  std::deque<TWorkerMessage> queue_;
  TBackgroundWorker* worker_;  // null once closed
  bool errorAcknowledged_ = false;
  std::binary_semaphore started_{0};
};

// The body of one run's thread. Everything it needs travels with it, so an abandoned thread
// keeps it after the worker is gone.
class TBackgroundWorkerThread {
 public:
  TBackgroundWorkerThread(TBackgroundWorker& worker, std::shared_ptr<TWorkerChannel> channel, TThreadPriority priority)
      : worker_(worker), channel_(std::move(channel)), priority_(priority) {}

  void operator()() {
    QThread::currentThread()->setPriority(QtPriority(priority_));
    worker_.threadID_ = CurrentThreadID();
    channel_->SignalStarted();
    std::optional<std::u16string> failure;
    try {
      worker_.DoWork();
    } catch (...) {
      failure = CurrentExceptionText();
    }
    // The worker may be gone from here on (abandoned run); only the channel is used.
    channel_->Finish(std::move(failure));
  }

 private:
  TBackgroundWorker& worker_;
  std::shared_ptr<TWorkerChannel> channel_;
  TThreadPriority priority_;
};

TBackgroundWorker::TBackgroundWorker(QObject* owner) : QObject(owner) {}

TBackgroundWorker::~TBackgroundWorker() {
  if (!IsWorking()) return;
  AbandonRun();
  qCritical("Before closing the application, '%s' must be stopped", ErrorName().c_str());
}

void TBackgroundWorker::Execute() {
  if (IsWorking()) throw EBackgroundWorker("The background worker named '" + ErrorName() + "' is already running");
  cancelled_ = false;
  cancellationPending_ = false;
  auto channel = std::make_shared<TWorkerChannel>(*this);
  {
    std::lock_guard lock(channelLock_);
    channel_ = channel;
  }
  try {
    thread_ = std::thread(TBackgroundWorkerThread(*this, channel, Priority));
  } catch (...) {
    channel->Close();
    std::lock_guard lock(channelLock_);
    channel_.reset();
    throw;
  }
  channel->WaitStarted();
}

bool TBackgroundWorker::Cancel() {
  // Under the lock, so a request cannot land just after the run was released and stay pending
  // on an idle worker.
  std::lock_guard lock(channelLock_);
  if (channel_ == nullptr) return false;
  cancellationPending_ = true;
  return true;
}

void TBackgroundWorker::AcceptCancellation() {
  if (threadID_ != CurrentThreadID()) {
    throw EBackgroundWorker("You must call '" + ErrorName() + ".AcceptCancellation' only inside the OnWork event handler");
  }
  cancelled_ = true;
  cancellationPending_ = false;
}

bool TBackgroundWorker::WaitFor() {
  // Each pass fetches the channel afresh: the completion releases the run (ending the loop), and
  // a completion handler that starts the next run keeps it going, as long as the worker works.
  while (std::shared_ptr<TWorkerChannel> channel = Channel()) {
    if (std::optional<TWorkerMessage> message = channel->Take(/*wait=*/true)) Dispatch(*channel, *message);
  }
  return false;
}

bool TBackgroundWorker::IsWorking() const { return Channel() != nullptr; }

bool TBackgroundWorker::CancellationPending() const { return cancellationPending_; }

TBackgroundWorker::TThreadID TBackgroundWorker::ThreadID() const { return threadID_; }

void TBackgroundWorker::ReportFeedback(int feedbackID, int feedbackValue) {
  if (std::shared_ptr<TWorkerChannel> channel = Channel()) {
    channel->Post({TWorkerMessage::kFeedback, feedbackID, feedbackValue, {}});
  }
}

void TBackgroundWorker::ReportProgress(int percentDone) {
  if (std::shared_ptr<TWorkerChannel> channel = Channel()) channel->Post({TWorkerMessage::kProgress, percentDone, 0, {}});
}

void TBackgroundWorker::Close() {
  if (!IsWorking()) return;
  AbandonRun();
  throw EBackgroundWorker("Before closing the application, '" + ErrorName() + "' must be stopped");
}

void TBackgroundWorker::DoWork() {
  // A copy, so that the running handler and what it captured outlive a worker destroyed under an
  // abandoned run.
  const TWorkEvent work = OnWork;
  if (work) work(*this);
}

void TBackgroundWorker::DoWorkComplete(bool cancelled) {
  if (OnWorkComplete) OnWorkComplete(*this, cancelled);
}

void TBackgroundWorker::DoWorkProgress(int percentDone) {
  if (OnWorkProgress) OnWorkProgress(*this, percentDone);
}

void TBackgroundWorker::DoWorkFeedback(int feedbackID, int feedbackValue) {
  if (OnWorkFeedback) OnWorkFeedback(*this, feedbackID, feedbackValue);
}

std::shared_ptr<TWorkerChannel> TBackgroundWorker::Channel() const {
  std::lock_guard lock(channelLock_);
  return channel_;
}

void TBackgroundWorker::DeliverPosted() {
  // Always the current run's channel: a call left over from a run whose messages WaitFor
  // delivered may take a message of the next run, which only brings it forward, in order.
  if (std::shared_ptr<TWorkerChannel> channel = Channel()) {
    if (std::optional<TWorkerMessage> message = channel->Take(/*wait=*/false)) Dispatch(*channel, *message);
  }
}

void TBackgroundWorker::Dispatch(TWorkerChannel& channel, const TWorkerMessage& message) {
  // A handler's exception must not reach Qt's event loop, which cannot carry it; it is shown as
  // the application shows any error, and delivery goes on.
  const auto guarded = [this](const auto& call) {
    try {
      call();
    } catch (...) {
      ShowErrorText(CurrentExceptionText());
    }
  };
  switch (message.kind) {
    case TWorkerMessage::kFeedback:
      guarded([&] { DoWorkFeedback(message.first, message.second); });
      break;
    case TWorkerMessage::kProgress:
      guarded([&] { DoWorkProgress(message.first); });
      break;
    case TWorkerMessage::kError:
      ShowErrorText(message.text);
      channel.AcknowledgeError();
      break;
    case TWorkerMessage::kComplete:
      ReleaseRun();
      guarded([&] { DoWorkComplete(message.first != 0); });
      break;
  }
}

void TBackgroundWorker::ReleaseRun() {
  // The completion is the thread's last act, so this wait is short. Once it returns the thread
  // has ended and the completion handler may start the next run.
  if (thread_.joinable()) thread_.join();
  threadID_ = 0;
  std::shared_ptr<TWorkerChannel> channel;
  {
    std::lock_guard lock(channelLock_);
    channel = std::move(channel_);
  }
  // Closed, so that nothing a straggler posts can arrive after the completion.
  if (channel) channel->Close();
}

void TBackgroundWorker::AbandonRun() {
  // The thread cannot be ended from outside; asking the work to stop is the most that can be done.
  cancellationPending_ = true;
  std::shared_ptr<TWorkerChannel> channel;
  {
    std::lock_guard lock(channelLock_);
    channel = std::move(channel_);
  }
  if (channel) channel->Close();
  if (thread_.joinable()) thread_.detach();
  threadID_ = 0;
}

void TBackgroundWorker::ShowErrorText(const std::u16string& message) {
  try {
    if (ShowError) {
      ShowError(message);
      return;
    }
  } catch (...) {
    // Showing failed as well; the message still goes to the log below.
  }
  qCritical("%s", qUtf8Printable(QString::fromStdU16String(message)));
}

std::string TBackgroundWorker::ErrorName() const { return objectName().toStdString(); }

}  // namespace ombrelt::app

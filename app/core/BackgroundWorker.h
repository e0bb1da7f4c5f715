#pragma once
// A non-visual component that runs one piece of work, OnWork, on a thread of its own while the
// owner's thread keeps serving its event loop, and hands feedback, progress and the end of the
// work back to the owner's thread. Everything the work sends arrives there in the order it was
// sent, and the completion always comes last. Cancellation is cooperative: the owner asks
// (Cancel), the work looks at CancellationPending and accepts (AcceptCancellation); nothing ever
// interrupts the work.
//
// The owner's thread is the thread the worker object lives in (QObject affinity), normally the
// thread of the window.

#include <QObject>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

namespace ombrelt::app {

class TBackgroundWorker;
class TBackgroundWorkerThread;
class TWorkerChannel;
struct TWorkerMessage;

// Misuse of the component: starting it while it works, accepting a cancellation outside the work,
// closing it while it works. what() is UTF-8 and names the component.
class EBackgroundWorker : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The priority the run's thread gets, from the lowest to the highest.
enum class TThreadPriority { kIdle, kLowest, kLower, kNormal, kHigher, kHighest, kTimeCritical };

using TWorkEvent = std::function<void(TBackgroundWorker& worker)>;
using TWorkCompleteEvent = std::function<void(TBackgroundWorker& worker, bool cancelled)>;
using TWorkProgressEvent = std::function<void(TBackgroundWorker& worker, int percentDone)>;
using TWorkFeedbackEvent = std::function<void(TBackgroundWorker& worker, int feedbackID, int feedbackValue)>;
using TShowErrorEvent = std::function<void(const std::u16string& message)>;

class TBackgroundWorker : public QObject {
  Q_OBJECT

 public:
  using TThreadID = std::uintptr_t;

  // Idle, Priority normal. The owner, when given, deletes the worker with itself; the owner should
  // call Close first (see there). The error texts name the worker by its objectName().
  explicit TBackgroundWorker(QObject* owner = nullptr);
  // A worker destroyed while it works abandons its thread as Close does, but cannot raise: it
  // writes the same message through qCritical. No owner-supplied handler is called, because the
  // destructor usually runs while the owner itself is half destroyed.
  ~TBackgroundWorker() override;
  TBackgroundWorker(const TBackgroundWorker&) = delete;
  TBackgroundWorker& operator=(const TBackgroundWorker&) = delete;

  // Owner's thread. Starts a run: OnWork on a new thread with Priority. Raises EBackgroundWorker
  // "The background worker named '<name>' is already running" while working (the running work is
  // unaffected); a thread that cannot be created leaves the worker idle and raises
  // std::system_error.
  void Execute();
  // Any thread. While working, asks the work to stop (CancellationPending). Returns IsWorking.
  bool Cancel();
  // Only from the run's thread, normally inside OnWork: the run will end as cancelled, and the
  // request is cleared. The work is expected to return right after. Anywhere else it raises
  // EBackgroundWorker "You must call '<name>.AcceptCancellation' only inside the OnWork event
  // handler".
  void AcceptCancellation();
  // Owner's thread. Delivers this worker's own messages (and nothing else of the event loop: no
  // nested event loop runs), blocking between them, until the worker is idle. Returns false.
  bool WaitFor();
  // Any thread. True from Execute until the completion has released the run, so false inside
  // OnWorkComplete.
  bool IsWorking() const;
  // Any thread; the work polls it. Set by Cancel while working, cleared by AcceptCancellation and
  // by the next Execute.
  bool CancellationPending() const;
  // Any thread. The run's thread (as QThread::currentThreadId()), 0 while idle.
  TThreadID ThreadID() const;
  // Any thread while working (the work and threads it started). Post a notification and return at
  // once; OnWorkFeedback / OnWorkProgress get it later on the owner's thread. Ignored while idle.
  void ReportFeedback(int feedbackID, int feedbackValue);
  void ReportProgress(int percentDone);
  // Owner's thread, before destroying the worker (the window does so when it closes). Nothing
  // while idle. While working, the run's thread cannot be stopped safely, so it is abandoned: the
  // work is asked to stop (CancellationPending), nothing it sends is delivered any more, no
  // completion comes, the worker is idle at once, and EBackgroundWorker "Before closing the
  // application, '<name>' must be stopped" is raised. An abandoned work may go on using the
  // worker while the worker exists, but must not once it is destroyed; this is an exit path only.
  void Close();

  TThreadPriority Priority = TThreadPriority::kNormal;
  // Runs on the run's thread. An exception escaping it is shown (ShowError) and the run completes
  // as cancelled.
  TWorkEvent OnWork;
  // The notification handlers run on the owner's thread.
  TWorkCompleteEvent OnWorkComplete;
  TWorkProgressEvent OnWorkProgress;
  TWorkFeedbackEvent OnWorkFeedback;
  // How an error reaches the user, always called on the owner's thread, so a window can show a
  // modal message box from it: an exception that escaped OnWork (the run's thread waits until
  // ShowError returns before it completes, so ShowError must not wait for this worker), or one
  // that escaped a notification handler. Unassigned, the message goes to qCritical.
  TShowErrorEvent ShowError;

 protected:
  // Each calls its event when assigned and does nothing otherwise. DoWork runs on the run's
  // thread, the others on the owner's thread.
  virtual void DoWork();
  virtual void DoWorkComplete(bool cancelled);
  virtual void DoWorkProgress(int percentDone);
  virtual void DoWorkFeedback(int feedbackID, int feedbackValue);

 private:
  friend class TBackgroundWorkerThread;
  friend class TWorkerChannel;

  std::shared_ptr<TWorkerChannel> Channel() const;
  // Queued on the owner's thread once per posted message; delivers the oldest one, if any.
  // Invoked by name, so no data of the posting thread travels with the call.
  Q_INVOKABLE void DeliverPosted();
  void Dispatch(TWorkerChannel& channel, const TWorkerMessage& message);
  void ReleaseRun();
  void AbandonRun();
  void ShowErrorText(const std::u16string& message);
  std::string ErrorName() const;

  // The open channel of the current run: set exactly while working (it plays the part of the
  // hidden message window). Guarded by channelLock_ because workers' threads read it.
  mutable std::mutex channelLock_;
  std::shared_ptr<TWorkerChannel> channel_;
  std::thread thread_;  // joinable exactly while working; owner's thread only
  std::atomic<bool> cancellationPending_{false};
  std::atomic<bool> cancelled_{false};
  std::atomic<TThreadID> threadID_{0};
};

}  // namespace ombrelt::app

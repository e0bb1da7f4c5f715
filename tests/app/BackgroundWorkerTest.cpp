#include "app/core/BackgroundWorker.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QString>
#include <QThread>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <semaphore>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace ombrelt::app {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

constexpr const char* kName = "BgWEncryptPDF";

TBackgroundWorker::TThreadID CurrentThreadID() {
  return reinterpret_cast<TBackgroundWorker::TThreadID>(QThread::currentThreadId());
}

bool OnOwnerThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

std::string Utf8(const std::u16string& text) { return QString::fromStdU16String(text).toStdString(); }

// Runs the owner's event loop until done() holds; false after a generous limit.
bool ProcessEventsUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

// Lets every event posted so far be handled: a marker posted now runs after them.
void DrainPostedEvents() {
  QObject marker;
  bool reached = false;
  QMetaObject::invokeMethod(&marker, [&] { reached = true; }, Qt::QueuedConnection);
  ASSERT_TRUE(ProcessEventsUntil([&] { return reached; }));
}

// What reached the owner's side of a worker, in arrival order.
struct TRecorder {
  std::vector<std::string> log;
  bool offOwnerThread = false;
  bool workingAtCompletion = false;
  TBackgroundWorker::TThreadID threadAtCompletion = 1;
  int completions = 0;

  explicit TRecorder(TBackgroundWorker& worker) {
    worker.OnWorkFeedback = [this](TBackgroundWorker&, int id, int value) {
      Note("feedback " + std::to_string(id) + "=" + std::to_string(value));
    };
    worker.OnWorkProgress = [this](TBackgroundWorker&, int percent) { Note("progress " + std::to_string(percent)); };
    worker.OnWorkComplete = [this](TBackgroundWorker& w, bool cancelled) {
      workingAtCompletion = w.IsWorking();
      threadAtCompletion = w.ThreadID();
      ++completions;
      Note(cancelled ? "complete cancelled" : "complete");
    };
    worker.ShowError = [this](const std::u16string& message) { Note("error " + Utf8(message)); };
  }

  void Note(std::string entry) {
    offOwnerThread = offOwnerThread || !OnOwnerThread();
    log.push_back(std::move(entry));
  }
};

// The two ways messages reach the owner: its event loop, or WaitFor.
enum class TDelivery { kEventLoop, kWaitFor };
constexpr TDelivery kDeliveries[] = {TDelivery::kEventLoop, TDelivery::kWaitFor};

const char* DeliveryName(TDelivery delivery) {
  return delivery == TDelivery::kEventLoop ? "event loop" : "WaitFor";
}

// Starts a run and lets its messages arrive the given way until `completions` completions came.
void RunToCompletion(TBackgroundWorker& worker, const TRecorder& recorder, TDelivery delivery, int completions = 1) {
  worker.Execute();
  if (delivery == TDelivery::kWaitFor) {
    EXPECT_FALSE(worker.WaitFor());
  } else {
    EXPECT_TRUE(ProcessEventsUntil([&] { return recorder.completions >= completions; }));
  }
  EXPECT_EQ(recorder.completions, completions);
}

class BackgroundWorkerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (QCoreApplication::instance() == nullptr) {
      static int argc = 1;
      static char name[] = "test";
      static char* argv[] = {name, nullptr};
      new QCoreApplication(argc, argv);  // lives as long as the process, as in the program
    }
  }

  void SetUp() override { worker_.setObjectName(kName); }

  TBackgroundWorker worker_;
};

TEST_F(BackgroundWorkerTest, IdleWorker) {
  EXPECT_FALSE(worker_.IsWorking());
  EXPECT_FALSE(worker_.Cancel());
  EXPECT_FALSE(worker_.CancellationPending());
  EXPECT_FALSE(worker_.WaitFor());
  EXPECT_EQ(worker_.ThreadID(), 0u);
  EXPECT_NO_THROW(worker_.Close());
}

TEST_F(BackgroundWorkerTest, WithoutOnWorkTheRunCompletesAtOnceNotCancelled) {
  for (const TDelivery delivery : kDeliveries) {
    SCOPED_TRACE(DeliveryName(delivery));
    TBackgroundWorker worker;
    TRecorder recorder(worker);
    RunToCompletion(worker, recorder, delivery);
    EXPECT_THAT(recorder.log, ElementsAre("complete"));
  }
}

TEST_F(BackgroundWorkerTest, MessagesArriveOnTheOwnerThreadInPostingOrderBeforeTheCompletion) {
  for (const TDelivery delivery : kDeliveries) {
    SCOPED_TRACE(DeliveryName(delivery));
    TBackgroundWorker worker;
    TRecorder recorder(worker);
    worker.OnWork = [](TBackgroundWorker& w) {
      w.ReportFeedback(0, 0);
      w.ReportProgress(10);
      w.ReportFeedback(0, 1);
      std::this_thread::sleep_for(20ms);  // the owner has to wait for the rest
      w.ReportFeedback(1, 0);
      w.ReportProgress(50);
      w.ReportFeedback(1, 2);  // the last act of the work
    };
    RunToCompletion(worker, recorder, delivery);
    EXPECT_THAT(recorder.log, ElementsAre("feedback 0=0", "progress 10", "feedback 0=1", "feedback 1=0", "progress 50",
                                          "feedback 1=2", "complete"));
    EXPECT_FALSE(recorder.offOwnerThread);
  }
}

TEST_F(BackgroundWorkerTest, WaitForDeliversOnlyTheWorkersOwnMessagesAndEachOnce) {
  TRecorder recorder(worker_);
  QObject other;
  bool otherRan = false;
  QMetaObject::invokeMethod(&other, [&] { otherRan = true; }, Qt::QueuedConnection);
  worker_.OnWork = [](TBackgroundWorker& w) {
    w.ReportFeedback(1, 1);
    std::this_thread::sleep_for(20ms);
    w.ReportFeedback(2, 2);
  };
  worker_.Execute();
  EXPECT_FALSE(worker_.WaitFor());
  EXPECT_FALSE(otherRan) << "WaitFor ran the general event loop";
  EXPECT_FALSE(worker_.IsWorking());
  EXPECT_THAT(recorder.log, ElementsAre("feedback 1=1", "feedback 2=2", "complete"));

  // The event loop later finds the calls queued for the messages WaitFor already delivered.
  DrainPostedEvents();
  EXPECT_TRUE(otherRan);
  EXPECT_THAT(recorder.log, ElementsAre("feedback 1=1", "feedback 2=2", "complete"));
}

TEST_F(BackgroundWorkerTest, CompletionSeesAnIdleWorkerAndMayStartTheNextRun) {
  for (const TDelivery delivery : kDeliveries) {
    SCOPED_TRACE(DeliveryName(delivery));
    TBackgroundWorker worker;
    TRecorder recorder(worker);
    std::vector<bool> working;
    std::vector<TBackgroundWorker::TThreadID> threads;
    worker.OnWorkComplete = [&](TBackgroundWorker& w, bool cancelled) {
      working.push_back(w.IsWorking());
      threads.push_back(w.ThreadID());
      recorder.Note(cancelled ? "complete cancelled" : "complete");
      if (++recorder.completions == 1) w.Execute();
    };
    // WaitFor goes on through the second run, since the worker is working again.
    RunToCompletion(worker, recorder, delivery, 2);
    EXPECT_THAT(recorder.log, ElementsAre("complete", "complete"));
    EXPECT_THAT(working, ElementsAre(false, false));
    EXPECT_THAT(threads, ElementsAre(0u, 0u));
  }
}

TEST_F(BackgroundWorkerTest, ExecuteWhileWorkingRaisesAndLeavesTheRunAlone) {
  TRecorder recorder(worker_);
  std::binary_semaphore proceed{0};
  worker_.OnWork = [&](TBackgroundWorker& w) {
    proceed.acquire();
    w.ReportFeedback(7, 1);
  };
  worker_.Execute();
  EXPECT_THAT([&] { worker_.Execute(); },
              ThrowsMessage<EBackgroundWorker>(StrEq("The background worker named 'BgWEncryptPDF' is already running")));
  EXPECT_TRUE(worker_.IsWorking());
  proceed.release();
  worker_.WaitFor();
  EXPECT_THAT(recorder.log, ElementsAre("feedback 7=1", "complete"));
}

TEST_F(BackgroundWorkerTest, AcceptCancellationOutsideTheWorkRaises) {
  const auto accept = [&] { worker_.AcceptCancellation(); };
  const auto raises =
      ThrowsMessage<EBackgroundWorker>(StrEq("You must call 'BgWEncryptPDF.AcceptCancellation' only inside the OnWork event handler"));
  EXPECT_THAT(accept, raises);  // idle

  std::binary_semaphore proceed{0};
  worker_.OnWork = [&](TBackgroundWorker&) { proceed.acquire(); };
  worker_.Execute();
  EXPECT_THAT(accept, raises);  // working, but called from the owner's thread
  std::thread other([&] { EXPECT_THAT(accept, raises); });
  other.join();
  proceed.release();
  worker_.WaitFor();
}

TEST_F(BackgroundWorkerTest, CancellationRoundTrip) {
  struct TCase {
    bool workAccepts;
    const char* completion;
    bool pendingAfterwards;
  };
  const TCase cases[] = {
      {true, "complete cancelled", false},
      // A work that ends without accepting completes normally; the request stays until the next run.
      {false, "complete", true},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.completion);
    TBackgroundWorker worker;
    TRecorder recorder(worker);
    std::atomic<bool> ownThreadID{false};
    std::atomic<bool> pendingAfterAccept{true};
    worker.OnWork = [&](TBackgroundWorker& w) {
      ownThreadID = w.ThreadID() == CurrentThreadID();
      const auto deadline = std::chrono::steady_clock::now() + 10s;
      while (!w.CancellationPending() && std::chrono::steady_clock::now() < deadline) std::this_thread::sleep_for(1ms);
      if (c.workAccepts) {
        w.AcceptCancellation();
        pendingAfterAccept = w.CancellationPending();
      }
    };
    worker.Execute();
    EXPECT_NE(worker.ThreadID(), 0u);
    EXPECT_NE(worker.ThreadID(), CurrentThreadID());
    EXPECT_TRUE(worker.Cancel());
    EXPECT_FALSE(worker.WaitFor());
    EXPECT_TRUE(ownThreadID);
    if (c.workAccepts) {
      EXPECT_FALSE(pendingAfterAccept);
    }
    EXPECT_THAT(recorder.log, ElementsAre(c.completion));
    EXPECT_EQ(worker.CancellationPending(), c.pendingAfterwards);

    // The next run starts with neither a request nor the last run's outcome.
    worker.OnWork = [](TBackgroundWorker&) {};
    worker.Execute();
    EXPECT_FALSE(worker.CancellationPending());
    worker.WaitFor();
    EXPECT_THAT(recorder.log, ElementsAre(c.completion, "complete"));
  }
}

TEST_F(BackgroundWorkerTest, ExceptionEscapingOnWorkIsShownThenTheRunCompletesCancelled) {
  struct TCase {
    std::function<void()> fail;
    const char* shown;
  };
  const TCase cases[] = {
      {[] { throw std::runtime_error("Cannot create the password file"); }, "error Cannot create the password file"},
      {[] { throw 42; }, "error Unknown exception"},
  };
  for (const TDelivery delivery : kDeliveries) {
    for (const TCase& c : cases) {
      SCOPED_TRACE(std::string(DeliveryName(delivery)) + ", " + c.shown);
      TBackgroundWorker worker;
      TRecorder recorder(worker);
      worker.OnWork = [&](TBackgroundWorker& w) {
        w.ReportFeedback(0, 0);
        c.fail();
      };
      RunToCompletion(worker, recorder, delivery);
      EXPECT_THAT(recorder.log, ElementsAre("feedback 0=0", c.shown, "complete cancelled"));
      EXPECT_FALSE(recorder.offOwnerThread) << "errors must be shown where a message box can be";
    }
  }
}

TEST_F(BackgroundWorkerTest, ExceptionEscapingAHandlerIsShownAndDeliveryGoesOn) {
  for (const TDelivery delivery : kDeliveries) {
    SCOPED_TRACE(DeliveryName(delivery));
    TBackgroundWorker worker;
    TRecorder recorder(worker);
    worker.OnWorkFeedback = [&](TBackgroundWorker&, int id, int) {
      recorder.Note("feedback " + std::to_string(id));
      if (id == 1) throw std::runtime_error("row missing");
    };
    worker.OnWork = [](TBackgroundWorker& w) {
      for (int id = 0; id < 3; ++id) w.ReportFeedback(id, 0);
    };
    RunToCompletion(worker, recorder, delivery);
    EXPECT_THAT(recorder.log, ElementsAre("feedback 0", "feedback 1", "error row missing", "feedback 2", "complete"));
  }
}

TEST_F(BackgroundWorkerTest, PriorityReachesTheThread) {
  const std::pair<TThreadPriority, QThread::Priority> cases[] = {
      {TThreadPriority::kIdle, QThread::IdlePriority},       {TThreadPriority::kLowest, QThread::LowestPriority},
      {TThreadPriority::kLower, QThread::LowPriority},       {TThreadPriority::kNormal, QThread::NormalPriority},
      {TThreadPriority::kHigher, QThread::HighPriority},     {TThreadPriority::kHighest, QThread::HighestPriority},
      {TThreadPriority::kTimeCritical, QThread::TimeCriticalPriority},
  };
  EXPECT_EQ(worker_.Priority, TThreadPriority::kNormal);
  for (const auto& [priority, expected] : cases) {
    SCOPED_TRACE(static_cast<int>(priority));
    std::atomic<QThread::Priority> seen{QThread::InheritPriority};
    worker_.Priority = priority;
    worker_.OnWork = [&](TBackgroundWorker&) { seen = QThread::currentThread()->priority(); };
    worker_.Execute();
    worker_.WaitFor();
    EXPECT_EQ(seen, expected);
  }
}

TEST_F(BackgroundWorkerTest, CloseWhileWorkingAbandonsTheRunAndRaises) {
  TRecorder recorder(worker_);
  std::binary_semaphore proceed{0};
  std::atomic<bool> askedToStop{false};
  std::atomic<bool> returned{false};
  worker_.OnWork = [&](TBackgroundWorker& w) {
    proceed.acquire();
    askedToStop = w.CancellationPending();
    w.ReportFeedback(1, 1);  // nobody listens any more
    returned = true;
  };
  worker_.Execute();
  EXPECT_THAT([&] { worker_.Close(); },
              ThrowsMessage<EBackgroundWorker>(StrEq("Before closing the application, 'BgWEncryptPDF' must be stopped")));
  EXPECT_FALSE(worker_.IsWorking());
  EXPECT_EQ(worker_.ThreadID(), 0u);

  proceed.release();
  ASSERT_TRUE(ProcessEventsUntil([&] { return returned.load(); }));
  DrainPostedEvents();
  EXPECT_TRUE(askedToStop);
  EXPECT_TRUE(recorder.log.empty()) << "an abandoned run delivers nothing, not even its completion";
  EXPECT_NO_THROW(worker_.Close());
}

std::vector<std::string>* criticalMessages = nullptr;

void CaptureCritical(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg && criticalMessages != nullptr) criticalMessages->push_back(message.toStdString());
}

TEST_F(BackgroundWorkerTest, DestroyingAWorkingWorkerAbandonsTheRunAndSaysSo) {
  std::binary_semaphore entered{0};
  std::binary_semaphore proceed{0};
  std::atomic<bool> returned{false};
  auto worker = std::make_unique<TBackgroundWorker>();
  worker->setObjectName(kName);
  worker->OnWork = [&](TBackgroundWorker&) {  // must not touch the worker: it is gone when this goes on
    entered.release();
    proceed.acquire();
    returned = true;
  };
  worker->Execute();
  entered.acquire();  // the thread is done with the worker object itself

  std::vector<std::string> messages;
  criticalMessages = &messages;
  const QtMessageHandler previous = qInstallMessageHandler(CaptureCritical);
  worker.reset();
  qInstallMessageHandler(previous);
  criticalMessages = nullptr;
  EXPECT_THAT(messages, ElementsAre("Before closing the application, 'BgWEncryptPDF' must be stopped"));

  proceed.release();
  EXPECT_TRUE(ProcessEventsUntil([&] { return returned.load(); }));
  DrainPostedEvents();
}

}  // namespace
}  // namespace ombrelt::app

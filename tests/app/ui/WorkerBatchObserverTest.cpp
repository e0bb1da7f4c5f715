// The job's observer on a window's worker, driven as the parallel job drives it: outcomes reported
// out of order from several threads reach the window in list order, and a cancellation accepted on
// a job's thread is passed to the worker on its own.
#include <QTest>

#include <thread>
#include <utility>
#include <vector>

#include "app/ui/WorkerBatchObserver.h"

namespace ombrelt::ui::testing {

class TWorkerBatchObserverTest : public QObject {
  Q_OBJECT

 private slots:
  void outcomesArriveInListOrder() {
    app::TBackgroundWorker worker;
    TBatchNotes notes;
    std::vector<std::pair<int, int>> delivered;
    bool cancelled = false;
    worker.OnWorkFeedback = [&](app::TBackgroundWorker&, int row, int status) { delivered.emplace_back(row, status); };
    worker.OnWorkComplete = [&](app::TBackgroundWorker&, bool wasCancelled) { cancelled = wasCancelled; };
    worker.OnWork = [&](app::TBackgroundWorker& running) {
      TWorkerBatchObserver observer(running, notes, 3);
      std::thread([&] {
        observer.ReportStatus(0, app::kStatusEncrypting);
        observer.ReportStatus(2, app::kStatusSucceeded);
        observer.ReportFailure(0, 0, u"why");
        observer.ReportStatus(0, app::kStatusFailed);
        observer.AcceptCancellation();  // on a thread that is not the worker's: must not raise
      }).join();
      std::thread([&] { observer.ReportStatus(1, app::kStatusSucceeded); }).join();
      observer.Finish();
    };
    worker.Execute();
    worker.Cancel();
    worker.WaitFor();
    using P = std::pair<int, int>;
    const std::vector<P> expected{P{0, app::kStatusEncrypting}, P{0, app::kStatusFailed},
                                  P{1, app::kStatusSucceeded}, P{2, app::kStatusSucceeded}};
    QCOMPARE(delivered, expected);
    QVERIFY(cancelled);
    QCOMPARE(notes.Take(0), std::u16string(u"why"));
  }
};

}  // namespace ombrelt::ui::testing

QTEST_MAIN(ombrelt::ui::testing::TWorkerBatchObserverTest)
#include "WorkerBatchObserverTest.moc"

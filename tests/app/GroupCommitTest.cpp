#include "app/core/GroupCommit.h"

#include <gtest/gtest.h>

#include <future>
#include <latch>
#include <mutex>
#include <thread>
#include <vector>

#include "pdf/objects/TextConversions.h"
#include "tests/support/TestTools.h"

namespace ombrelt::app {
namespace {

using pdf::testing::TempFolder;

TPasswordRecord Line(const std::string& name) { return {pdf::UTF8ToUnicode(name), u"open", u"", u"/x.pdf"}; }

// Reveals record their order and thread; the password file its lines.
struct TCommitLog {
  std::mutex mutex;
  std::vector<std::size_t> revealed;
  std::vector<std::thread::id> threads;

  TReadyCopy Copy(std::size_t index, const TempFolder& folder, std::function<void()> before = {}) {
    TReadyCopy copy;
    copy.line = Line("f" + std::to_string(index));
    copy.folder = folder.Path().string();
    copy.reveal = [this, index, before] {
      if (before) before();
      const std::lock_guard lock(mutex);
      revealed.push_back(index);
      threads.push_back(std::this_thread::get_id());
    };
    return copy;
  }
};

// Files become ready out of order; each appears in list order, its line first, and files ready
// while an earlier one waits for the disk are committed together by one thread.
TEST(GroupCommit, CommitsInListOrderAndGroupsWhatIsReady) {
  TempFolder folder;
  TPasswordFile passwords(pdf::UTF8ToUnicode((folder / "p.csv").string()));
  TGroupCommit commits(5, &passwords);
  TCommitLog log;
  std::latch othersReady(1);
  // File 0 waits in its reveal until files 2 to 4 are ready behind it; file 1 fails earlier.
  std::vector<std::future<std::optional<TFileFailure>>> results;
  results.push_back(std::async(std::launch::async, [&] {
    return commits.Commit(0, log.Copy(0, folder, [&] { othersReady.wait(); }));
  }));
  commits.Skip(1);
  std::latch handing(3);
  for (std::size_t index : {4u, 3u, 2u}) {
    results.push_back(std::async(std::launch::async, [&, index] {
      TReadyCopy copy = log.Copy(index, folder);
      handing.count_down();
      return commits.Commit(index, std::move(copy));
    }));
  }
  // The three are at the door: a moment more and they have handed in their copies.
  handing.wait();
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  othersReady.count_down();
  for (auto& result : results) EXPECT_FALSE(result.get().has_value());
  EXPECT_EQ(log.revealed, (std::vector<std::size_t>{0, 2, 3, 4}));
  EXPECT_EQ(log.threads[1], log.threads[2]);
  EXPECT_EQ(log.threads[2], log.threads[3]);
  const std::string text = pdf::testing::ReadFile(folder / "p.csv");
  EXPECT_LT(text.find("\"f0\""), text.find("\"f2\""));
  EXPECT_LT(text.find("\"f2\""), text.find("\"f3\""));
  EXPECT_LT(text.find("\"f3\""), text.find("\"f4\""));
  EXPECT_EQ(text.find("\"f1\""), std::string::npos);
}

// A copy that cannot take its name fails alone; the files after it still appear.
TEST(GroupCommit, AFailedRevealFailsItsFileAlone) {
  TempFolder folder;
  TGroupCommit commits(3, nullptr);
  TCommitLog log;
  TReadyCopy failing = log.Copy(1, folder);
  failing.reveal = [] { throw TFileFailure{0, u"cannot rename"}; };
  EXPECT_FALSE(commits.Commit(0, log.Copy(0, folder)).has_value());
  const std::optional<TFileFailure> failure = commits.Commit(1, std::move(failing));
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->reason, u"cannot rename");
  EXPECT_FALSE(commits.Commit(2, log.Copy(2, folder)).has_value());
  EXPECT_EQ(log.revealed, (std::vector<std::size_t>{0, 2}));
}

// A turn that ends without committing lets later files go on.
TEST(GroupCommit, ATurnEndedWithoutCommitIsSkipped) {
  TempFolder folder;
  TGroupCommit commits(2, nullptr);
  TCommitLog log;
  { const TCommitTurn unused(commits, 0); }
  TCommitTurn turn(commits, 1);
  EXPECT_FALSE(turn.Commit(log.Copy(1, folder)).has_value());
  EXPECT_EQ(log.revealed, std::vector<std::size_t>{1});
}

}  // namespace
}  // namespace ombrelt::app

#pragma once
// What a batch shows on the command line: one status line per input on standard output, in list
// order ("NAME: Succeed!" or "NAME: Failed! REASON", also for a file a stop left out:
// "NAME: Failed! not started: WHY THE RUN STOPPED"), each preceded on standard error by the
// warnings of its file, and on a terminal a progress bar on standard error. It is the job's
// observer, called from all of the job's threads at once.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

#include "app/core/BatchJob.h"
#include "cli/OrderedLines.h"
#include "cli/ProgressBar.h"
#include "cli/StopRequest.h"

namespace cli {

class TBatchReport final : public ombrelt::app::TBatchObserver {
 public:
  // names: every input's name as shown, in list order. jobLines: for each file of the job, in the
  // job's order, its position in names. stop: asked before every file.
  TBatchReport(std::ostream& out, std::ostream& warnings, TProgressBar& progress, std::vector<std::string> names,
               std::vector<std::size_t> jobLines, const TStopRequest& stop);

  // Before the batch: the line of an input that does not go to the job.
  void Refuse(std::size_t line, const std::string& reason);
  // After the batch: prints what is still held back and clears the progress bar.
  void Finish();

  bool AnyFailed() const;
  bool Stopped() const;
  // Files of the job that were never started because of a stop.
  std::size_t NotStarted() const;

  bool CancellationPending() override;
  void AcceptCancellation() override;
  void ReportStatus(std::size_t row, ombrelt::app::TFileStatus status) override;
  void ReportFailure(std::size_t row, std::int32_t errorCode, std::u16string_view reason) override;
  void ReportNotStarted(std::size_t row, std::u16string_view reason) override;
  void ReportRepairs(std::size_t row, std::u16string_view note) override;
  void ReportNotices(std::size_t row, const std::vector<std::u16string>& notices) override;
  void ReportProgress(std::size_t row, int percent) override;
  // Printed at once on standard error: it concerns the whole batch, not one status line.
  void ReportWarning(std::u16string_view warning) override;

 private:
  // Called with mutex_ held.
  void SetLine(std::size_t line, const std::string& text, const std::string& warnings = {});
  void ShowProgress();

  mutable std::mutex mutex_;
  TOrderedLines lines_;
  std::ostream& warningStream_;
  TProgressBar& progress_;
  const std::vector<std::string> names_;
  const std::vector<std::size_t> jobLines_;
  const TStopRequest& stop_;
  std::vector<int> percent_;          // per job file
  std::vector<std::string> reasons_;  // per job file, set by ReportFailure
  std::vector<std::string> notes_;    // per job file, set by ReportRepairs
  std::vector<std::string> warnings_;  // per job file, set by ReportNotices
  std::int64_t percentSum_ = 0;
  std::size_t started_ = 0;
  std::size_t finished_ = 0;
  std::size_t lastStarted_ = 0;
  bool anyFailed_ = false;
  bool stopped_ = false;
};

}  // namespace cli

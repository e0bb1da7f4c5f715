#include "cli/BatchReport.h"

#include <algorithm>
#include <ostream>

#include "cli/SecurityWords.h"
#include "cli/Utf8Text.h"
#include "pdf/facade/VelloPDF.h"
#include "pdf/objects/TextConversions.h"

namespace cli {

namespace app = ombrelt::app;

TBatchReport::TBatchReport(std::ostream& out, std::ostream& warnings, TProgressBar& progress,
                           std::vector<std::string> names, std::vector<std::size_t> jobLines,
                           const TStopRequest& stop)
    : lines_(out, names.size(), &warnings),
      warningStream_(warnings),
      progress_(progress),
      names_(std::move(names)),
      jobLines_(std::move(jobLines)),
      stop_(stop),
      percent_(jobLines_.size(), 0),
      reasons_(jobLines_.size()),
      notes_(jobLines_.size()),
      warnings_(jobLines_.size()) {}

void TBatchReport::Refuse(std::size_t line, const std::string& reason) {
  const std::lock_guard lock(mutex_);
  anyFailed_ = true;
  SetLine(line, names_.at(line) + ": Failed! " + reason);
}

void TBatchReport::Finish() {
  const std::lock_guard lock(mutex_);
  progress_.Clear();
  lines_.Flush();
}

bool TBatchReport::AnyFailed() const {
  const std::lock_guard lock(mutex_);
  return anyFailed_;
}

bool TBatchReport::Stopped() const {
  const std::lock_guard lock(mutex_);
  return stopped_;
}

std::size_t TBatchReport::NotStarted() const {
  const std::lock_guard lock(mutex_);
  return jobLines_.size() - started_;
}

bool TBatchReport::CancellationPending() { return stop_.Requested(); }

void TBatchReport::AcceptCancellation() {
  const std::lock_guard lock(mutex_);
  stopped_ = true;
}

void TBatchReport::ReportStatus(std::size_t row, app::TFileStatus status) {
  const std::lock_guard lock(mutex_);
  if (status == app::kStatusEncrypting) {
    ++started_;
    lastStarted_ = row;
    ShowProgress();
    return;
  }
  ++finished_;
  percentSum_ += 100 - percent_.at(row);
  percent_[row] = 100;
  const bool failed = status == app::kStatusFailed;
  anyFailed_ = anyFailed_ || failed;
  const std::string& name = names_.at(jobLines_[row]);
  const std::string& note = notes_[row];
  SetLine(jobLines_[row],
          failed ? name + ": Failed! " + reasons_[row] : name + ": Succeed!" + (note.empty() ? "" : " (" + note + ")"),
          failed ? std::string() : warnings_[row]);
  ShowProgress();
}

void TBatchReport::ReportFailure(std::size_t row, std::int32_t errorCode, std::u16string_view reason) {
  const std::lock_guard lock(mutex_);
  // The library's codes have the words the rest of the command uses, kept with what the job adds
  // after them (a full disk's cause); the job's own checks give a sentence of their own.
  const std::string text = pdf::UnicodeToUTF8(reason);
  const std::string words = errorCode != pdf::kErrorNone ? ErrorWords(errorCode) : std::string();
  reasons_.at(row) = words.empty() || text.starts_with(words) ? text : words;
}

void TBatchReport::ReportNotStarted(std::size_t row, std::u16string_view reason) {
  const std::lock_guard lock(mutex_);
  anyFailed_ = true;
  SetLine(jobLines_.at(row), names_.at(jobLines_[row]) + ": Failed! not started: " + pdf::UnicodeToUTF8(reason));
}

void TBatchReport::ReportRepairs(std::size_t row, std::u16string_view note) {
  const std::lock_guard lock(mutex_);
  notes_.at(row) = pdf::UnicodeToUTF8(note);
}

void TBatchReport::ReportNotices(std::size_t row, const std::vector<std::u16string>& notices) {
  const std::lock_guard lock(mutex_);
  std::string& text = warnings_.at(row);
  const std::string& name = names_.at(jobLines_[row]);
  for (const std::u16string& notice : notices) {
    text += "ombreltenc-cli: warning: " + TerminalText(name + ": " + pdf::UnicodeToUTF8(notice)) + '\n';
  }
}

void TBatchReport::ReportProgress(std::size_t row, int percent) {
  percent = std::clamp(percent, 0, 100);
  const std::lock_guard lock(mutex_);
  percentSum_ += percent - percent_.at(row);
  percent_[row] = percent;
  ShowProgress();
}

void TBatchReport::ReportWarning(std::u16string_view warning) {
  const std::lock_guard lock(mutex_);
  progress_.Clear();
  warningStream_ << "ombreltenc-cli: warning: " << TerminalText(pdf::UnicodeToUTF8(warning)) << '\n';
}

void TBatchReport::SetLine(std::size_t line, const std::string& text, const std::string& warnings) {
  progress_.Clear();
  // Reasons may name an output path, which is as untrusted as the input's.
  lines_.Set(line, TerminalText(text), warnings);
}

void TBatchReport::ShowProgress() {
  if (jobLines_.empty() || finished_ == jobLines_.size()) return;
  const auto count = static_cast<std::int64_t>(jobLines_.size());
  progress_.Show(finished_, jobLines_.size(), names_.at(jobLines_[lastStarted_]),
                 static_cast<int>(percentSum_ / count));
}

}  // namespace cli

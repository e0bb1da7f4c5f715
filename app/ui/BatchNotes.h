#pragma once
// What the job says of files that succeeded (a damaged input's copy was repaired) and of the whole
// batch (a password file others can read), handed from the worker thread to the window: the
// worker's feedback carries only the row and its status.

#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ombrelt::ui {

class TBatchNotes {
 public:
  void Set(std::size_t row, std::u16string_view note) {
    const std::lock_guard lock(mutex_);
    notes_[row] = note;
  }
  // The row's note, once; empty when it has none.
  std::u16string Take(std::size_t row) {
    const std::lock_guard lock(mutex_);
    const auto found = notes_.find(row);
    if (found == notes_.end()) return {};
    std::u16string note = std::move(found->second);
    notes_.erase(found);
    return note;
  }
  void AddWarning(std::u16string_view warning) {
    const std::lock_guard lock(mutex_);
    warnings_.emplace_back(warning);
  }
  // The batch's warnings, once.
  std::vector<std::u16string> TakeWarnings() {
    const std::lock_guard lock(mutex_);
    return std::exchange(warnings_, {});
  }
  void Clear() {
    const std::lock_guard lock(mutex_);
    notes_.clear();
    warnings_.clear();
  }

 private:
  std::mutex mutex_;
  std::map<std::size_t, std::u16string> notes_;
  std::vector<std::u16string> warnings_;
};

}  // namespace ombrelt::ui

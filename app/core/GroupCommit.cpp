#include "app/core/GroupCommit.h"

#include <set>
#include <utility>

#include "pdf/io/FileOperations.h"

namespace ombrelt::app {

TGroupCommit::TGroupCommit(std::size_t count, TPasswordFile* passwordFile)
    : passwordFile_(passwordFile), slots_(count) {}

std::optional<TFileFailure> TGroupCommit::Commit(std::size_t index, TReadyCopy copy) {
  std::unique_lock lock(mutex_);
  TSlot& slot = slots_[index];
  slot.copy = std::move(copy);
  changed_.wait(lock, [&] { return slot.done || (!leading_ && next_ == index); });
  if (!slot.done) Lead(lock);
  if (slot.error) std::rethrow_exception(slot.error);
  return slot.failure;
}

void TGroupCommit::Skip(std::size_t index) {
  const std::lock_guard lock(mutex_);
  slots_[index].done = true;
  Advance();
  changed_.notify_all();
}

// Takes every ready file from next_ on that follows without a gap, commits them with the lock
// released, and hands each its outcome.
void TGroupCommit::Lead(std::unique_lock<std::mutex>& lock) {
  leading_ = true;
  std::vector<std::size_t> group;
  std::vector<TReadyCopy> copies;
  for (std::size_t k = next_; k < slots_.size() && slots_[k].copy && !slots_[k].done; ++k) {
    group.push_back(k);
    copies.push_back(std::move(*slots_[k].copy));
    slots_[k].copy.reset();
  }
  lock.unlock();
  std::vector<std::optional<TFileFailure>> failures(group.size());
  std::exception_ptr error;
  try {
    failures = CommitGroup(copies);
  } catch (...) {
    error = std::current_exception();
  }
  lock.lock();
  for (std::size_t i = 0; i < group.size(); ++i) {
    TSlot& slot = slots_[group[i]];
    slot.done = true;
    slot.failure = std::move(failures[i]);
    slot.error = error;
  }
  leading_ = false;
  Advance();
  changed_.notify_all();
}

std::vector<std::optional<TFileFailure>> TGroupCommit::CommitGroup(std::vector<TReadyCopy>& copies) {
  std::vector<TPasswordRecord> lines;
  for (const TReadyCopy& copy : copies) {
    if (copy.line) lines.push_back(*copy.line);
  }
  // The lines go to disk first: a crash between the two steps leaves recorded passwords without
  // their files, never a file whose password is lost.
  if (!lines.empty() && passwordFile_ != nullptr) passwordFile_->Append(lines);
  std::vector<std::optional<TFileFailure>> failures(copies.size());
  std::set<std::string> folders;
  for (std::size_t i = 0; i < copies.size(); ++i) {
    try {
      copies[i].reveal();
      folders.insert(copies[i].folder);
    } catch (const TFileFailure& failure) {
      failures[i] = failure;
    }
  }
  // The names are durable once their folders are. A folder that cannot be synced leaves the
  // copies whole, as before the sync was asked.
  for (const std::string& folder : folders) (void)pdf::SyncFolder(folder);
  return failures;
}

void TGroupCommit::Advance() {
  while (next_ < slots_.size() && slots_[next_].done) ++next_;
}

}  // namespace ombrelt::app

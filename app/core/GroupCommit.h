#pragma once
// The last step of every file of a batch, in list order: its password line goes to disk, then the
// copy takes its name, then its folder is synced. Each of those syncs waits for the disk, so files
// that become ready while an earlier commit waits are committed together: their lines take one
// sync of the password file, their names one sync of each folder. Every promise holds for each
// file (its line on disk before its copy appears, its folder synced before it counts), at a
// fraction of the syncs when the disk is slow.

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/core/FileFailure.h"
#include "app/core/PasswordFile.h"

namespace ombrelt::app {

// A verified copy, ready to appear.
struct TReadyCopy {
  std::optional<TPasswordRecord> line;  // recorded before the copy appears
  std::function<void()> reveal;         // gives the copy its name; may raise TFileFailure
  std::string folder;                   // native path of the folder it appears in, synced after
};

class TGroupCommit {
 public:
  // count files, committed in index order; passwordFile may be nullptr (nothing recorded).
  TGroupCommit(std::size_t count, TPasswordFile* passwordFile);

  // Commits index once every earlier file has been committed or skipped, possibly with others (by
  // whichever thread leads the group). The file's failure when its copy could not take its name;
  // raises EBatchJobError when the password file fails, for every file of that group.
  std::optional<TFileFailure> Commit(std::size_t index, TReadyCopy copy);
  // index will not be committed (it failed earlier, or never started): later files go on.
  void Skip(std::size_t index);

 private:
  struct TSlot {
    std::optional<TReadyCopy> copy;
    bool done = false;
    std::optional<TFileFailure> failure;
    std::exception_ptr error;
  };

  void Lead(std::unique_lock<std::mutex>& lock);
  std::vector<std::optional<TFileFailure>> CommitGroup(std::vector<TReadyCopy>& copies);
  void Advance();

  TPasswordFile* passwordFile_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<TSlot> slots_;
  std::size_t next_ = 0;  // the first file not done
  bool leading_ = false;  // a group is being committed
};

// A file's turn in the commit order: committed with Commit, or else skipped when the turn ends,
// so that later files never wait for a file that failed.
class TCommitTurn {
 public:
  TCommitTurn(TGroupCommit& commits, std::size_t index) : commits_(commits), index_(index) {}
  ~TCommitTurn() {
    if (!used_) commits_.Skip(index_);
  }
  TCommitTurn(const TCommitTurn&) = delete;
  TCommitTurn& operator=(const TCommitTurn&) = delete;

  std::optional<TFileFailure> Commit(TReadyCopy copy) {
    used_ = true;
    return commits_.Commit(index_, std::move(copy));
  }

 private:
  TGroupCommit& commits_;
  const std::size_t index_;
  bool used_ = false;
};

}  // namespace ombrelt::app

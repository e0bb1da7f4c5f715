#pragma once
// The bytes one file may make the reader inflate from its object and cross-reference streams, all
// together: a generous multiple of the file's size, never less than a floor for small files. The
// decoders cap each stream alone; without a bound on the sum, a file of a few megabytes holding a
// dozen decompression bombs would cost gigabytes of inflating and most of a minute.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unordered_set>

#include "pdf/objects/Limits.h"

namespace pdf {

class TDecodeBudget {
 public:
  explicit TDecodeBudget(std::int64_t fileSize)
      : left_(std::max<std::uint64_t>(limits::kMinDecodeBudget,
                                      static_cast<std::uint64_t>(std::max<std::int64_t>(fileSize, 0)) *
                                          limits::kDecodeBudgetPerFileByte)) {}

  // The most stream `key` may decode to: the decoders' own cap, or one byte past what is left, so
  // that a stream that would overdraw the budget shows it without being decoded any further. Once
  // the budget is spent nothing new is decoded. A stream paid for before is decoded again at the
  // decoders' cap: the reader forgets decoded streams (its cache, a rebuild, a password tried) and
  // must not count one stream twice against a sound file.
  std::size_t NextCap(std::int64_t key) const {
    if (paid_.contains(key)) return limits::kMaxDecodedBytes;
    if (spent_) return 0;
    return static_cast<std::size_t>(std::min<std::uint64_t>(limits::kMaxDecodedBytes, left_ + 1));
  }
  // Takes the bytes stream `key` decoded to, once; false, and spent for good, once they pass what
  // was left.
  bool Spend(std::int64_t key, std::size_t bytes) {
    if (paid_.contains(key)) return true;
    if (spent_ || bytes > left_) {
      spent_ = true;
      left_ = 0;
      return false;
    }
    left_ -= bytes;
    paid_.insert(key);
    return true;
  }
  bool Spent() const { return spent_; }

  // Keys apart for the two kinds of stream: object streams by number, cross-reference streams by
  // their place in the file.
  static std::int64_t ObjectStreamKey(std::int32_t number) { return number; }
  static std::int64_t CrossReferenceStreamKey(std::int64_t position) { return -1 - position; }

 private:
  std::uint64_t left_;
  bool spent_ = false;
  std::unordered_set<std::int64_t> paid_;
};

}  // namespace pdf

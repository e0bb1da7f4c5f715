#pragma once
// The bytes one file may make the reader inflate from its object and cross-reference streams, all
// together: a generous multiple of the file's size, never less than a floor for small files. The
// decoders cap each stream alone; without a bound on the sum, a file of a few megabytes holding a
// dozen decompression bombs would cost gigabytes of inflating and most of a minute.

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "pdf/objects/Limits.h"

namespace pdf {

class TDecodeBudget {
 public:
  explicit TDecodeBudget(std::int64_t fileSize)
      : left_(std::max<std::uint64_t>(limits::kMinDecodeBudget,
                                      static_cast<std::uint64_t>(std::max<std::int64_t>(fileSize, 0)) *
                                          limits::kDecodeBudgetPerFileByte)) {}

  // The most the next stream may decode to: the decoders' own cap, or one byte past what is left,
  // so that a stream that would overdraw the budget shows it without being decoded any further.
  // Once the budget is spent nothing more is to be decoded.
  std::size_t NextCap() const {
    if (spent_) return 0;
    return static_cast<std::size_t>(std::min<std::uint64_t>(limits::kMaxDecodedBytes, left_ + 1));
  }
  // Takes the bytes a stream decoded to; false, and spent for good, once they pass what was left.
  bool Spend(std::size_t bytes) {
    if (spent_ || bytes > left_) {
      spent_ = true;
      left_ = 0;
      return false;
    }
    left_ -= bytes;
    return true;
  }
  bool Spent() const { return spent_; }

 private:
  std::uint64_t left_;
  bool spent_ = false;
};

}  // namespace pdf

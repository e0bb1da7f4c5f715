#pragma once
// Every in-use object offset of a file, sorted, so that an object's text ends where the
// next known object begins.

#include <algorithm>
#include <cstdint>
#include <vector>

namespace pdf {

class TVelloSortedInt64List {
 public:
  void Append(std::int64_t value) { values_.push_back(value); }
  void Sort() { std::sort(values_.begin(), values_.end()); }
  std::size_t Count() const { return values_.size(); }
  // The smallest stored value above v; the largest stored value when none is above v.
  std::int64_t NextAfter(std::int64_t v) const {
    if (values_.empty()) return v;
    const auto above = std::upper_bound(values_.begin(), values_.end(), v);
    return above != values_.end() ? *above : values_.back();
  }

 private:
  std::vector<std::int64_t> values_;
};

}  // namespace pdf

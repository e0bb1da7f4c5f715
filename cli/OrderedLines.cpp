#include "cli/OrderedLines.h"

#include <ostream>

namespace cli {

void TOrderedLines::Set(std::size_t index, std::string line) {
  lines_.at(index) = std::move(line);
  PrintReady();
}

void TOrderedLines::Flush() {
  for (; next_ < lines_.size(); ++next_) {
    if (lines_[next_]) out_ << *lines_[next_] << '\n';
  }
  out_ << std::flush;
}

void TOrderedLines::PrintReady() {
  const std::size_t first = next_;
  for (; next_ < lines_.size() && lines_[next_]; ++next_) out_ << *lines_[next_] << '\n';
  // Each line reaches a pipe or log whole and at once, not when a buffer happens to fill.
  if (next_ != first) out_ << std::flush;
}

}  // namespace cli

#include "cli/OrderedLines.h"

#include <ostream>

namespace cli {

void TOrderedLines::Set(std::size_t index, std::string line, std::string warnings) {
  lines_.at(index) = TLine{std::move(line), std::move(warnings)};
  PrintReady();
}

void TOrderedLines::Flush() {
  for (; next_ < lines_.size(); ++next_) {
    if (lines_[next_]) Print(*lines_[next_]);
  }
  out_ << std::flush;
}

void TOrderedLines::PrintReady() {
  const std::size_t first = next_;
  for (; next_ < lines_.size() && lines_[next_]; ++next_) Print(*lines_[next_]);
  // Each line reaches a pipe or log whole and at once, not when a buffer happens to fill.
  if (next_ != first) out_ << std::flush;
}

void TOrderedLines::Print(const TLine& line) {
  if (warnings_ != nullptr && !line.warnings.empty()) *warnings_ << line.warnings << std::flush;
  out_ << line.text << '\n';
}

}  // namespace cli

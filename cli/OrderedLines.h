#pragma once
// Status lines in list order, each printed as soon as every earlier one has been. With several
// files encrypted at once, the output reads the same as when they are done one after another, and
// a script can pair it with the input list. Not thread-safe: the caller serialises.

#include <cstddef>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

namespace cli {

class TOrderedLines {
 public:
  TOrderedLines(std::ostream& out, std::size_t count) : out_(out), lines_(count) {}

  // Sets line index (without its line end) and prints every line that is now next in turn.
  void Set(std::size_t index, std::string line);
  // Prints the lines set but not yet printed, passing over those never set (files a stop left out).
  void Flush();

 private:
  void PrintReady();

  std::ostream& out_;
  std::vector<std::optional<std::string>> lines_;
  std::size_t next_ = 0;
};

}  // namespace cli

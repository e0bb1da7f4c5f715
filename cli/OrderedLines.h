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
  // warnings: where a line's warnings go, just before the line itself.
  TOrderedLines(std::ostream& out, std::size_t count, std::ostream* warnings = nullptr)
      : out_(out), warnings_(warnings), lines_(count) {}

  // Sets line index (without its line end) and prints every line that is now next in turn.
  // warnings (whole lines, each with its line end) are printed before it.
  void Set(std::size_t index, std::string line, std::string warnings = {});
  // Prints the lines set but not yet printed, passing over those never set (files a stop left out).
  void Flush();

 private:
  struct TLine {
    std::string text;
    std::string warnings;
  };

  void PrintReady();
  void Print(const TLine& line);

  std::ostream& out_;
  std::ostream* warnings_;
  std::vector<std::optional<TLine>> lines_;
  std::size_t next_ = 0;
};

}  // namespace cli

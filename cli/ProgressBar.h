#pragma once
// A one-line progress display on a terminal: how many files are done, the file last started and
// the percent done of the whole run. Off when the output is no terminal, so logs and pipes get
// only the status lines.

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

namespace cli {

class TProgressBar {
 public:
  TProgressBar(std::ostream& out, bool enabled) : out_(out), enabled_(enabled) {}

  // True when standard error is a terminal.
  static bool StandardErrorIsTerminal();

  // Shows "[done/count] name [####......] percent%", unless exactly that is on show already.
  void Show(std::size_t done, std::size_t count, std::string_view name, int percent);
  // Erases the line, so that a status line can take its place; the next Show draws it again.
  void Clear();

 private:
  std::ostream& out_;
  bool enabled_;
  bool shown_ = false;
  std::string line_;  // what is on show, or was before Clear
};

}  // namespace cli

#pragma once
// A one-line progress display on a terminal: file k of n, its name and the percent done. Off when
// the output is no terminal, so logs and pipes get only the status lines.

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

  void StartFile(std::size_t number, std::size_t count, std::string_view name);
  void Show(int percent);
  // Erases the line, so that a status line can take its place.
  void Clear();

 private:
  std::ostream& out_;
  bool enabled_;
  bool shown_ = false;
  int percent_ = -1;
  std::string prefix_;
};

}  // namespace cli

#include "cli/ProgressBar.h"

#include <unistd.h>

#include <algorithm>
#include <ostream>

#include "cli/Utf8Text.h"

namespace cli {

namespace {

constexpr int kBarWidth = 30;
constexpr std::size_t kNameWidth = 40;
constexpr std::string_view kEraseLine = "\r\x1b[K";

// At most width bytes of name, cut at a character boundary.
std::string Shortened(const std::string& name, std::size_t width) {
  if (name.size() <= width) return name;
  std::size_t cut = width - 3;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  return name.substr(0, cut) + "...";
}

}  // namespace

bool TProgressBar::StandardErrorIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

void TProgressBar::Show(std::size_t done, std::size_t count, std::string_view name, int percent) {
  if (!enabled_) return;
  percent = std::clamp(percent, 0, 100);
  const int filled = percent * kBarWidth / 100;
  std::string line =
      "[" + std::to_string(done) + "/" + std::to_string(count) + "] " + Shortened(TerminalText(name), kNameWidth) +
      " [" + std::string(static_cast<std::size_t>(filled), '#') +
      std::string(static_cast<std::size_t>(kBarWidth - filled), '.') + "] " + std::to_string(percent) + "%";
  if (shown_ && line == line_) return;
  line_ = std::move(line);
  out_ << kEraseLine << line_ << std::flush;
  shown_ = true;
}

void TProgressBar::Clear() {
  if (!enabled_ || !shown_) return;
  out_ << kEraseLine << std::flush;
  shown_ = false;
}

}  // namespace cli

#include "cli/StopRequest.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <string_view>

namespace cli {

namespace {

// Set from the signal handler: a lock-free atomic is safe there.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr int kSignals[] = {SIGINT, SIGTERM};
struct sigaction previous[std::size(kSignals)];

constexpr std::string_view kNotice =
    "ombreltenc-cli: stopping after the copies being written (press Ctrl-C again to stop at once)\n";
constexpr std::string_view kTerminalNotice =
    "\r\x1b[Kombreltenc-cli: stopping after the copies being written (press Ctrl-C again to stop at once)\n";
// On a terminal the notice first takes the place of the progress bar's line. Chosen before the
// handler is installed, so the handler only reads it.
std::string_view notice = kNotice;

void RequestStop(int) {
  stopRequested.store(true);
  // write() is one of the few calls allowed here.
  [[maybe_unused]] const ssize_t ignored = ::write(STDERR_FILENO, notice.data(), notice.size());
}

}  // namespace

TStopRequest::TStopRequest() {
  stopRequested.store(false);
  notice = ::isatty(STDERR_FILENO) == 1 ? kTerminalNotice : kNotice;
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  // SA_RESETHAND: the handler is used once, so the second signal ends the program.
  action.sa_flags = SA_RESTART | SA_RESETHAND;
  for (std::size_t i = 0; i < std::size(kSignals); ++i) {
    ::sigaction(kSignals[i], nullptr, &previous[i]);
    // A signal ignored from the start (a background job of a shell) stays ignored.
    if (previous[i].sa_handler != SIG_IGN) ::sigaction(kSignals[i], &action, nullptr);
  }
}

TStopRequest::~TStopRequest() {
  for (std::size_t i = 0; i < std::size(kSignals); ++i) ::sigaction(kSignals[i], &previous[i], nullptr);
}

bool TStopRequest::Requested() const { return stopRequested.load(); }

}  // namespace cli

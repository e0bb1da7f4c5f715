#pragma once
// Ctrl-C during a batch: the first SIGINT (or SIGTERM) only asks the batch to stop, so the copies
// being written are finished and recorded and the password file stays complete; a second one ends
// the program at once, as it would without this.

namespace cli {

// While it lives, SIGINT and SIGTERM set the request instead of ending the program. Only one may
// live at a time.
class TStopRequest {
 public:
  TStopRequest();
  ~TStopRequest();
  TStopRequest(const TStopRequest&) = delete;
  TStopRequest& operator=(const TStopRequest&) = delete;

  // Any thread: whether a stop was asked for.
  bool Requested() const;
};

}  // namespace cli

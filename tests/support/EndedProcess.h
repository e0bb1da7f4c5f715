#pragma once
// The id of a process that has ended: a child that exits at once, reaped. Its id is not reused
// for a long while (the kernel hands ids out in turn), long enough for a test.

#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

namespace pdf::testing {

inline pid_t EndedProcessId() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  int status = 0;
  ::waitpid(child, &status, 0);
  return child;
}

}  // namespace pdf::testing

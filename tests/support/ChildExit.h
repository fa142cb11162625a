#pragma once
// Waits for a child process started by a test harness and keeps its status.
#include <sys/types.h>
#include <sys/wait.h>

#include <cerrno>

// The exit status of a normal exit, else -1. `pid` becomes 0 once reaped, and
// a later call returns the status kept in `status`.
inline int WaitForChildExit(pid_t& pid, int& status) {
  if (pid <= 0) return status;
  int raw = 0;
  while (waitpid(pid, &raw, 0) < 0)
    if (errno != EINTR) return status;
  pid = 0;
  status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  return status;
}

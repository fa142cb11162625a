#pragma once
// A shell command line run to its end: its exit code (-1 when it did not
// exit) and what it wrote to standard output.
#include <sys/wait.h>

#include <cstdio>
#include <string>

struct CommandRun {
  int exitCode = -1;
  std::string output;
};

inline CommandRun RunCommand(const std::string& command) {
  CommandRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.output.append(buffer, n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

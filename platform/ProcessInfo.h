#pragma once
// Facts about the running process that logging and start-up need: IDs, wall
// clock and local time, environment, display, and whether exit() is running.
#include <cstdint>
#include <string>

class ProcessInfo {
public:
  struct WallClock {
    int64_t seconds;  // since 1970-01-01 UTC
    int milliseconds;
  };
  struct TimeOfDay {
    int hour, minute, second, millisecond;  // local time
  };

  static uint32_t Id();
  static uint64_t ThreadId();
  // The thread that started the process (its ID equals the process ID on Linux).
  static uint64_t MainThreadId();
  static uint32_t UserId();

  static WallClock Now();
  static TimeOfDay LocalTimeNow();
  // A cheap monotonic millisecond count (a few ms resolution is enough).
  static int64_t CoarseMilliseconds();

  // The variable's value, or empty when it is unset.
  static std::string Environment(const char* name);
  // True when an X11 or Wayland display is named in the environment.
  static bool DisplayConfigured();
  // The path of the running program.
  static std::string ExecutablePath();

  // Runs `handler` when the process exits normally (before the static objects
  // of libraries loaded earlier are destroyed).
  static void AtExit(void (*handler)());
  // Runs `prepare` in the forking thread before fork(), then `parent` in the
  // parent and `child` in the child (whose only thread is the forking one).
  static void AtFork(void (*prepare)(), void (*parent)(), void (*child)());
  // Keeps the host's signals away from a helper thread of the module: they
  // go to the host's own threads.
  static void BlockSignalsOfThisThread();
};

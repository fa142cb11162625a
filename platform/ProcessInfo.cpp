#include "platform/ProcessInfo.h"

#include <pthread.h>
#include <signal.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace {
// getpid() is a system call, and every begin and end record carries the ID:
// it is read once and read again only in a child after fork().
std::atomic<uint32_t> cachedProcessId{0};
void ForgetProcessId() { cachedProcessId.store(0, std::memory_order_relaxed); }
}  // namespace

uint32_t ProcessInfo::Id() {
  uint32_t id = cachedProcessId.load(std::memory_order_relaxed);
  if (id != 0) return id;
  static std::once_flag watchForks;
  std::call_once(watchForks, [] { pthread_atfork(nullptr, nullptr, ForgetProcessId); });
  id = static_cast<uint32_t>(getpid());
  cachedProcessId.store(id, std::memory_order_relaxed);
  return id;
}

uint64_t ProcessInfo::ThreadId() { return static_cast<uint64_t>(gettid()); }

uint64_t ProcessInfo::MainThreadId() { return static_cast<uint64_t>(getpid()); }

uint32_t ProcessInfo::UserId() { return static_cast<uint32_t>(getuid()); }

ProcessInfo::WallClock ProcessInfo::Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return {static_cast<int64_t>(now.tv_sec), static_cast<int>(now.tv_nsec / 1000000)};
}

ProcessInfo::TimeOfDay ProcessInfo::LocalTimeNow() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  return {local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(now.tv_nsec / 1000000)};
}

int64_t ProcessInfo::CoarseMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC_COARSE, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

std::string ProcessInfo::Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

bool ProcessInfo::DisplayConfigured() {
  return !Environment("DISPLAY").empty() || !Environment("WAYLAND_DISPLAY").empty();
}

std::string ProcessInfo::ExecutablePath() {
  char path[4096];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  return length > 0 ? std::string(path, static_cast<size_t>(length)) : std::string();
}

void ProcessInfo::AtExit(void (*handler)()) { std::atexit(handler); }

void ProcessInfo::AtFork(void (*prepare)(), void (*parent)(), void (*child)()) {
  pthread_atfork(prepare, parent, child);
}

void ProcessInfo::BlockSignalsOfThisThread() {
  sigset_t all;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, nullptr);
}

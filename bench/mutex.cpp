// Cost of the named lock.
//   UncontendedLockUnlock: one Lock and Unlock with nobody else; goal <= 1 µs.
//   HandoffBetweenProcesses: time from the release by one process to the
//   acquisition by another that was waiting for it (p50, p99, max); goal
//   within 100 µs.
#include <benchmark/benchmark.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

#include "framework/Mutex.h"
#include "platform/Clock.h"
#include "platform/NamedSharedMutex.h"

namespace {
std::wstring BenchLockName(const char* what) {
  const std::string name = "Global\\swmbench:" + std::to_string(getpid()) + ":" + what;
  return std::wstring(name.begin(), name.end());
}

void RemoveLock(const std::wstring& name) { NamedSharedMutex::Remove(std::string(name.begin(), name.end())); }

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

int64_t Counter() {
  int64_t now = 0;
  ReadMonotonicCounter(&now);
  return now;
}

void UncontendedLockUnlock(benchmark::State& state) {
  const std::wstring name = BenchLockName("uncontended");
  {
    Mutex mutex(name);
    for (auto _ : state) {
      mutex.Lock(Mutex::kInfinite);
      mutex.Unlock();
    }
  }
  RemoveLock(name);
}

// The two processes pass one-byte messages through pipes (blocking reads, so
// that neither burns a core while the other works) and share the time stamp
// of the acquisition.
struct Pipe {
  int ends[2] = {-1, -1};
  Pipe() {
    if (pipe(ends) != 0) ends[0] = ends[1] = -1;
  }
  ~Pipe() {
    close(ends[0]);
    close(ends[1]);
  }
  bool Send(char message) const { return write(ends[1], &message, 1) == 1; }
  char Receive() const {
    char message = 0;
    return read(ends[0], &message, 1) == 1 ? message : 0;
  }
};

void HandoffBetweenProcesses(benchmark::State& state) {
  const std::wstring name = BenchLockName("handoff");
  void* memory = mmap(nullptr, sizeof(std::atomic<int64_t>), PROT_READ | PROT_WRITE,
                      MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) {
    state.SkipWithError("mmap failed");
    return;
  }
  auto* acquired = new (memory) std::atomic<int64_t>(0);
  const Pipe toChild, toParent;
  Mutex mutex(name);
  const pid_t child = fork();
  if (child == 0) {
    Mutex other(name);
    // Each round: told to go, announce the wait, wait for the lock, stamp, release.
    while (toChild.Receive() == 'g') {
      toParent.Send('w');
      other.Lock(Mutex::kInfinite);
      acquired->store(Counter(), std::memory_order_release);
      other.Unlock();
      toParent.Send('d');
    }
    _exit(0);
  }
  std::vector<double> latency;
  for (auto _ : state) {
    mutex.Lock(Mutex::kInfinite);
    toChild.Send('g');
    if (toParent.Receive() != 'w') {
      state.SkipWithError("the other process ended");
      break;
    }
    // Give the other process time to block in the lock before releasing it.
    SleepMicroseconds(300);
    const int64_t released = Counter();
    mutex.Unlock();
    toParent.Receive();
    const double microseconds = static_cast<double>(acquired->load(std::memory_order_acquire) - released) / 1000.0;
    latency.push_back(microseconds);
    state.SetIterationTime(microseconds / 1e6);
  }
  toChild.Send('q');
  waitpid(child, nullptr, 0);
  munmap(memory, sizeof(std::atomic<int64_t>));
  RemoveLock(name);
  state.counters["handoff_p50_us"] = Percentile(latency, 0.50);
  state.counters["handoff_p99_us"] = Percentile(latency, 0.99);
  state.counters["handoff_max_us"] = Percentile(latency, 1.0);
}
}  // namespace

BENCHMARK(UncontendedLockUnlock);
BENCHMARK(HandoffBetweenProcesses)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(1000);

BENCHMARK_MAIN();

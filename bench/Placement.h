#pragma once
// Where the threads of a paired benchmark run. Two exchanges can only be
// compared when the client and the thread that answers it sit alike for
// both: one and the same round trip measures about 16 us or about 49 us
// depending only on which cores the client and the answering thread happen
// to run on. A paired benchmark therefore keeps the client and every thread
// it starts (responders, simulator threads: threads inherit the placement of
// the thread that starts them) on the one processor the client runs on, and
// names the placement in its label next to the figures. The previous
// placement comes back when the object goes, after the benchmark's threads.
#include <benchmark/benchmark.h>
#include <sched.h>

#include <string>

namespace bench {
class OneProcessor {
public:
  explicit OneProcessor(benchmark::State& state) {
    restore_ = sched_getaffinity(0, sizeof before_, &before_) == 0;
    const int cpu = sched_getcpu();
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    if (cpu >= 0 && sched_setaffinity(0, sizeof one, &one) == 0) {
      state.SetLabel("client and responders on CPU " + std::to_string(cpu));
    } else {
      state.SetLabel("placement left to the scheduler (pinning failed)");
    }
  }
  ~OneProcessor() {
    if (restore_) sched_setaffinity(0, sizeof before_, &before_);
  }
  OneProcessor(const OneProcessor&) = delete;
  OneProcessor& operator=(const OneProcessor&) = delete;

private:
  cpu_set_t before_{};
  bool restore_ = false;
};
}  // namespace bench

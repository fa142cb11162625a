#pragma once
// Times a bare exchange and a stream's exchange alternately, one pair per
// iteration, and reports both medians and their ratio, so that both sides
// see the same machine state.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

inline double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// bare and stream are callables that make one exchange and tell whether it succeeded.
template <class Bare, class Stream>
void MeasurePairs(benchmark::State& state, Bare&& bare, Stream&& stream) {
  std::vector<double> bareTimes, streamTimes;
  using Clock = std::chrono::steady_clock;
  for (auto _ : state) {
    const auto start = Clock::now();
    const bool bareDone = bare();
    const auto middle = Clock::now();
    const bool streamDone = stream();
    const auto end = Clock::now();
    if (!bareDone || !streamDone) {
      state.SkipWithError("exchange failed");
      return;
    }
    bareTimes.push_back(std::chrono::duration<double, std::micro>(middle - start).count());
    streamTimes.push_back(std::chrono::duration<double, std::micro>(end - middle).count());
  }
  const double bareMedian = Median(bareTimes), streamMedian = Median(streamTimes);
  state.counters["bare_us"] = bareMedian;
  state.counters["stream_us"] = streamMedian;
  state.counters["ratio"] = bareMedian > 0 ? streamMedian / bareMedian : 0;
}

}  // namespace bench

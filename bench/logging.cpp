// Cost of logging a call.
//   LoggedExport/reader: CheckDevice (a begin and an end record) with a reader
//   that keeps reading; goal <= 5 µs per call.
//   LoggedExport/no_reader: the same with nobody bound to the path; goal <= 1 µs.
//   LoggedExport/stalled_reader: the reader stopped reading and its queue is
//   full; logging must not block (p99_us and max_us show the slow calls; on a
//   busy machine max_us is a time slice lost to another process, not a wait).
//   Each runs twice: "queued", the channel as it is (the caller hands the
//   record to the sender's queue; records are dropped only when that queue
//   is full), and "direct", the caller sending each record itself and
//   dropping it when the reader's queue is full. Run the binary under
//   `taskset -c N` to place the caller, the sender and the reader alike for
//   both.
//   SingleRecord/reader: one JournexEntry::Note, for comparison.
//   RecordText/begin_end: building the texts of those two records, without sending.
//   Baseline/syscall and Baseline/datagram: one trivial system call and one
//   plain send of a record-sized datagram to a reader, the floor under the
//   figures above (a logged call with a reader makes two sends). On machines
//   where system calls are slow, compare LoggedExport/reader with twice
//   Baseline/datagram rather than with the goal alone.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "logging/JournexEntry.h"
#include "logging/LogRecordWriter.h"
#include "logging/MailSlotSocket.h"
#include "platform/UnixDatagramSocket.h"
#include "swmatrix/swmatrix.h"

namespace {
using Channel = JournexEntry::MailSlotSocket;
enum Reader { kReading, kNone, kStalled };

std::string SocketPath(const char* stem) {
  return "/tmp/swm-bench-" + std::string(stem) + "-" + std::to_string(getpid());
}

// A reader on its own thread that empties the queue as fast as it can.
class DrainingReader {
public:
  explicit DrainingReader(const std::string& path) {
    socket_.Bind(path);
    thread_ = std::thread([this] {
      std::string datagram;
      while (!stop_) socket_.Receive(&datagram, 50);
    });
  }
  ~DrainingReader() {
    stop_ = true;
    thread_.join();
    socket_.Close();
  }

private:
  UnixDatagramSocket socket_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

using Delivery = Channel::Delivery;

template <class Call>
void MeasureLogging(benchmark::State& state, Reader reader, Delivery delivery, Call call) {
  const std::string path = SocketPath(reader == kReading ? "reading" : reader == kNone ? "none" : "stalled");
  std::unique_ptr<DrainingReader> draining;
  UnixDatagramSocket stalled;
  if (reader == kReading) draining = std::make_unique<DrainingReader>(path);
  if (reader == kStalled) stalled.Bind(path);
  Channel& channel = Channel::Instance();
  channel.SetDelivery(delivery);
  channel.UsePath(path);
  if (reader == kStalled)
    for (int i = 0; i < 1000; ++i) JournexEntry::Note("Fill", "Bench", "Note", "fills the queue");
  const Channel::Counters before = channel.GetCounters();

  std::vector<float> micros;
  micros.reserve(1 << 20);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    call();
    const float elapsed = std::chrono::duration<float, std::micro>(std::chrono::steady_clock::now() - start).count();
    if (micros.size() < micros.capacity()) micros.push_back(elapsed);
  }
  std::sort(micros.begin(), micros.end());
  const Channel::Counters after = channel.GetCounters();
  const double iterations = static_cast<double>(state.iterations());
  state.counters["sent_per_call"] = static_cast<double>(after.sent - before.sent) / iterations;
  state.counters["dropped_per_call"] =
      static_cast<double>(after.droppedQueueFull - before.droppedQueueFull + after.droppedOverflow -
                          before.droppedOverflow + after.droppedNoReader - before.droppedNoReader) / iterations;
  if (!micros.empty()) {
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
    state.counters["max_us"] = micros.back();
  }
  channel.UsePath({});
  channel.SetDelivery(Delivery::Queued);
  stalled.Close();
}

uint16_t Driver() {
  static const uint16_t id = [] {
    uint16_t created = 0;
    CreateNewDeviceDriver(0, "DEBUGSWITCHMATRIX", &created);
    return created;
  }();
  return id;
}

void LoggedExport(benchmark::State& state, Reader reader, Delivery delivery) {
  const uint16_t id = Driver();
  MeasureLogging(state, reader, delivery, [id] { benchmark::DoNotOptimize(CheckDevice(0, id)); });
}

void SingleRecord(benchmark::State& state, Reader reader, Delivery delivery) {
  MeasureLogging(state, reader, delivery,
                 [] { JournexEntry::Note("Bench", "Bench", "Note", "a single record", {{"Value", 42}}); });
}
void RecordText(benchmark::State& state) {
  std::string begin, end;
  for (auto _ : state) {
    LogRecordWriter(begin, LogRecordWriter::Kind::Begin, &state, "CheckDevice", "DeviceDriver", "Note")
        .Content("", "CheckDevice(3)", std::initializer_list<LogValue>{{"DeviceID", uint16_t{3}}});
    LogRecordWriter(end, LogRecordWriter::Kind::End, &state, "CheckDevice", "DeviceDriver", "Complete")
        .Content("", "", std::initializer_list<LogValue>{{"Err", uint32_t{0}}});
    benchmark::DoNotOptimize(begin.data());
    benchmark::DoNotOptimize(end.data());
  }
}

void Baseline(benchmark::State& state, const char* which) {
  if (std::string(which) == "syscall") {
    for (auto _ : state) benchmark::DoNotOptimize(getppid());
    return;
  }
  const std::string path = SocketPath("baseline");
  DrainingReader reader(path);
  UnixDatagramSocket sender;
  sender.Connect(path);
  const std::string record(120, 'x');
  for (auto _ : state) benchmark::DoNotOptimize(sender.Send(record));
}
}  // namespace

BENCHMARK(RecordText)->Name("RecordText/begin_end");
BENCHMARK_CAPTURE(Baseline, syscall, "syscall");
BENCHMARK_CAPTURE(Baseline, datagram, "datagram");
BENCHMARK_CAPTURE(LoggedExport, reader/queued, kReading, Delivery::Queued);
BENCHMARK_CAPTURE(LoggedExport, reader/direct, kReading, Delivery::Direct);
BENCHMARK_CAPTURE(LoggedExport, no_reader/queued, kNone, Delivery::Queued);
BENCHMARK_CAPTURE(LoggedExport, no_reader/direct, kNone, Delivery::Direct);
BENCHMARK_CAPTURE(LoggedExport, stalled_reader/queued, kStalled, Delivery::Queued);
BENCHMARK_CAPTURE(LoggedExport, stalled_reader/direct, kStalled, Delivery::Direct);
BENCHMARK_CAPTURE(SingleRecord, reader/queued, kReading, Delivery::Queued);
BENCHMARK_CAPTURE(SingleRecord, reader/direct, kReading, Delivery::Direct);

BENCHMARK_MAIN();

#pragma once
// The sending side of the log channel. While nothing is queued, a caller
// sends its record itself with one send that never waits. When the reader's
// queue is full, the record goes to a bounded in-memory queue instead, and so
// does every record after it while anything is queued; one thread per
// process, started with the first queued record, sends the queue in order,
// waiting briefly and trying again while the reader has no room. A caller
// never waits for the reader; a record is dropped only when this queue is
// full, the reader is gone, or the record cannot be sent at all.
//
// Every record gets the next number of the process's sequence when it is
// handed over, whether it is queued or dropped, so that a reader can tell
// how many records it missed.
//
// Direct delivery (no queue: each record is sent by the calling thread and
// dropped when the reader's queue is full) serves after Shutdown and for
// comparison in the benchmarks.
#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class RecordSender {
public:
  enum class Outcome {
    Sent,
    Busy,    // the reader's queue is full: try again later
    Gone,    // no reader (any more): this and every queued record are dropped
    Failed,  // this record cannot be sent (too large, or meant for an earlier reader)
  };
  class Transport {
  public:
    virtual ~Transport() = default;
    // Sends one record meant for the reader of `generation`.
    virtual Outcome Transmit(const std::string& record, uint64_t generation) = 0;
    // Waits up to timeoutMs until the reader may have room again.
    virtual void AwaitRoom(int timeoutMs) = 0;
  };
  enum class Delivery { Queued, Direct };

  struct Counters {
    uint64_t sent = 0;
    uint64_t deferred = 0;          // sends put off (queued or retried) because the reader's queue was full
    uint64_t droppedOverflow = 0;   // this queue was full
    uint64_t droppedQueueFull = 0;  // direct delivery: the reader's queue was full
    uint64_t droppedNoReader = 0;
    uint64_t droppedFailed = 0;
  };

  static constexpr size_t kMaxRecords = 16384;
  static constexpr size_t kMaxBytes = size_t{8} << 20;
  static constexpr int kBackoffMs = 10;
  // At shutdown the queue is emptied for as long as the reader keeps taking
  // records, up to these limits.
  static constexpr int kShutdownStallMs = 250;
  static constexpr int kShutdownTotalMs = 10000;

  explicit RecordSender(Transport& transport);
  RecordSender(const RecordSender&) = delete;
  RecordSender& operator=(const RecordSender&) = delete;

  // Numbers the record (`pid` non-zero: also names the process, for records
  // whose header does not) and sends or queues it. Never waits for the reader.
  void Hand(std::string&& record, uint32_t pid, uint64_t generation);
  // Empties the queue while the reader keeps up (see the limits above), then
  // stops the thread; records handed over meanwhile are queued behind, and
  // only later ones are sent directly, so that none overtakes another.
  void Shutdown();
  // True while Shutdown empties the queue.
  bool Draining() const;
  void SetDelivery(Delivery delivery);

  Counters GetCounters() const;
  // True when every record handed over has been sent or dropped.
  bool Idle() const;

  // For fork(): the prepare handler locks, the parent's unlocks; the child's
  // forgets the queue and the thread, which do not exist in the child.
  void LockForFork();
  void UnlockAfterFork();
  void ResetInChild();

private:
  struct Pending {
    std::string text;
    uint64_t generation;
  };
  void Run();
  // Takes the first record out of the queue after its send ended with `outcome`.
  void FinishFront(Outcome outcome);
  void Count(Outcome outcome);
  bool StartLocked();

  Transport& transport_;
  mutable std::mutex mutex_;
  std::condition_variable wake_, progressed_;
  std::deque<Pending> queue_;
  size_t queuedBytes_ = 0;
  uint64_t sequence_ = 0;
  uint64_t finished_ = 0;  // records taken out and dealt with
  bool inFlight_ = false, waiting_ = false, draining_ = false;
  std::atomic<bool> stop_{false};
  Delivery delivery_ = Delivery::Queued;
  std::unique_ptr<std::thread> thread_;
  Counters counters_;
};

#include "logging/RecordSender.h"

#include <chrono>
#include <new>
#include <system_error>

#include "logging/LogRecordWriter.h"
#include "platform/ProcessInfo.h"

RecordSender::RecordSender(Transport& transport) : transport_(transport) {}

void RecordSender::Hand(std::string&& record, uint32_t pid, uint64_t generation) {
  std::unique_lock lock(mutex_);
  // Numbered and sent under the lock, so that the reader gets the numbers in order.
  LogRecordWriter::AppendSequence(record, pid, ++sequence_);
  if (delivery_ == Delivery::Direct) {
    Count(transport_.Transmit(record, generation));
    return;
  }
  if (!queue_.empty() && !inFlight_ && queue_.size() < kMaxRecords && queuedBytes_ < kMaxBytes) {
    // The thread waits for room: the caller tries the oldest record once, so
    // that callers who log faster than the thread is woken also move the
    // queue. Once the queue is full (a reader that stopped), callers drop
    // their records without a system call.
    const Outcome outcome = transport_.Transmit(queue_.front().text, queue_.front().generation);
    if (outcome != Outcome::Busy) FinishFront(outcome);
  }
  if (queue_.empty() && !inFlight_) {
    // Nothing waits before this record: the caller sends it itself (one
    // send that never waits) and queues it only when the reader has no room.
    const Outcome outcome = transport_.Transmit(record, generation);
    if (outcome != Outcome::Busy) {
      Count(outcome);
      return;
    }
    ++counters_.deferred;
  }
  if (!thread_ && !StartLocked()) {
    ++counters_.droppedQueueFull;
    return;
  }
  if (queue_.size() >= kMaxRecords || queuedBytes_ + record.size() > kMaxBytes) {
    ++counters_.droppedOverflow;
    return;
  }
  queuedBytes_ += record.size();
  queue_.push_back({std::move(record), generation});
  // Only a sleeping thread needs a wake-up; one that is busy finds the record itself.
  const bool wake = waiting_;
  waiting_ = false;
  lock.unlock();
  if (wake) wake_.notify_one();
}

bool RecordSender::StartLocked() {
  stop_ = false;
  try {
    thread_ = std::make_unique<std::thread>([this] { Run(); });
    return true;
  } catch (const std::system_error&) {
    delivery_ = Delivery::Direct;
    return false;
  }
}

void RecordSender::Run() {
  ProcessInfo::BlockSignalsOfThisThread();
  std::unique_lock lock(mutex_);
  for (;;) {
    while (queue_.empty() && !stop_) {
      waiting_ = true;
      wake_.wait(lock);
    }
    waiting_ = false;
    if (queue_.empty()) return;
    // Stays valid while in flight: nobody else takes the first record out,
    // and adding at the end of a deque moves no element.
    const Pending& first = queue_.front();
    inFlight_ = true;
    lock.unlock();
    const Outcome outcome = transport_.Transmit(first.text, first.generation);
    lock.lock();
    inFlight_ = false;
    if (outcome == Outcome::Busy && !stop_) {
      // The record stays first in the queue while the thread waits for room,
      // so that a caller may send it meanwhile (see Hand).
      ++counters_.deferred;
      lock.unlock();
      transport_.AwaitRoom(kBackoffMs);
      lock.lock();
      continue;
    }
    FinishFront(outcome);
  }
}

void RecordSender::FinishFront(Outcome outcome) {
  queuedBytes_ -= queue_.front().text.size();
  queue_.pop_front();
  ++finished_;
  Count(outcome);
  if (outcome == Outcome::Gone) {
    // Nobody reads: what waits behind this record goes the same way at once.
    counters_.droppedNoReader += queue_.size();
    finished_ += queue_.size();
    queue_.clear();
    queuedBytes_ = 0;
  }
  progressed_.notify_all();
}

void RecordSender::Count(Outcome outcome) {
  switch (outcome) {
    case Outcome::Sent: ++counters_.sent; break;
    case Outcome::Busy: ++counters_.droppedQueueFull; break;
    case Outcome::Gone: ++counters_.droppedNoReader; break;
    case Outcome::Failed: ++counters_.droppedFailed; break;
  }
}

void RecordSender::Shutdown() {
  std::unique_lock lock(mutex_);
  if (!thread_) {
    delivery_ = Delivery::Direct;
    return;
  }
  // Records handed over meanwhile still go behind the queued ones: switching
  // to direct delivery now would let them overtake what waits.
  draining_ = true;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point start = Clock::now();
  Clock::time_point lastProgress = start;
  uint64_t seen = finished_;
  while (!queue_.empty() || inFlight_) {
    progressed_.wait_for(lock, std::chrono::milliseconds(kBackoffMs));
    const Clock::time_point now = Clock::now();
    if (finished_ != seen) {
      seen = finished_;
      lastProgress = now;
    }
    if (now - lastProgress > std::chrono::milliseconds(kShutdownStallMs) ||
        now - start > std::chrono::milliseconds(kShutdownTotalMs))
      break;
  }
  // The thread tries what is left once each, without waiting, and ends.
  stop_ = true;
  wake_.notify_all();
  lock.unlock();
  thread_->join();
  lock.lock();
  thread_.reset();
  // A record queued after the thread's last look is tried once too, in order.
  while (!queue_.empty()) FinishFront(transport_.Transmit(queue_.front().text, queue_.front().generation));
  delivery_ = Delivery::Direct;
  draining_ = false;
}

bool RecordSender::Draining() const {
  std::lock_guard lock(mutex_);
  return draining_;
}

bool RecordSender::Idle() const {
  std::lock_guard lock(mutex_);
  return queue_.empty() && !inFlight_;
}

void RecordSender::SetDelivery(Delivery delivery) {
  std::lock_guard lock(mutex_);
  delivery_ = delivery;
}

RecordSender::Counters RecordSender::GetCounters() const {
  std::lock_guard lock(mutex_);
  return counters_;
}

void RecordSender::LockForFork() { mutex_.lock(); }

void RecordSender::UnlockAfterFork() { mutex_.unlock(); }

void RecordSender::ResetInChild() {
  // The child has only the forking thread: the sender thread and whatever it
  // waited on are gone. Its records stay with the parent, which sends them.
  (void)thread_.release();  // a thread of the parent: never joined here
  queue_.clear();
  queuedBytes_ = 0;
  inFlight_ = waiting_ = draining_ = false;
  stop_ = false;
  new (&wake_) std::condition_variable;
  new (&progressed_) std::condition_variable;
  mutex_.unlock();
}

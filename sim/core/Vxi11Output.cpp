#include "sim/core/Vxi11Output.h"

#include <algorithm>

#include "sim/core/Instrument.h"

namespace sim {
namespace {
constexpr int32_t kReasonRequestCount = 1;
constexpr int32_t kReasonTermChar = 2;
constexpr int32_t kReasonEnd = 4;
}  // namespace

Vxi11Output::Vxi11Output(EventLoop& loop, Instrument& instrument, Done done)
    : loop_(loop), instrument_(instrument), done_(std::move(done)) {}

Vxi11Output::~Vxi11Output() {
  Clear();
  for (const Waiting& waiting : reads_) loop_.Cancel(waiting.timer);
}

void Vxi11Output::Add(const Reply& reply) {
  // Cut short or dropped: the device stops talking before the end of its answer.
  std::string sent = reply.bytes.substr(0, reply.sendBytes);
  const bool end = reply.sendBytes == reply.bytes.size() && !reply.drop;
  if (reply.delayMs == 0) return Queue(std::move(sent), end);
  std::weak_ptr<bool> alive = alive_;
  auto timer = std::make_shared<int>(0);
  *timer = loop_.After(reply.delayMs, [this, alive, timer, sent, end] {
    if (alive.expired()) return;
    std::erase(answerTimers_, *timer);
    Queue(sent, end);
  });
  answerTimers_.push_back(*timer);
}

void Vxi11Output::StartRead(const Read& read, uint32_t timeoutMs) {
  std::weak_ptr<bool> alive = alive_;
  const int timer = loop_.After(timeoutMs, [this, alive, read] {
    if (alive.expired()) return;
    const auto waiting = std::find_if(reads_.begin(), reads_.end(), [&](const Waiting& w) {
      return w.read.client == read.client && w.read.xid == read.xid;
    });
    if (waiting != reads_.end()) Finish(waiting, kIoTimeout, 0);
  });
  reads_.push_back({read, {}, timer});
  Serve();
}

void Vxi11Output::Queue(std::string bytes, bool end) {
  chunks_.push_back({std::move(bytes), end});
  instrument_.UpdateServiceRequest();  // message available may request service
  Serve();
}

void Vxi11Output::Serve() {
  while (!reads_.empty() && !chunks_.empty()) {
    Waiting& waiting = reads_.front();
    Chunk& chunk = chunks_.front();
    size_t taken = std::min(waiting.read.requestSize - waiting.bytes.size(), chunk.bytes.size());
    bool atTermChar = false;
    if (waiting.read.termChar >= 0) {
      const size_t at = chunk.bytes.find(static_cast<char>(waiting.read.termChar));
      atTermChar = at != std::string::npos && at < taken;
      if (atTermChar) taken = at + 1;
    }
    waiting.bytes.append(chunk.bytes, 0, taken);
    chunk.bytes.erase(0, taken);
    int32_t reason = (waiting.bytes.size() == waiting.read.requestSize ? kReasonRequestCount : 0) |
                     (atTermChar ? kReasonTermChar : 0);
    if (chunk.bytes.empty()) {
      if (chunk.end) reason |= kReasonEnd;
      chunks_.pop_front();
      // Message available ends with the last answer read.
      if (chunks_.empty()) instrument_.UpdateServiceRequest();
    }
    if (reason) Finish(reads_.begin(), 0, reason);
  }
}

void Vxi11Output::Finish(std::deque<Waiting>::iterator waiting, int32_t error, int32_t reason) {
  loop_.Cancel(waiting->timer);
  const Read read = waiting->read;
  const Result result{error, reason, std::move(waiting->bytes)};
  reads_.erase(waiting);
  done_(read, result);
}

void Vxi11Output::EndReads(int32_t link, int32_t error) {
  for (;;) {
    const auto waiting = std::find_if(reads_.begin(), reads_.end(),
                                      [&](const Waiting& w) { return link == 0 || w.read.link == link; });
    if (waiting == reads_.end()) return;
    Finish(waiting, error, 0);
  }
}

void Vxi11Output::Forget(int client) {
  std::erase_if(reads_, [&](const Waiting& waiting) {
    if (waiting.read.client == client) loop_.Cancel(waiting.timer);
    return waiting.read.client == client;
  });
}

void Vxi11Output::Clear() {
  for (int timer : answerTimers_) loop_.Cancel(timer);
  answerTimers_.clear();
  chunks_.clear();
}

size_t Vxi11Output::QueuedBytes() const {
  size_t queued = 0;
  for (const Chunk& chunk : chunks_) queued += chunk.bytes.size();
  return queued;
}

}  // namespace sim

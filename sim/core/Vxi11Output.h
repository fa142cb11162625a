#pragma once
// The output side of a VXI-11 instrument: answers wait in a queue until a
// device_read takes them. A read ends at the end of an answer (reason END),
// at its termination character (CHR), at its requested size (REQCNT), or at
// its time-out.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "sim/core/EventLoop.h"

namespace sim {

class Instrument;
struct Reply;

class Vxi11Output {
public:
  struct Read {
    int client;     // the connection that waits
    uint32_t xid;   // of its call
    int32_t link;
    size_t requestSize;
    int termChar;   // -1 when the read does not stop at one
  };
  struct Result {
    int32_t error;   // VXI-11 error code, 0 for none
    int32_t reason;  // the reason bits of a read that ended without error
    std::string bytes;
  };
  using Done = std::function<void(const Read&, const Result&)>;

  static constexpr int32_t kIoTimeout = 15;

  Vxi11Output(EventLoop& loop, Instrument& instrument, Done done);
  ~Vxi11Output();

  // Queues an answer the way the faults shaped it (late, cut short, dropped).
  void Add(const Reply& reply);
  // Waits for up to read.requestSize bytes, at most timeoutMs; done runs when it ends.
  void StartRead(const Read& read, uint32_t timeoutMs);
  // Ends the waiting reads of a link (link 0: every read) with an error.
  void EndReads(int32_t link, int32_t error);
  // Forgets the reads of a connection that has gone.
  void Forget(int client);
  // Drops the queued and the late answers.
  void Clear();
  bool Empty() const { return chunks_.empty(); }
  size_t QueuedBytes() const;
  size_t ReadsWaiting() const { return reads_.size(); }

private:
  struct Chunk {
    std::string bytes;
    bool end;  // the answer is complete after these bytes
  };
  struct Waiting {
    Read read;
    std::string bytes;
    int timer;
  };
  void Queue(std::string bytes, bool end);
  void Serve();
  void Finish(std::deque<Waiting>::iterator waiting, int32_t error, int32_t reason);

  EventLoop& loop_;
  Instrument& instrument_;
  Done done_;
  std::deque<Chunk> chunks_;
  std::deque<Waiting> reads_;
  std::deque<int> answerTimers_;  // late answers
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sim

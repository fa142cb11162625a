#pragma once
// One byte-stream connection in the event loop (a TCP or Unix socket, a
// pseudo-terminal master): reads whatever arrives and hands it on, and sends
// queued answers in order, each no earlier than its due time.
#include <deque>
#include <functional>
#include <string>
#include <string_view>

#include "sim/core/EventLoop.h"
#include "sim/transport/FileDescriptor.h"

namespace sim {

class StreamConnection {
public:
  using DataHandler = std::function<void(std::string_view bytes)>;
  using ClosedHandler = std::function<void()>;

  // onClosed runs once when the connection ends (peer closed, failure, or a
  // drop asked for by Send); it must not destroy the connection directly.
  StreamConnection(EventLoop& loop, transport::FileDescriptor fd, DataHandler onData,
                   ClosedHandler onClosed);
  ~StreamConnection();
  StreamConnection(const StreamConnection&) = delete;
  StreamConnection& operator=(const StreamConnection&) = delete;

  // Queues bytes to leave delayMs from now (but never before earlier ones);
  // with closeAfter the connection ends once they are out.
  void Send(std::string bytes, uint32_t delayMs = 0, bool closeAfter = false);
  // Ends the connection now (queued bytes are dropped) without calling onClosed.
  void Close();
  bool Open() const { return fd_.Valid(); }
  size_t QueuedBytes() const;

private:
  struct Outgoing {
    EventLoop::Clock::time_point due;
    std::string bytes;
    bool closeAfter;
  };
  void OnReady(unsigned ready);
  void Pump();
  void Finish();  // closes and reports

  EventLoop& loop_;
  transport::FileDescriptor fd_;
  DataHandler onData_;
  ClosedHandler onClosed_;
  int watch_ = 0;
  int timer_ = 0;
  std::deque<Outgoing> queue_;
  size_t sentOfFirst_ = 0;
};

}  // namespace sim

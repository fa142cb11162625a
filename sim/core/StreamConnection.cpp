#include "sim/core/StreamConnection.h"

#include <algorithm>

#include "sim/transport/Poller.h"
#include "sim/transport/Sockets.h"

namespace sim {

StreamConnection::StreamConnection(EventLoop& loop, transport::FileDescriptor fd,
                                   DataHandler onData, ClosedHandler onClosed)
    : loop_(loop), fd_(std::move(fd)), onData_(std::move(onData)), onClosed_(std::move(onClosed)) {
  watch_ = loop_.Watch(fd_.Get(), transport::kReadable, [this](unsigned ready) { OnReady(ready); });
}

StreamConnection::~StreamConnection() { Close(); }

void StreamConnection::Send(std::string bytes, uint32_t delayMs, bool closeAfter) {
  if (!Open()) return;
  auto due = EventLoop::Clock::now() + std::chrono::milliseconds(delayMs);
  if (!queue_.empty()) due = std::max(due, queue_.back().due);
  queue_.push_back({due, std::move(bytes), closeAfter});
  Pump();
}

size_t StreamConnection::QueuedBytes() const {
  size_t total = 0;
  for (const Outgoing& outgoing : queue_) total += outgoing.bytes.size();
  return total - sentOfFirst_;
}

void StreamConnection::Close() {
  if (watch_) loop_.Unwatch(watch_);
  if (timer_) loop_.Cancel(timer_);
  watch_ = timer_ = 0;
  queue_.clear();
  sentOfFirst_ = 0;
  transport::CloseGracefully(fd_);
}

void StreamConnection::Finish() {
  Close();
  if (onClosed_) onClosed_();
}

void StreamConnection::OnReady(unsigned ready) {
  if (ready & transport::kWritable) {
    Pump();
    if (!Open()) return;
  }
  if (ready & (transport::kReadable | transport::kHangup | transport::kFailed)) {
    char buffer[16384];
    // A bounded number of reads per round keeps one busy client from starving the others.
    for (int round = 0; round < 16; ++round) {
      const transport::IoResult result = transport::ReadSome(fd_.Get(), buffer, sizeof buffer);
      if (result.count > 0) {
        onData_(std::string_view(buffer, result.count));
        if (!Open()) return;  // the handler dropped the connection
        continue;
      }
      if (result.closed) Finish();
      return;
    }
  }
}

void StreamConnection::Pump() {
  if (timer_) {
    loop_.Cancel(timer_);
    timer_ = 0;
  }
  while (!queue_.empty()) {
    Outgoing& head = queue_.front();
    const auto now = EventLoop::Clock::now();
    if (head.due > now) {
      timer_ = loop_.At(head.due, [this] {
        timer_ = 0;
        Pump();
      });
      break;
    }
    while (sentOfFirst_ < head.bytes.size()) {
      const transport::IoResult result = transport::WriteSome(
          fd_.Get(), std::string_view(head.bytes).substr(sentOfFirst_));
      if (result.closed) {
        Finish();
        return;
      }
      if (result.wouldBlock) {
        loop_.SetWanted(watch_, transport::kReadable | transport::kWritable);
        return;
      }
      sentOfFirst_ += result.count;
    }
    const bool closeAfter = head.closeAfter;
    queue_.pop_front();
    sentOfFirst_ = 0;
    if (closeAfter) {
      Finish();
      return;
    }
  }
  loop_.SetWanted(watch_, transport::kReadable);
}

}  // namespace sim

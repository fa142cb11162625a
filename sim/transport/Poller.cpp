#include "sim/transport/Poller.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <stdexcept>

namespace sim::transport {

Poller::Poller() : wake_(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {
  if (!wake_.Valid()) throw std::runtime_error("eventfd failed");
}

void Poller::Wait(std::vector<PollEntry>& entries, int timeoutMs) {
  std::vector<pollfd> fds;
  fds.reserve(entries.size() + 1);
  fds.push_back({wake_.Get(), POLLIN, 0});
  for (const PollEntry& entry : entries) {
    short events = 0;
    if (entry.wanted & kReadable) events |= POLLIN;
    if (entry.wanted & kWritable) events |= POLLOUT;
    fds.push_back({entry.fd, events, 0});
  }
  // A signal ends the wait with nothing ready: the caller computes the time
  // left to its next timer again (a poll restarted with the whole time would
  // never end while signals come more often).
  const int count = ::poll(fds.data(), fds.size(), timeoutMs);
  if (fds[0].revents & POLLIN) {
    uint64_t value;
    [[maybe_unused]] const ssize_t drained = ::read(wake_.Get(), &value, sizeof value);
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    const short revents = count > 0 ? fds[i + 1].revents : 0;
    unsigned ready = 0;
    if (revents & POLLIN) ready |= kReadable;
    if (revents & POLLOUT) ready |= kWritable;
    if (revents & POLLHUP) ready |= kHangup;
    if (revents & (POLLERR | POLLNVAL)) ready |= kFailed;
    entries[i].ready = ready;
  }
}

void Poller::Wake() {
  const uint64_t one = 1;
  [[maybe_unused]] const ssize_t written = ::write(wake_.Get(), &one, sizeof one);
}

}  // namespace sim::transport

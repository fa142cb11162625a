#include "platform/SocketTransfer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>

#include <sys/time.h>
#include <time.h>

#include <cerrno>
#include <cstdint>

#include "platform/PollWait.h"

namespace {
bool ConnectionGone(int error) { return error == ECONNRESET || error == EPIPE || error == ENOTCONN; }

SocketTransfer Failure(int* error) {
  if (error) *error = errno;
  return ConnectionGone(errno) ? SocketTransfer::kClosed : SocketTransfer::kFailed;
}

int64_t MillisecondsNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1'000'000;
}
}  // namespace

SocketTransfer SocketSendAll(int fd, const char* data, size_t size, int timeoutMs, int* error) {
  // One time for every wait for room together.
  const int64_t deadline = MillisecondsNow() + timeoutMs;
  size_t sent = 0;
  while (sent < size) {
    const ssize_t count = send(fd, data + sent, size - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (count > 0) {
      sent += static_cast<size_t>(count);
      continue;
    }
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return Failure(error);
    const int ready = PollWithin(fd, POLLOUT, deadline - MillisecondsNow());
    if (ready < 0) return Failure(error);
    if (ready == 0) return SocketTransfer::kTimedOut;
  }
  return SocketTransfer::kDone;
}

SocketTransfer SocketWaitReadable(int fd, int timeoutMs, int* error) {
  const int ready = PollWithin(fd, POLLIN, timeoutMs);
  if (ready < 0) return Failure(error);
  return ready == 0 ? SocketTransfer::kTimedOut : SocketTransfer::kDone;
}

SocketTransfer SocketReceive(int fd, char* buffer, size_t size, size_t* received, int* error) {
  *received = 0;
  for (;;) {
    const ssize_t count = recv(fd, buffer, size, MSG_DONTWAIT);
    if (count > 0) {
      *received = static_cast<size_t>(count);
      return SocketTransfer::kDone;
    }
    if (count == 0) return SocketTransfer::kClosed;
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return SocketTransfer::kTimedOut;
    return Failure(error);
  }
}

bool SocketPeerClosed(int fd) {
  pollfd entry{fd, POLLRDHUP, 0};
  int ready = 0;
  do ready = poll(&entry, 1, 0);
  while (ready < 0 && errno == EINTR);
  return ready > 0 && (entry.revents & (POLLRDHUP | POLLHUP | POLLERR)) != 0;
}

SocketTransfer SocketDiscard(int fd, int* error) {
  char buffer[4096];
  for (;;) {
    size_t received = 0;
    const SocketTransfer result = SocketReceive(fd, buffer, sizeof buffer, &received, error);
    if (result == SocketTransfer::kTimedOut) return SocketTransfer::kDone;
    if (result != SocketTransfer::kDone) return result;
  }
}

bool SocketSetReceiveWait(int fd, int timeoutMs) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || ((flags & O_NONBLOCK) && fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0)) return false;
  timeval limit{};
  limit.tv_sec = timeoutMs / 1000;
  limit.tv_usec = (timeoutMs % 1000) * 1000;
  return setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit) == 0;
}

SocketTransfer SocketReceiveWaiting(int fd, char* buffer, size_t size, size_t* received, int* error) {
  *received = 0;
  for (;;) {
    const ssize_t count = recv(fd, buffer, size, 0);
    if (count > 0) {
      *received = static_cast<size_t>(count);
      return SocketTransfer::kDone;
    }
    if (count == 0) return SocketTransfer::kClosed;
    // A signal: the socket's receive time would start again in full, so the
    // caller goes on waiting for what is left of its own time.
    if (errno == EINTR) return SocketTransfer::kInterrupted;
    if (errno == EAGAIN || errno == EWOULDBLOCK) return SocketTransfer::kTimedOut;
    return Failure(error);
  }
}

void SocketShutdownReceive(int fd) { shutdown(fd, SHUT_RD); }

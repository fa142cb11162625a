#include "platform/UnixDatagramSocket.h"

#include <errno.h>
#include <poll.h>
#include <string.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/PollWait.h"

namespace {
// Records are far smaller; a larger datagram is cut and reported as such by the reader.
constexpr size_t kReceiveCapacity = 256 * 1024;

bool MakeAddress(const std::string& path, sockaddr_un* address) {
  memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address->sun_path) return false;
  memcpy(address->sun_path, path.data(), path.size());
  return true;
}

// True when a reader is bound at the path right now.
bool ReaderListens(const sockaddr_un& address) {
  const int probe = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (probe < 0) return false;
  const bool listening =
      connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  close(probe);
  return listening;
}
}  // namespace

UnixDatagramSocket::~UnixDatagramSocket() { Close(); }

size_t UnixDatagramSocket::MaxPathLength() { return sizeof(sockaddr_un{}.sun_path) - 1; }

bool UnixDatagramSocket::OwnedByThisUser(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode) && info.st_uid == geteuid();
}

bool UnixDatagramSocket::Create() {
  if (fd_.load() >= 0) return true;
  const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  int expected = -1;
  if (!fd_.compare_exchange_strong(expected, fd)) close(fd);  // another thread was first
  return true;
}

bool UnixDatagramSocket::Connect(const std::string& path) {
  sockaddr_un address;
  if (!MakeAddress(path, &address) || !Create()) return false;
  if (connect(fd_.load(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return true;
  Disconnect();
  return false;
}

void UnixDatagramSocket::Disconnect() {
  const int fd = fd_.load();
  if (fd < 0) return;
  sockaddr unspecified{};
  unspecified.sa_family = AF_UNSPEC;
  connect(fd, &unspecified, sizeof unspecified);
}

UnixDatagramSocket::SendResult UnixDatagramSocket::Send(std::string_view datagram) {
  const int fd = fd_.load(std::memory_order_relaxed);
  if (fd < 0) return SendResult::NoReader;
  for (;;) {
    if (send(fd, datagram.data(), datagram.size(), MSG_DONTWAIT | MSG_NOSIGNAL) >= 0) return SendResult::Sent;
    switch (errno) {
      case EINTR: continue;
      case EAGAIN:
      case ENOBUFS: return SendResult::QueueFull;
      case ECONNREFUSED:
      case ENOTCONN:
      case EDESTADDRREQ:
      case EPIPE:
      case ECONNRESET:
      case ENOENT: return SendResult::NoReader;
      default: return SendResult::Failed;
    }
  }
}

void UnixDatagramSocket::AwaitRoom(int timeoutMs) {
  const int fd = fd_.load(std::memory_order_relaxed);
  if (fd < 0) return;
  // A connected datagram socket reports POLLOUT only while the peer's
  // receive queue has room, and wakes when the peer reads.
  PollWithin(fd, POLLOUT, timeoutMs);
}

bool UnixDatagramSocket::Bind(const std::string& path, std::string* error) {
  auto fail = [&](std::string reason) {
    if (error) *error = std::move(reason);
    return false;
  };
  sockaddr_un address;
  if (!MakeAddress(path, &address)) return fail("path is empty or longer than " + std::to_string(MaxPathLength()));
  struct stat status {};
  if (lstat(path.c_str(), &status) == 0) {
    if (!S_ISSOCK(status.st_mode)) return fail("exists and is not a socket");
    if (ReaderListens(address)) return fail("another reader is bound there");
    unlink(path.c_str());
  }
  if (!Create()) return fail(strerror(errno));
  if (bind(fd_.load(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
    return fail(strerror(errno));
  boundPath_ = path;
  return true;
}

UnixDatagramSocket::ReceiveResult UnixDatagramSocket::Receive(std::string* datagram, int timeoutMs) {
  const int fd = fd_.load();
  if (fd < 0) return ReceiveResult::Failed;
  int ready = 0;
  if (timeoutMs >= 0) {
    ready = PollWithin(fd, POLLIN, timeoutMs);
  } else {
    pollfd waiting{fd, POLLIN, 0};
    do ready = poll(&waiting, 1, -1);
    while (ready < 0 && errno == EINTR);
  }
  if (ready == 0) return ReceiveResult::TimedOut;
  if (ready < 0) return ReceiveResult::Failed;
  if (receiveBuffer_.empty()) receiveBuffer_.resize(kReceiveCapacity);
  for (;;) {
    const ssize_t length = recv(fd, receiveBuffer_.data(), receiveBuffer_.size(), MSG_DONTWAIT);
    if (length >= 0) {
      datagram->assign(receiveBuffer_.data(), static_cast<size_t>(length));
      return ReceiveResult::Received;
    }
    if (errno == EINTR) continue;
    datagram->clear();
    return errno == EAGAIN ? ReceiveResult::TimedOut : ReceiveResult::Failed;
  }
}

void UnixDatagramSocket::Close() {
  const int fd = fd_.exchange(-1);
  if (fd >= 0) close(fd);
  if (!boundPath_.empty()) {
    unlink(boundPath_.c_str());
    boundPath_.clear();
  }
}

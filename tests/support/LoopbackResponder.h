#pragma once
// An instrument of no family on a loopback TCP port, for the tests that hold
// for every driver: it accepts every connection and either echoes what it
// receives (a healthy partner of any text protocol: an answer arrives, ends
// with the command's own terminator and reports no error; an HTTP request is
// answered with its path), stays silent, or
// answers every chunk with as many bytes of garbage (line ends kept), or
// answers every HTTP request with "500 Internal Server Error" and closes. It
// can drop every open connection at once, as an instrument that restarts.
//
// Bytes written to a loopback socket are in the receiving queue when the
// write returns, so Received() reads everything a finished call sent.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class LoopbackResponder {
public:
  enum class Mode { kEcho, kSilent, kGarbage, kLineEnds, kForeign, kHttpError };

  explicit LoopbackResponder(Mode mode) : mode_(mode) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) == 0 && listen(listener_, 16) == 0 &&
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
      port_ = ntohs(address.sin_port);
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) port_ = 0;
    if (port_ != 0) thread_ = std::thread([this] { Loop(); });
  }
  ~LoopbackResponder() {
    Request(kStop);
    if (thread_.joinable()) thread_.join();
    for (int fd : connections_) close(fd);
    close(listener_);
    close(wake_[0]);
    close(wake_[1]);
  }
  LoopbackResponder(const LoopbackResponder&) = delete;
  LoopbackResponder& operator=(const LoopbackResponder&) = delete;

  // 0 when no port could be opened.
  int Port() const { return port_; }
  // Every byte received so far, after reading what is waiting.
  size_t Received() {
    Request(kDrain);
    std::lock_guard guard(lock_);
    return received_;
  }
  // The bytes received so far (the first megabyte).
  std::string ReceivedText() {
    Request(kDrain);
    std::lock_guard guard(lock_);
    return text_;
  }
  // Bytes received on connections accepted since the last drop.
  size_t ReceivedSinceDrop() {
    Request(kDrain);
    std::lock_guard guard(lock_);
    return sinceDrop_;
  }
  // Closes every open connection; the port keeps accepting new ones.
  void DropConnections() { Request(kDrop); }

private:
  enum Command : char { kNone, kDrain, kDrop, kStop };

  // Hands a command to the loop and waits until it is done.
  void Request(Command command) {
    if (!thread_.joinable()) return;
    std::unique_lock guard(lock_);
    const uint64_t done = ++requested_;
    pending_ = command;
    const char byte = 1;
    if (write(wake_[1], &byte, 1) != 1) return;
    finished_.wait(guard, [&] { return completed_ >= done; });
  }

  void Loop() {
    for (bool running = true; running;) {
      std::vector<pollfd> fds{{wake_[0], POLLIN, 0}, {listener_, POLLIN, 0}};
      for (int fd : connections_) fds.push_back({fd, POLLIN, 0});
      if (poll(fds.data(), fds.size(), -1) < 0) continue;
      if (fds[1].revents & POLLIN) {
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) connections_.push_back(fd);
      }
      for (size_t i = 2; i < fds.size(); ++i)
        if (fds[i].revents && !ReadFrom(fds[i].fd)) Forget(fds[i].fd);
      if (fds[0].revents & POLLIN) running = Serve();
    }
  }

  // Runs the pending command with every waiting byte read first.
  bool Serve() {
    char bytes[64];
    while (read(wake_[0], bytes, sizeof bytes) > 0) {
    }
    for (int fd : std::vector<int>(connections_))
      if (!ReadFrom(fd)) Forget(fd);
    std::lock_guard guard(lock_);
    if (pending_ == kDrop) {
      for (int fd : connections_) {
        shutdown(fd, SHUT_RDWR);
        close(fd);
      }
      connections_.clear();
      sinceDrop_ = 0;
    }
    const bool running = pending_ != kStop;
    pending_ = kNone;
    completed_ = requested_;
    finished_.notify_all();
    return running;
  }

  // Reads and answers what is waiting; false when the other side closed.
  bool ReadFrom(int fd) {
    char buffer[4096];
    for (;;) {
      const ssize_t got = recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
      if (got == 0 || (got < 0 && errno != EAGAIN && errno != EINTR)) return false;
      if (got < 0) return true;
      {
        std::lock_guard guard(lock_);
        received_ += static_cast<size_t>(got);
        sinceDrop_ += static_cast<size_t>(got);
        if (text_.size() < (1u << 20)) text_.append(buffer, static_cast<size_t>(got));
      }
      if (!Answer(fd, std::string(buffer, static_cast<size_t>(got)))) return false;
    }
  }

  void Forget(int fd) {
    close(fd);
    std::erase(connections_, fd);
  }

  // Answers a chunk; false when the answer ends the connection (an HTTP reply).
  bool Answer(int fd, std::string bytes) {
    if (mode_ == Mode::kSilent) return true;
    // An echoed HTTP request (one chunk on loopback) is a reply with its path as the body.
    const bool http = mode_ == Mode::kHttpError || (mode_ == Mode::kEcho && bytes.starts_with("GET /"));
    if (mode_ == Mode::kEcho && http) {
      const std::string path = bytes.substr(5, bytes.find(' ', 5) - 5) + "\n";
      bytes = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(path.size()) + "\r\n\r\n" + path;
    }
    if (mode_ == Mode::kLineEnds) bytes = "\r\n";
    if (mode_ == Mode::kHttpError)
      bytes = "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
    if (mode_ == Mode::kForeign) {
      const size_t end = bytes.find_last_not_of("\r\n") + 1;
      bytes = "ACME,OTHER INSTRUMENT,0,1.0" + bytes.substr(end);
    }
    if (mode_ == Mode::kGarbage)
      for (char& c : bytes)
        if (c != '\r' && c != '\n') c = static_cast<char>(0x21 + (seed_ = seed_ * 1103515245u + 12345u) % 0x5E);
    (void)send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    return !http;
  }

  Mode mode_;
  int listener_ = -1;
  int port_ = 0;
  int wake_[2] = {-1, -1};
  uint32_t seed_ = 1;
  std::vector<int> connections_;  // the loop thread's own
  std::mutex lock_;
  std::condition_variable finished_;
  Command pending_ = kNone;
  uint64_t requested_ = 0, completed_ = 0;
  size_t received_ = 0, sinceDrop_ = 0;
  std::string text_;
  std::thread thread_;
};

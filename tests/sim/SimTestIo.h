#pragma once
// Plain-socket and pseudo-terminal I/O for the simulator tests: the tests
// talk to the simulator the way an outside client would. Every wait has a
// time-out and returns as soon as its condition holds.
#include <termios.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace simtest {

// Generous upper bound for waits that should end at once.
constexpr int kPatienceMs = 5000;

class Fd {
public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd();
  Fd(Fd&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  Fd& operator=(Fd&& other) noexcept;
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }

private:
  int fd_ = -1;
};

// Connects to 127.0.0.1:port; invalid with *error set to errno on failure.
Fd ConnectTcp(uint16_t port, int* error = nullptr);
Fd ConnectUnixSocket(const std::string& path);
// A UDP socket connected to 127.0.0.1:port (so refusals come back as errors).
Fd ConnectUdp(uint16_t port);
// Opens a pseudo-terminal (a COMn link or its device) as a serial driver opens
// its port: raw, with the given speed and framing; invalid on failure.
Fd OpenSerial(const std::string& path, speed_t speed = B9600, tcflag_t size = CS8, bool evenParity = false,
              bool twoStopBits = false);

bool SendAll(int fd, std::string_view bytes);
// Reads until the bytes read end with end (or the time-out passes).
std::string ReadUntil(int fd, std::string_view end, int timeoutMs = kPatienceMs);
// Reads one line byte by byte (so nothing after it is taken), line feed included.
std::string ReadLine(int fd, int timeoutMs = kPatienceMs);
// Reads until count bytes arrived (or the time-out passes).
std::string ReadCount(int fd, size_t count, int timeoutMs = kPatienceMs);
// Reads until the peer closes (or the time-out passes); *closed tells which.
std::string ReadToEnd(int fd, bool* closed, int timeoutMs = kPatienceMs);
// One datagram, or empty after the time-out; *error gets errno of a failed receive.
std::string ReceiveDatagram(int fd, int timeoutMs = kPatienceMs, int* error = nullptr);

// One control request, its answer line.
std::string Control(const std::string& path, const std::string& request);

// Milliseconds of the monotonic clock.
int64_t NowMs();

}  // namespace simtest

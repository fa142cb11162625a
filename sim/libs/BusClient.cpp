#include "sim/libs/BusClient.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <sstream>

#include "sim/transport/Sockets.h"

namespace simlib {
namespace {

class Session {
public:
  bool Connect() {
    const char* path = std::getenv("SWMATRIX_SIM_BUS");
    if (!path || !*path) return false;
    if (fd_.Valid() && path_ == path) return true;
    std::string error;
    fd_ = sim::transport::ConnectUnix(path, &error);
    buffer_.clear();
    path_ = fd_.Valid() ? path : "";
    return fd_.Valid();
  }
  void Drop() {
    fd_.Reset();
    path_.clear();
  }
  bool Send(const std::string& bytes) { return sim::transport::WriteAll(fd_.Get(), bytes); }
  // Fills the buffer until it holds a whole line (line) or count bytes, by a
  // deadline that a signal interrupting the wait does not move.
  bool Fill(bool line, size_t count, int waitMs) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
      if (line ? buffer_.find('\n') != std::string::npos : buffer_.size() >= count) return true;
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
      errno = 0;
      if (!sim::transport::WaitForReadable(fd_.Get(), static_cast<int>(std::max<long long>(left, 0)))) {
        if (errno == EINTR) continue;
        return false;
      }
      char chunk[4096];
      const sim::transport::IoResult got = sim::transport::ReadSome(fd_.Get(), chunk, sizeof chunk);
      if (got.closed) return false;
      buffer_.append(chunk, got.count);
    }
  }
  std::string Take(size_t count) {
    std::string taken = buffer_.substr(0, count);
    buffer_.erase(0, count);
    return taken;
  }
  const std::string& Buffer() const { return buffer_; }

private:
  sim::transport::FileDescriptor fd_;
  std::string path_;
  std::string buffer_;
};

thread_local Session session;

}  // namespace

std::string BusAnswer::Word(size_t n) const {
  std::istringstream words(line);
  std::string word;
  for (size_t i = 0; i <= n; ++i)
    if (!(words >> word)) return "";
  return word;
}

bool BusRequest(const std::string& line, const std::string& payload, bool withPayload,
                int waitMs, BusAnswer* answer) {
  if (!session.Connect()) return false;
  if (!session.Send(line + "\n" + payload) || !session.Fill(true, 0, waitMs)) {
    session.Drop();
    return false;
  }
  const size_t end = session.Buffer().find('\n');
  answer->line = session.Take(end);
  session.Take(1);
  answer->payload.clear();
  if (withPayload && (answer->Ok() || answer->TimedOut())) {
    const size_t count = std::strtoul(answer->Word(1).c_str(), nullptr, 10);
    if (!session.Fill(false, count, waitMs)) {
      session.Drop();
      return false;
    }
    answer->payload = session.Take(count);
  }
  return true;
}

}  // namespace simlib

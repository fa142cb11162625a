#pragma once
// Reads the log records of the module a test loaded: a private socket in a
// temporary path, named to the module through SWMATRIX_LOG_SOCKET before the
// module is loaded. Receiving waits for a datagram; the time limit only turns
// a missing record into a failure.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "LogRecordParser.h"
#include "platform/UnixDatagramSocket.h"

inline const std::string& E2eLogSocketPath() {
  static const std::string path = ::testing::TempDir() + "swm-e2e-log-" + std::to_string(getpid());
  return path;
}

// Every test of this program logs to the private path (nothing listens there
// unless a test binds it) and looks for no start-up trace file.
inline const bool kE2eLogSocketConfigured = [] {
  setenv("SWMATRIX_LOG_SOCKET", E2eLogSocketPath().c_str(), 1);
  setenv("SWMATRIX_TRACE_DIR", (E2eLogSocketPath() + "-no-trace").c_str(), 1);
  return true;
}();

class LogReader {
public:
  static constexpr int kTimeLimitMs = 10000;

  LogReader() {
    std::string error;
    EXPECT_TRUE(socket_.Bind(E2eLogSocketPath(), &error)) << error;
  }
  ~LogReader() { Close(); }
  // The reader goes away: the module's records are dropped from now on.
  void Close() { socket_.Close(); }

  std::optional<std::string> NextDatagram(int timeLimitMs = kTimeLimitMs) {
    std::string datagram;
    if (socket_.Receive(&datagram, timeLimitMs) != UnixDatagramSocket::ReceiveResult::Received) return std::nullopt;
    return datagram;
  }
  // The next `count` records, decoded.
  std::vector<LogRecord> Take(size_t count) {
    std::vector<LogRecord> records;
    while (records.size() < count) {
      const auto datagram = NextDatagram();
      if (!datagram) break;
      LogRecord record;
      std::string error;
      EXPECT_TRUE(LogRecordParser::Parse(*datagram, &record, &error)) << *datagram << ": " << error;
      records.push_back(record);
    }
    EXPECT_EQ(records.size(), count) << "records missing";
    return records;
  }
  // Throws away whatever is queued right now.
  void Drain() {
    while (NextDatagram(0)) {
    }
  }
  // Calls `logged` (a call that writes records) until its records arrive: the
  // module connects to a new reader at once or at its next probe of the path.
  template <class Call>
  bool AwaitConnection(Call logged) {
    for (int attempt = 0; attempt < 400; ++attempt) {
      logged();
      if (NextDatagram(10)) {
        Drain();
        return true;
      }
    }
    return false;
  }

private:
  UnixDatagramSocket socket_;
};

// "name=value" of each value, with the category in brackets.
inline std::vector<std::string> ValueTexts(const LogRecord& record) {
  std::vector<std::string> out;
  for (const LogRecordValue& value : record.values) out.push_back("[" + value.category + "]" + value.name + "=" + value.text);
  return out;
}

#pragma once
// A private log reader for tests: binds a socket in a fresh temporary path and
// points the module's log channel at it. Receiving waits for a datagram; the
// time limit only turns a missing record into a failure.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "logging/MailSlotSocket.h"
#include "platform/UnixDatagramSocket.h"

inline std::string UniqueTempPath(const std::string& stem) {
  static std::atomic<int> counter{0};
  return ::testing::TempDir() + "swm-" + stem + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

class LogReceiver {
public:
  static constexpr int kTimeLimitMs = 10000;

  explicit LogReceiver(bool attachChannel = true) : path_(UniqueTempPath("log")) {
    std::string error;
    bound_ = socket_.Bind(path_, &error);
    EXPECT_TRUE(bound_) << path_ << ": " << error;
    if (attachChannel) JournexEntry::MailSlotSocket::Instance().UsePath(path_);
  }
  ~LogReceiver() {
    socket_.Close();
    JournexEntry::MailSlotSocket::Instance().UsePath({});
  }

  const std::string& Path() const { return path_; }
  UnixDatagramSocket& Socket() { return socket_; }

  // The next record, or nothing when none arrives in time.
  std::optional<std::string> Next(int timeLimitMs = kTimeLimitMs) {
    std::string datagram;
    if (socket_.Receive(&datagram, timeLimitMs) != UnixDatagramSocket::ReceiveResult::Received) return std::nullopt;
    return datagram;
  }
  // Exactly `count` records (fewer when they do not arrive in time).
  std::vector<std::string> Take(size_t count) {
    std::vector<std::string> records;
    while (records.size() < count) {
      auto record = Next();
      if (!record) break;
      records.push_back(std::move(*record));
    }
    return records;
  }
  // True when nothing is waiting right now.
  bool Idle() {
    std::string datagram;
    return socket_.Receive(&datagram, 0) != UnixDatagramSocket::ReceiveResult::Received;
  }

private:
  std::string path_;
  UnixDatagramSocket socket_;
  bool bound_ = false;
};

// The fields of a record up to its content (the content is the last element,
// kept whole because texts in it may contain ";").
inline std::vector<std::string> HeaderAndContent(const std::string& record, size_t headerFields) {
  std::vector<std::string> fields;
  size_t start = 0;
  while (fields.size() < headerFields) {
    const size_t end = record.find(';', start);
    if (end == std::string::npos) {
      fields.push_back(record.substr(start));
      return fields;
    }
    fields.push_back(record.substr(start, end - start));
    start = end + 1;
  }
  fields.push_back(record.substr(start));
  return fields;
}

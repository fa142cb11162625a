#pragma once
// A log reader of a test: a Unix datagram socket bound at a path that the
// module's log channel is pointed at, one record per datagram. Receiving
// waits for a datagram; the time limit only turns a missing record into a
// failure. Records come without the sequence values that the channel adds
// to each (NextNumbered keeps them), so that tests compare what the code
// under test wrote.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/UnixDatagramSocket.h"

class LogSocket {
public:
  static constexpr int kTimeLimitMs = 10000;

  explicit LogSocket(std::string path) : path_(std::move(path)) {
    std::string error;
    EXPECT_TRUE(socket_.Bind(path_, &error)) << path_ << ": " << error;
  }

  const std::string& Path() const { return path_; }
  UnixDatagramSocket& Socket() { return socket_; }
  // The reader goes away: the module's records are dropped from now on.
  void Close() { socket_.Close(); }

  // The next record as it came, or nothing when none arrives in time.
  std::optional<std::string> NextNumbered(int timeLimitMs = kTimeLimitMs) {
    std::string datagram;
    if (socket_.Receive(&datagram, timeLimitMs) != UnixDatagramSocket::ReceiveResult::Received) return std::nullopt;
    return datagram;
  }
  // The next record without its trailing ";#pid;i<n>" and ";#seq;i<n>".
  std::optional<std::string> Next(int timeLimitMs = kTimeLimitMs) {
    auto record = NextNumbered(timeLimitMs);
    if (record) {
      EXPECT_TRUE(StripTrailing(*record, ";#seq;i")) << "a record without its number: " << *record;
      StripTrailing(*record, ";#pid;i");
    }
    return record;
  }
  // Exactly `count` records (fewer when they do not arrive in time).
  std::vector<std::string> TakeTexts(size_t count) {
    std::vector<std::string> records;
    while (records.size() < count) {
      auto record = Next();
      if (!record) break;
      records.push_back(std::move(*record));
    }
    return records;
  }
  // Throws away whatever is queued right now.
  void Drain() {
    while (Next(0)) {
    }
  }
  // True when nothing is waiting right now.
  bool Idle() { return !Next(0); }

private:
  static bool StripTrailing(std::string& record, const std::string& field) {
    const size_t at = record.rfind(field);
    if (at == std::string::npos || at + field.size() == record.size() ||
        record.find_first_not_of("0123456789", at + field.size()) != std::string::npos)
      return false;
    record.erase(at);
    return true;
  }

  std::string path_;
  UnixDatagramSocket socket_;
};

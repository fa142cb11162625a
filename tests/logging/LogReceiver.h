#pragma once
// A private log reader for the unit tests, attached to the log channel.
#include <unistd.h>

#include <atomic>
#include <string>
#include <vector>

#include "logging/MailSlotSocket.h"
#include "support/LogSocket.h"

inline std::string UniqueTempPath(const std::string& stem) {
  static std::atomic<int> counter{0};
  return ::testing::TempDir() + "swm-" + stem + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++);
}

// Points the log channel of the module's code in this process at a reader of its own.
class LogReceiver : public LogSocket {
public:
  explicit LogReceiver(bool attachChannel = true) : LogSocket(UniqueTempPath("log")) {
    if (attachChannel) JournexEntry::MailSlotSocket::Instance().UsePath(Path());
  }
  ~LogReceiver() {
    Close();
    JournexEntry::MailSlotSocket::Instance().UsePath({});
  }

  std::vector<std::string> Take(size_t count) { return TakeTexts(count); }
  // Throws away every record written so far, including those the channel
  // still holds in its queue (they come after those waiting in the socket).
  void Drain() {
    for (;;) {
      const bool allSent = JournexEntry::MailSlotSocket::Instance().Idle();
      LogSocket::Drain();
      if (allSent) return;
    }
  }
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

// The fields of a single record: kind, time, "---", function, module, type, content.
inline std::vector<std::string> SingleRecord(const std::string& record) { return HeaderAndContent(record, 6); }
// The fields of a begin or end record: kind, pid, scope, time, function, module, type, content.
inline std::vector<std::string> ScopeRecord(const std::string& record) { return HeaderAndContent(record, 7); }
// A text value as the records hold it: its length in bytes, then the text.
inline std::string Text(const std::string& text) { return "a" + std::to_string(text.size()) + ":" + text; }

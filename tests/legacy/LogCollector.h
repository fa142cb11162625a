#pragma once
// Reads the module's log records on a private socket. A test drains what
// is waiting before the calls it checks and then takes the first records
// they write, or waits for a marker record written after them (records
// arrive in the order they were written, so every record of the calls has
// come by then).
#include <string>
#include <vector>

#include "logging/JournexEntry.h"
#include "logging/LogReceiver.h"

class LogCollector {
public:
  static constexpr size_t kQueueLength = 10;

  LogCollector() { Drain(); }

  // Forgets every record that is waiting.
  void Drain() { receiver_.Drain(); }

  // The first count (at most ten) records written since the last drain.
  std::vector<std::string> First(size_t count) {
    EXPECT_LE(count, kQueueLength);
    return receiver_.Take(count);
  }

  // Writes a marker and returns every record that came before it (for calls
  // that write fewer than ten records).
  std::vector<std::string> UntilMarker() {
    const std::string marker = "marker-" + std::to_string(++markers_);
    JournexEntry::Note("LogCollector", "LogCollector", "Note", marker);
    std::vector<std::string> before;
    while (std::optional<std::string> record = receiver_.Next()) {
      if (record->find(marker) != std::string::npos) return before;
      before.push_back(std::move(*record));
    }
    ADD_FAILURE() << "the marker did not arrive: more than " << kQueueLength - 1 << " records?";
    return before;
  }

  // The records among these that contain every one of the texts.
  static std::vector<std::string> Containing(const std::vector<std::string>& records,
                                             std::initializer_list<std::string> texts) {
    std::vector<std::string> found;
    for (const std::string& record : records) {
      bool all = true;
      for (const std::string& text : texts) all = all && record.find(text) != std::string::npos;
      if (all) found.push_back(record);
    }
    return found;
  }

  // The description value of a record ("description;aN:TEXT").
  static std::string Description(const std::string& record) {
    const std::string key = "description;a";
    const size_t at = record.find(key);
    if (at == std::string::npos) return {};
    const size_t colon = record.find(':', at);
    const size_t length = std::stoul(record.substr(at + key.size(), colon - at - key.size()));
    return record.substr(colon + 1, length);
  }

private:
  LogReceiver receiver_;
  int markers_ = 0;
};

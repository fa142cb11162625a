#pragma once
// Reads the log records of the module a test loaded.
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "LogRecordParser.h"
#include "support/LoadedModule.h"
#include "support/LogSocket.h"

// The private log socket of this test process (support/TestMain.cpp), which
// the module reads when it is loaded; nothing listens there unless a test binds it.
inline std::string E2eLogSocketPath() {
  const char* path = std::getenv("SWMATRIX_LOG_SOCKET");
  return path ? path : "";
}

class LogReader : public LogSocket {
public:
  LogReader() : LogSocket(E2eLogSocketPath()) {}

  // The next `count` records, decoded.
  std::vector<LogRecord> Take(size_t count) {
    std::vector<LogRecord> records;
    for (const std::string& datagram : TakeTexts(count)) {
      LogRecord record;
      std::string error;
      EXPECT_TRUE(LogRecordParser::Parse(datagram, &record, &error)) << datagram << ": " << error;
      records.push_back(record);
    }
    EXPECT_EQ(records.size(), count) << "records missing";
    return records;
  }
  // Calls `logged` (a call that writes records) until its records arrive: the
  // module connects to a new reader at once or at its next probe of the path.
  template <class Call>
  bool AwaitConnection(Call logged) {
    for (int attempt = 0; attempt < 400; ++attempt) {
      logged();
      if (Next(10)) {
        Drain();
        return true;
      }
    }
    return false;
  }
  // Throws away every record the module (loaded in this process) wrote so
  // far. Records it still holds in its queue come after those waiting in the
  // socket, so a marker call is logged and everything up to its end is read.
  void Drain() {
    static uint32_t markers = 0;
    const uint32_t marker = 0x5A000000 + ++markers;  // an information code of its own; no driver 0xFFFF
    double value = 0;
    LoadedModule().GetInfo(0, 0xFFFF, marker, &value);
    const std::string markerEnd = "GetInfo(65535, " + std::to_string(marker) + ", ";
    while (auto datagram = Next()) {
      LogRecord record;
      if (LogRecordParser::Parse(*datagram, &record, nullptr) && record.kind == LogRecord::Kind::End &&
          record.function == "GetInfo" && record.Description().rfind(markerEnd, 0) == 0)
        return;
    }
    ADD_FAILURE() << "the marker call's records did not arrive";
  }
};

// "name=value" of each value, with the category in brackets.
inline std::vector<std::string> ValueTexts(const LogRecord& record) {
  std::vector<std::string> out;
  for (const LogRecordValue& value : record.values) out.push_back("[" + value.category + "]" + value.name + "=" + value.text);
  return out;
}

#pragma once
// Pairs the begin and end records of calls (by process ID and scope identity)
// and tracks how deeply calls are nested in each process.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "LogRecord.h"

class CallPairing {
public:
  struct Placement {
    int depth = 0;                         // nesting level at which to show the record
    std::optional<int64_t> durationMs;     // end records whose begin was seen
  };

  // Open calls kept per process; the oldest are forgotten beyond this.
  static constexpr size_t kMaxOpenCalls = 256;

  Placement Place(const LogRecord& record);

private:
  struct OpenCall {
    std::string scope;
    int64_t timeMs;
  };
  std::map<uint32_t, std::vector<OpenCall>> open_;
  std::optional<uint32_t> lastPid_;
};

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
    uint64_t lost = 0;                     // records of the process missing before this one
    uint64_t backFrom = 0;                 // the process's highest number, when this one is lower
  };

  // Open calls kept per process; the oldest are forgotten beyond this.
  static constexpr size_t kMaxOpenCalls = 256;

  Placement Place(const LogRecord& record);

private:
  struct OpenCall {
    std::string scope;
    int64_t timeMs;
  };
  // Notes the gap before a numbered record; the calls open before it are
  // forgotten, since their ends may be among the lost records.
  void CheckSequence(uint32_t pid, uint64_t sequence, Placement* placement);

  std::map<uint32_t, std::vector<OpenCall>> open_;
  std::map<uint32_t, uint64_t> lastSequence_;
  std::optional<uint32_t> lastPid_;
};

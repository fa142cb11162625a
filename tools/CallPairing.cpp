#include "CallPairing.h"

CallPairing::Placement CallPairing::Place(const LogRecord& record) {
  Placement placement;
  if (record.kind == LogRecord::Kind::Single || !record.pid) {
    // A single record names no process: show it inside the calls of the process seen last.
    if (lastPid_) {
      const auto found = open_.find(*lastPid_);
      if (found != open_.end()) placement.depth = static_cast<int>(found->second.size());
    }
    return placement;
  }
  const uint32_t pid = *record.pid;
  lastPid_ = pid;
  std::vector<OpenCall>& calls = open_[pid];
  if (record.kind == LogRecord::Kind::Begin) {
    placement.depth = static_cast<int>(calls.size());
    if (calls.size() >= kMaxOpenCalls) calls.erase(calls.begin());
    calls.push_back({record.scope, record.TimeMs()});
    return placement;
  }
  for (size_t i = calls.size(); i-- > 0;) {
    if (calls[i].scope != record.scope) continue;
    placement.depth = static_cast<int>(i);
    placement.durationMs = record.TimeMs() - calls[i].timeMs;
    calls.resize(i);  // calls opened inside it whose end was lost close with it
    break;
  }
  if (!placement.durationMs) placement.depth = static_cast<int>(calls.size());
  if (calls.empty()) open_.erase(pid);
  return placement;
}

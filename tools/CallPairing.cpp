#include "CallPairing.h"

void CallPairing::CheckSequence(uint32_t pid, uint64_t sequence, Placement* placement) {
  // Numbers start at 1: the first record seen of a process tells how many
  // came before it (sent before the viewer was there, or dropped).
  const auto [last, first] = lastSequence_.try_emplace(pid, 0);
  if (sequence > last->second + 1) {
    placement->lost = sequence - last->second - 1;
    if (!first) open_.erase(pid);
  } else if (sequence <= last->second) {
    if (sequence == 1) {
      // A new process that got an old process ID.
      open_.erase(pid);
    } else {
      // A record that came after a later one, or a new process with an old ID
      // whose first records were lost: shown, and the count goes on from the
      // highest number, so that the gap it closes is not counted twice.
      placement->backFrom = last->second;
      return;
    }
  }
  last->second = sequence;
}

CallPairing::Placement CallPairing::Place(const LogRecord& record) {
  Placement placement;
  if (record.pid && record.sequence) CheckSequence(*record.pid, *record.sequence, &placement);
  if (record.kind == LogRecord::Kind::Single && record.pid) {
    const auto found = open_.find(*record.pid);
    if (found != open_.end()) placement.depth = static_cast<int>(found->second.size());
    lastPid_ = record.pid;
    return placement;
  }
  if (record.kind == LogRecord::Kind::Single || !record.pid) {
    // A single record of an older module names no process: show it inside the calls of the process seen last.
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

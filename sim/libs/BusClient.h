#pragma once
// The client side of swmsim's bus socket, for the simulated vendor
// libraries: one session per thread, opened on first use at the path in
// $SWMATRIX_SIM_BUS (and opened again when that variable changes).
#include <string>

namespace simlib {

struct BusAnswer {
  std::string line;     // "ok ...", "timeout ..." or "error ..."
  std::string payload;  // the bytes announced by a read answer
  bool Ok() const { return line == "ok" || line.starts_with("ok "); }
  bool TimedOut() const { return line == "timeout" || line.starts_with("timeout "); }
  // The n-th word of the line (0 is "ok"), or "".
  std::string Word(size_t n) const;
};

// Sends one request (with its payload, if any) and waits up to waitMs for
// the answer; false when the bus cannot be reached or does not answer.
// withPayload: the answer announces bytes after its line (a read).
bool BusRequest(const std::string& line, const std::string& payload, bool withPayload,
                int waitMs, BusAnswer* answer);

}  // namespace simlib

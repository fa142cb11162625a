#pragma once
// Reads a capture file (written by `swmlog --capture`): a header line
// {"format":"swmsim-capture","version":1}, then one JSON object per transfer
// with "t" (milliseconds after the first transfer), "instrument", "dir"
// ("sent" to the instrument or "received" from it) and "hex" (the bytes).
#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct CapturedTransfer {
  int64_t timeMs = 0;
  bool sent = false;
  std::string bytes;
};

// The transfers of one instrument, in file order; false with a reason when
// the file cannot be read, is not a capture of a known version, or has no
// instrument of that name (the reason then lists the names it has).
bool ReadCapture(const std::string& path, const std::string& instrument, std::vector<CapturedTransfer>* transfers,
                 std::string* error);

}  // namespace sim

#pragma once
// The boards of a linux-gpib configuration (gpib.conf): its "interface"
// sections, with their "minor" (the board index) and "name". linux-gpib reads
// the file named by $IB_CONFIG, else /etc/gpib.conf.
#include <map>
#include <optional>
#include <string>

namespace gpibconf {

// Board index -> name ("" when the section has none).
using GpibBoards = std::map<int, std::string>;

// The sections of a gpib.conf text.
GpibBoards Parse(const std::string& text);
// The configuration linux-gpib would read; nothing when that file cannot be read.
std::optional<GpibBoards> ReadInstalled();

}  // namespace gpibconf

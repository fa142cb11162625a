#include "sim/hubline/FirmwareVersion.h"

#include <charconv>

namespace sim {

std::optional<FirmwareVersion> FirmwareVersion::Parse(std::string_view text) {
  FirmwareVersion version;
  size_t part = 0;
  std::string_view rest = text;
  for (;;) {
    if (part == version.parts_.size()) return std::nullopt;
    const char* begin = rest.data();
    const char* end = begin + rest.size();
    const auto [stop, error] = std::from_chars(begin, end, version.parts_[part]);
    if (error != std::errc() || stop == begin || version.parts_[part] < 0) return std::nullopt;
    ++part;
    rest.remove_prefix(static_cast<size_t>(stop - begin));
    if (rest.empty()) break;
    if (rest.front() != '.' || rest.size() == 1) return std::nullopt;
    rest.remove_prefix(1);
  }
  version.text_ = std::string(text);
  return version;
}

bool FirmwareVersion::AtLeast(int major, int minor, int build) const {
  return parts_ >= std::array<int, 3>{major, minor, build};
}

}  // namespace sim

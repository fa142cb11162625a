#pragma once
// The firmware version a simulated unit reports: up to three numbers
// (major.minor.build). Compared by number; reported as it was given.
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

class FirmwareVersion {
public:
  FirmwareVersion() = default;
  // "4", "4.0" or "4.0.9"; nothing for anything else.
  static std::optional<FirmwareVersion> Parse(std::string_view text);

  const std::string& Text() const { return text_; }
  // Whether this version is major.minor.build or later.
  bool AtLeast(int major, int minor, int build) const;

private:
  std::string text_ = "0";
  std::array<int, 3> parts_{};
};

}  // namespace sim

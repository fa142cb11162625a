#include "framework/HostEvents.h"

#include <array>
#include <cmath>
#include <limits>
#include <sstream>

#include "swmatrix/events.h"

namespace {
// How each event's value is shown in logs (a text event shows none).
constexpr EventValueDisplay Display(char kind) {
  return kind == 'r' ? EventValueDisplay::Real : kind == 'i' ? EventValueDisplay::Integer : EventValueDisplay::None;
}

constexpr std::array<HostEventInfo, kHostEventCount> MakeEvents() {
  std::array<HostEventInfo, kHostEventCount> events{};
  for (uint32_t i = 0; i < kHostEventCount; ++i) events[i] = {kSwmEventNames[i], Display(kSwmEventValueKinds[i])};
  return events;
}
constexpr auto kEvents = MakeEvents();
}  // namespace

const HostEventInfo* FindHostEvent(uint32_t event) {
  if (event < 1 || event > kHostEventCount) return nullptr;
  return &kEvents[event - 1];
}

std::string_view HostRequestName(uint32_t request) {
  if (request < 1 || request > kHostRequestCount) return {};
  return kSwmRequestNames[request - 1];
}

std::string HostEventLabel(uint32_t event) {
  const HostEventInfo* info = FindHostEvent(event);
  return info ? std::string(info->name) : std::to_string(event);
}

std::string HostEventValueText(uint32_t event, double value) {
  const HostEventInfo* info = FindHostEvent(event);
  if (!info || info->display == EventValueDisplay::None) return {};
  std::ostringstream out;
  // Hosts may send any double: values that are no number or do not fit a
  // 64-bit integer are shown without converting them.
  constexpr double kTwoTo63 = 9223372036854775808.0;
  if (info->display == EventValueDisplay::Real || !std::isfinite(value))
    out << value;
  else if (value >= kTwoTo63)
    out << std::numeric_limits<long long>::max();
  else if (value <= -kTwoTo63)
    out << std::numeric_limits<long long>::min();
  else
    out << static_cast<long long>(std::trunc(value));
  return out.str();
}

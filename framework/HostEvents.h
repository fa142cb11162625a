#pragma once
// Names of the host events (1..84) and requests (1..4) as they appear in logs.
#include <cstdint>
#include <string>
#include <string_view>

enum class EventValueDisplay { None, Real, Integer };

struct HostEventInfo {
  std::string_view name;
  EventValueDisplay display;
};

constexpr uint32_t kHostEventCount = 84;
constexpr uint32_t kHostRequestCount = 4;

// Null for numbers outside 1..84.
const HostEventInfo* FindHostEvent(uint32_t event);
// Empty for numbers outside 1..4.
std::string_view HostRequestName(uint32_t request);

// The event name, or its number when it has none.
std::string HostEventLabel(uint32_t event);
// The event value as logs show it: real, integer (truncated) or nothing.
std::string HostEventValueText(uint32_t event, double value);

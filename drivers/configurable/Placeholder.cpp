#include "drivers/configurable/Placeholder.h"

#include <cmath>
#include <cstdio>

std::string FormatPlaceholderNumber(double value) {
  if (!std::isfinite(value)) return std::isnan(value) ? "nan" : (value > 0 ? "inf" : "-inf");
  // Large values need room for every integer digit besides the 7 decimals.
  std::string text(static_cast<size_t>(std::snprintf(nullptr, 0, "%.7f", value)) + 1, '\0');
  text.resize(static_cast<size_t>(std::snprintf(text.data(), text.size(), "%.7f", value)));
  const size_t point = text.find('.');
  if (point != std::string::npos) {
    size_t end = text.find_last_not_of('0');
    if (end == point) --end;
    text.erase(end + 1);
  }
  if (text == "-0") text = "0";
  return text;
}

std::string Placeholder::Text() const { return FormatPlaceholderNumber(value * scale); }

std::string SubstitutePlaceholders(const std::string& command, const PlaceholderList& list) {
  std::string result = command;
  for (const Placeholder& entry : list) {
    if (entry.name.empty()) continue;
    const std::string text = entry.Text();
    for (size_t at = result.find(entry.name); at != std::string::npos; at = result.find(entry.name, at)) {
      result.replace(at, entry.name.size(), text);
      at += text.size();
    }
  }
  return result;
}

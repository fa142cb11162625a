#include "drivers/osd/OSDValueTable.h"

#include <cmath>

#include "framework/NumberConversion.h"
#include "platform/CLocale.h"

namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD {
namespace {
bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

constexpr const char* kFrequencyKeys[] = {"__freq__", "__freqHz__", "__freqkHz__", "__freqMHz__", "__freqGHz__"};
// Every key the events fill, so that clearing empties texts never filled yet.
constexpr const char* kEventKeys[] = {"__freq__",        "__freqHz__",         "__freqkHz__",     "__freqMHz__",
                                      "__freqGHz__",     "__carrier__",        "__dwelltime__",   "__averagefield__",
                                      "__calcfield__",   "__fwdpower__",       "__rflpower__",    "__modulationtype__",
                                      "__modulationfreq__", "__modulation__",  "__fieldsensor__", "__polarization__",
                                      "__polarisation__", "__angle__"};
}  // namespace

std::string OSDValueTable::FrequencyText(const std::string& key, double megahertz) {
  if (key == "__freqHz__") return FormatC("%.0f", megahertz * 1e6);
  if (key == "__freqkHz__") return FormatC("%.3f", megahertz * 1e3);
  if (key == "__freqMHz__") return FormatC("%.6f", megahertz);
  if (key == "__freqGHz__") return FormatC("%.6f", megahertz / 1e3);
  return FormatC("%.3f", megahertz);  // "__freq__": MHz to the kHz
}

std::string OSDValueTable::ModulationTypeText(double type) {
  const long number = TruncatedToInt32(type);
  switch (number) {
    case 1: return "AM";
    case 2: return "AM Ext.";
    case 3: return "PM";
    case 4: return "PM Ext.";
    case 5: return "FM";
    case 6: return "FM Ext.";
    default: return FormatC("%ld", number);
  }
}

std::string OSDValueTable::ModulationFrequencyText(double hertz, double parameter) {
  std::string text = hertz < 1000.0 ? FormatC("%3.3lf Hz ", hertz) : FormatC("%3.3lf kHz", hertz / 1000.0);
  if (parameter != 0.0) text += FormatC(" %g", parameter);
  return text;
}

bool OSDValueTable::Apply(uint32_t event, double value) {
  const auto set = [this](const std::string& key, std::string text) {
    const auto found = values_.find(key);
    if (found != values_.end() && found->second == text) return false;
    values_[key] = std::move(text);
    return true;
  };
  switch (event) {
    case 1:
    case 2: {
      bool changed = false;
      for (const char* key : kEventKeys) changed = set(key, "") || changed;
      for (auto& [key, text] : values_) {
        changed = changed || !text.empty();
        text.clear();
      }
      return changed;
    }
    case 5: return set("__dwelltime__", "MANUAL MODE");
    case 6: return set("__dwelltime__", "STOPPED");
    case 7: {
      bool changed = false;
      for (const char* key : kFrequencyKeys) changed = set(key, FrequencyText(key, value)) || changed;
      return changed;
    }
    case 8: return set("__carrier__", FormatC("%3.5lf", value));
    case 9: return set("__dwelltime__", "STARTED");
    case 10: return set("__dwelltime__", "STOPPED");
    case 11: return set("__averagefield__", FormatC("%3.2lf", value));
    case 12: return set("__calcfield__", FormatC("%3.2lf", value));
    case 24: return set("__fwdpower__", FormatC("%3.5lf", value));
    case 26: return set("__rflpower__", FormatC("%3.5lf", value));
    case 37: return set("__modulationtype__", ModulationTypeText(value));
    case 38: return set("__modulationfreq__", ModulationFrequencyText(value, modulationParameter_));
    case 39: modulationParameter_ = value; return false;
    case 40: return set("__modulation__", "ON");
    case 41: return set("__modulation__", "OFF");
    case 46: return set("__fieldsensor__", FormatC("%3.2lf", value));
    case 50:
    case 63: {
      // Both spellings, so that texts written with either are filled in.
      const std::string text = event == 50 ? "---" : (value == 1.0 ? "HOR" : "VER");
      const bool changed = set("__polarization__", text);
      return set("__polarisation__", text) || changed;
    }
    case 52: return set("__angle__", FormatC("%3.1lf", value));
    default: return false;
  }
}

std::string OSDValueTable::Substitute(std::string_view text) const {
  std::string result;
  size_t at = 0;
  while (at < text.size()) {
    // A placeholder: "__", one or more letters, "__".
    if (text.compare(at, 2, "__") == 0) {
      size_t end = at + 2;
      while (end < text.size() && IsLetter(text[end])) ++end;
      if (end > at + 2 && text.compare(end, 2, "__") == 0) {
        const std::string key(text.substr(at, end + 2 - at));
        const auto found = values_.find(key);
        result += found != values_.end() ? found->second : key;
        at = end + 2;
        continue;
      }
    }
    result += text[at++];
  }
  return result;
}

bool OSDValueTable::SetFromText(std::string_view text) {
  size_t at = 0;
  const auto name = [&](std::string* out) {
    const size_t start = at;
    while (at < text.size() && IsNameCharacter(text[at])) ++at;
    *out = std::string(text.substr(start, at - start));
    return !out->empty();
  };
  // Leading text before the key is allowed, as in a search.
  for (size_t start = 0; start < text.size(); ++start) {
    at = start;
    std::string key, value;
    if (!name(&key)) continue;
    while (at < text.size() && text[at] == ' ') ++at;
    if (at >= text.size() || text[at] != '=') continue;
    ++at;
    while (at < text.size() && text[at] == ' ') ++at;
    if (!name(&value)) continue;
    values_[key] = value;
    return true;
  }
  return false;
}

const std::string* OSDValueTable::Find(const std::string& key) const {
  const auto found = values_.find(key);
  return found == values_.end() ? nullptr : &found->second;
}

}  // namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD

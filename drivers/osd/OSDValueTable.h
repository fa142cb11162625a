#pragma once
// The live test values an on-screen display shows: a table of placeholder
// keys ("__freq__", "__carrier__", ...) and their texts, filled from host
// events, and the substitution of the placeholders in a display text.
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD {

class OSDValueTable {
public:
  // Takes a host event; true when the table changed. Events 1 and 2 clear
  // every value (the keys stay, with empty texts); event 39 only stores the
  // modulation parameter for event 38.
  bool Apply(uint32_t event, double value);
  // Every "__name__" placeholder with a value replaced by it; others stay.
  std::string Substitute(std::string_view text) const;
  // Stores a pair written as "key = value" (letters, digits and '_'); false
  // when the text is not such a pair.
  bool SetFromText(std::string_view text);

  void Set(const std::string& key, const std::string& value) { values_[key] = value; }
  // The value of a key, or nothing when the table has none.
  const std::string* Find(const std::string& key) const;
  const std::map<std::string, std::string>& Values() const { return values_; }

  // The texts of the five frequency keys for a frequency in MHz.
  static std::string FrequencyText(const std::string& key, double megahertz);
  // A modulation type (1 AM, 3 PM, 5 FM, with 1 added for the external
  // source) or frequency in Hz as shown.
  static std::string ModulationTypeText(double type);
  static std::string ModulationFrequencyText(double hertz, double parameter);

private:
  std::map<std::string, std::string> values_;
  double modulationParameter_ = 0;
};

}  // namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD

#pragma once
// The "during" and "after" setting of every relay or switch of a controller,
// kept in one settings table: "Relais<n>Start" for n = 1.. (all of them),
// then "Relais<n>Stop"; a controller with a single item uses "Start" and
// "Stop". Values are stored and read back as they are, also outside the
// choices a dialog offers.
#include <string>
#include <vector>

#include "settings/ProgramSettingsDatabase.h"

class RelaySettingsTable {
public:
  static constexpr int kDuring = 0;
  static constexpr int kAfter = 1;

  RelaySettingsTable(std::string table, int count, long defaultValue, bool numbered = true)
      : table_(std::move(table)), numbered_(numbered), values_{std::vector<long>(count, defaultValue),
                                                               std::vector<long>(count, defaultValue)} {}

  void Load(const SettingsStore& store);
  void Save(const SettingsStore& store) const;

  const std::string& Table() const { return table_; }
  int Count() const { return static_cast<int>(values_[0].size()); }
  // set 0 during, 1 after; item from 0.
  long Get(int set, int item) const { return values_[set][item]; }
  void Set(int set, int item, long value) { values_[set][item] = value; }
  std::string Key(int set, int item) const;

private:
  std::string table_;
  bool numbered_;
  std::vector<long> values_[2];
};

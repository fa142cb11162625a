#include "drivers/gpibrelay/RelaySettingsTable.h"

std::string RelaySettingsTable::Key(int set, int item) const {
  const char* suffix = set == kDuring ? "Start" : "Stop";
  return numbered_ ? "Relais" + std::to_string(item + 1) + suffix : std::string(suffix);
}

void RelaySettingsTable::Load(const SettingsStore& store) {
  if (!store || table_.empty()) return;
  store->PushTable(table_);
  for (int set = kDuring; set <= kAfter; ++set)
    for (int item = 0; item < Count(); ++item) values_[set][item] = store->Read(Key(set, item), values_[set][item]);
  store->PopTable();
}

void RelaySettingsTable::Save(const SettingsStore& store) const {
  if (!store || table_.empty()) return;
  store->PushTable(table_);
  for (int set = kDuring; set <= kAfter; ++set)
    for (int item = 0; item < Count(); ++item) store->Write(Key(set, item), values_[set][item]);
  store->PopTable();
}

#include "interface/DeviceDriverTable.h"

#include <limits>

#include "framework/DeviceDriverBase.h"

DeviceDriverTable::~DeviceDriverTable() {
  // Drivers the host never removed stay alive: their destructors may talk to
  // instruments or libraries that are already gone at unload.
  for (auto& entry : entries_) (void)entry.release();
}

uint16_t DeviceDriverTable::Add(std::unique_ptr<DeviceDriverBase> driver) {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (!entries_[i]) {
      entries_[i] = std::move(driver);
      return static_cast<uint16_t>(i);
    }
  }
  entries_.push_back(std::move(driver));
  const size_t index = entries_.size() - 1;
  return index > std::numeric_limits<uint16_t>::max() ? std::numeric_limits<uint16_t>::max()
                                                       : static_cast<uint16_t>(index);
}

bool DeviceDriverTable::Remove(uint16_t id) {
  if (!Find(id)) return false;
  entries_[id].reset();
  while (!entries_.empty() && !entries_.back()) entries_.pop_back();
  return true;
}

DeviceDriverTable& DeviceDriverTable::Instance() {
  static DeviceDriverTable table;
  return table;
}

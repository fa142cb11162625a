#pragma once
// The table that maps device IDs to live drivers. IDs are handed out lowest
// first; free entries at the end are trimmed after every removal.
#include <cstdint>
#include <memory>
#include <vector>

class DeviceDriverBase;

class DeviceDriverTable {
public:
  ~DeviceDriverTable();

  // Stores the driver (taking ownership) and returns its ID.
  uint16_t Add(std::unique_ptr<DeviceDriverBase> driver);
  // Null when the ID is not valid.
  DeviceDriverBase* Find(uint16_t id) const {
    return id < entries_.size() ? entries_[id].get() : nullptr;
  }
  // Destroys the driver; false when the ID is not valid.
  bool Remove(uint16_t id);
  size_t Size() const { return entries_.size(); }

  static DeviceDriverTable& Instance();

private:
  // A null entry is a free ID.
  std::vector<std::unique_ptr<DeviceDriverBase>> entries_;
};

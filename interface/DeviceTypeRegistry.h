#pragma once
// The catalogue of device type keys: each key names a driver class and the
// constructor arguments that select the model within it.
#include <memory>
#include <span>
#include <string>
#include <string_view>

class DeviceDriverBase;

struct DeviceTypeEntry {
  std::string_view key;
  std::string_view className;
  std::string_view arguments;  // the constructor arguments, as documented
  // Null while the class is not built into this module.
  DeviceDriverBase* (*create)();
};

// Upper case (global locale), then the nine trimmed characters removed at both ends.
std::string NormaliseTypeKey(std::string_view key);

// Every key in registry order.
std::span<const DeviceTypeEntry> DeviceTypeEntries();

// The entry of a key after normalisation, or null.
const DeviceTypeEntry* FindDeviceType(std::string_view key);

// A new driver for the key, or null when no entry matches or its class is not built.
std::unique_ptr<DeviceDriverBase> CreateDeviceDriver(std::string_view key);

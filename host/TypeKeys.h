#pragma once
// The device type keys that create a driver in the loaded module, and the
// swmsim instrument family that stands in for each key's instrument.
#include <string>
#include <vector>

#include "swmatrix/loader.h"

struct CreatableKey {
  std::string key;
  std::string driverClass;
  std::string family;  // "-" for a driver that talks to no instrument
};

// Sorted by key.
std::vector<CreatableKey> CreatableKeys(swm::Module& module);

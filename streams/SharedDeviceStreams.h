#pragma once
// The streams alive in this process, by the ID string of the port or address
// they reach, so that drivers configured for the same port or address share
// one stream (and its connection). Holds them weakly: a stream ends when the
// last client lets go of it.
#include <string>

#include "streams/DeviceStream.h"

class SharedDeviceStreams {
public:
  // The live stream of that type and ID string, or null.
  static DeviceStreamPtr Find(const std::string& typeName, const std::string& idString);
  // Remembers the stream under its type and ID string (replacing a dead one).
  static void Add(const std::string& typeName, const std::string& idString, const DeviceStreamPtr& stream);
};

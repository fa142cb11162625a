#pragma once
// A stream that forwards every operation to an embedded stream. A client
// wraps the shared transport stream in one of its own.
#include "streams/DeviceStream.h"
#include "streams/EmbeddedDeviceStreamMixIn.h"

class DeviceStreamBaseDecorator : public EmbeddedDeviceStreamMixIn<DeviceStream, DeviceStream> {
public:
  DeviceStreamBaseDecorator() = default;
  explicit DeviceStreamBaseDecorator(DeviceStreamPtr stream) { SetEmbeddedStream(std::move(stream)); }
};

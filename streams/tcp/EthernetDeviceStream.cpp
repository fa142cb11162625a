#include "streams/tcp/EthernetDeviceStream.h"

#include "streams/DeviceStreamTypeRegistry.h"
#include "streams/tcp/EthernetDeviceStreamConfig.h"

namespace {
[[maybe_unused]] const bool registered =
    DeviceStreamTypeRegistry::RegisterConfiguration(EthernetDeviceStreamConfig::kTypeName,
                                                    [] { return std::make_shared<EthernetDeviceStreamConfig>(); }) &&
    DeviceStreamTypeRegistry::RegisterStream(EthernetDeviceStreamConfig::kTypeName,
                                             [] { return std::make_shared<EthernetDeviceStream>(); });
}  // namespace

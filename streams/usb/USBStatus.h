#pragma once
// Status codes of the USB serial transport.
#include "framework/Status.h"

namespace usbstatus {
// No attached FTDI virtual COM port answers with the configured identifier.
inline constexpr Status kDeviceNotFound = 0x30005B01;
// The configuration names no device identifier.
inline constexpr Status kNoDeviceIdentifier = 0x30005B02;
}  // namespace usbstatus

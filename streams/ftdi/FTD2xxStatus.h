#pragma once
// Status codes of the FTDI D2XX transport: a D2XX status s (1 to 19)
// becomes 0x30005B04 + s; the library that cannot be loaded, or lacks a
// call, is kLibraryNotLoaded.
#include <string>

#include "framework/Status.h"

namespace ftd2xxstatus {
inline constexpr Status kBase = 0x30005B04;
inline constexpr Status kDeviceNotFound = kBase + 2;
inline constexpr Status kOtherError = kBase + 18;
inline constexpr Status kLibraryNotLoaded = 0x30005B18;
// The engine did not echo the synchronisation commands (0xFA 0xAA, 0xFA 0xAB).
inline constexpr Status kSynchronisationFailed = 0x30005B19;

// The module status of a D2XX status: 0 for 0, 0x30005B04 + s for 1 to 19,
// and the "other error" status for any value the table does not know.
Status FromD2xx(uint32_t d2xxStatus);
// The text of a status of this block; empty for others.
std::string Text(Status status);
}  // namespace ftd2xxstatus

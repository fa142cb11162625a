#pragma once
// Status codes of the device streams and their clients.
#include "framework/Status.h"

namespace streamstatus {
inline constexpr Status kNotImplemented = DRV_ERR_NOT_IMPLEMENTED;  // not offered by this transport
inline constexpr Status kNoStream = 0x30000006;                     // the client has no stream
inline constexpr Status kReadTimedOut = 0x3000012E;  // read ended by its time-out (data so far kept)
inline constexpr Status kOperationCompleteTimedOut = 0x3000019A;  // no answer to "*OPC?"
inline constexpr Status kCannotCreateStream = 0x30001F40;
inline constexpr Status kNotConnected = 0x30001F41;
inline constexpr Status kNotLocked = 0x30001F42;
inline constexpr Status kStreamNotCreated = 0x30001F43;
inline constexpr Status kInvalidConfiguration = 0x30001F44;
inline constexpr Status kNotSupportedByClient = 0x30001F45;
inline constexpr Status kCouldNotSetValue = 0x30001F46;
inline constexpr Status kResponseTooLarge = DRV_ERR_TCP_RESPONSE_TOO_LARGE;  // answer over the count
}  // namespace streamstatus

#pragma once
// Status codes of the RSIB transport.
#include "framework/Status.h"

namespace rsibstatus {
inline constexpr Status kNoLibraryWrapper = 0x30001B59;  // the stream has no library wrapper
inline constexpr Status kLibraryNotLoaded = 0x30001B5A;  // librsib.so missing, or lacking a function
inline constexpr Status kOpenFailed = 0x30001B5B;        // RSDLLibfind found no instrument at the address
inline constexpr Status kWriteFailed = 0x30001B5C;
inline constexpr Status kReadFailed = 0x30001B5D;
inline constexpr Status kServiceRequestFailed = 0x30001B5E;  // the wait for a service request failed
}  // namespace rsibstatus

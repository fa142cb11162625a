#pragma once
// Status codes: 0 for success, failures in the 0x30000000 family.
#include <cstdint>

#include "swmatrix/swmatrix.h"

using Status = uint32_t;

// The first non-zero of several step statuses.
inline Status FirstError(Status first, Status second) { return first ? first : second; }

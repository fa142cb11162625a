#pragma once
// Errors of the operating system (errno values) in the module's status space,
// for the legacy classes that return "the system's error": 0x30007000 + errno.
#include <string>

#include "framework/Status.h"

namespace systemerror {

constexpr Status kBase = 0x30007000;
constexpr Status kLast = 0x30007FFF;

// 0 for 0; errno values beyond the block give kLast.
Status ToStatus(int error);
bool IsSystemStatus(Status status);
// "System error N: <the system's description>".
std::string Text(Status status);

}  // namespace systemerror

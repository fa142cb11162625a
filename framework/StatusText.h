#pragma once
// The texts of the statuses that every driver shares (the codes of
// swmatrix.h that the driver base describes in GetErrorString). The log
// viewer shows them next to the codes in its records; codes of a driver's
// own have texts that only that driver gives.
#include <cstdint>
#include <string_view>

namespace StatusText {
// The text of a shared status, or empty. Where GetErrorString adds details
// (the host version needed, why a save failed), this is the general form.
std::string_view Shared(uint32_t status);
}  // namespace StatusText

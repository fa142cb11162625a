#include "streams/ftdi/FTD2xxStatus.h"

namespace ftd2xxstatus {
namespace {
const char* const kTexts[] = {
    "FTDI D2xx: Invalid handle",
    "FTDI D2xx: Device is not found",
    "FTDI D2xx: Device is not opened",
    "FTDI D2xx: IO Error",
    "FTDI D2xx: Insufficient resources",
    "FTDI D2xx: Invalid parameter",
    "FTDI D2xx: Invalid baudrate",
    "FTDI D2xx: Device is not opened for erase",
    "FTDI D2xx: Device is not opened for write",
    "FTDI D2xx: Failed to write to the device",
    "FTDI D2xx: EEPROM read failed",
    "FTDI D2xx: EEPROM write failed",
    "FTDI D2xx: EEPROM erase failed",
    "FTDI D2xx: EEPROM is not present",
    "FTDI D2xx: EEPROM is not programmed",
    "FTDI D2xx: Invalid arguments",
    "FTDI D2xx: Not supported",
    "FTDI D2xx: Another or unknown error",
    "FTDI D2xx: Device list is not ready",
    "FTDI D2xx: FTD2xx.dll could not be loaded or found. Are the FTDI D2XX drivers installed?",
};
}  // namespace

Status FromD2xx(uint32_t d2xxStatus) {
  if (d2xxStatus == 0) return 0;
  if (d2xxStatus <= 19) return kBase + d2xxStatus;
  return kOtherError;
}

std::string Text(Status status) {
  if (status > kBase && status <= kLibraryNotLoaded) return kTexts[status - kBase - 1];
  if (status == kSynchronisationFailed)
    return "FTDI D2xx: The MPSSE engine did not answer the synchronisation (0xFA 0xAA, 0xFA 0xAB).";
  return {};
}
}  // namespace ftd2xxstatus

#pragma once
// The maker's own instruments among the FTDI virtual COM ports: each port
// is opened as a serial port (by its device path, 19200 baud, 8 data bits,
// no parity, one stop bit) and asked "ID_NUMBER?\r\n"; the identifier is
// the first eight dot-separated numbers of the answer. A port that does not
// answer within the time-out is listed with an empty identifier.
#include "streams/usb/GenericDeviceFinder.h"

class USBZEVODeviceFinder : public GenericDeviceFinder {
public:
  static constexpr const char* kQuery = "ID_NUMBER?\r\n";
  static constexpr double kDefaultTimeoutSeconds = 1.0;

  explicit USBZEVODeviceFinder(double timeoutSeconds = kDefaultTimeoutSeconds) : timeoutSeconds_(timeoutSeconds) {}
  std::vector<FoundDevice> ListDevices() override;
  // The identifier the instrument at the device path gives; empty when none.
  std::string QueryIdentifier(const std::string& devicePath) const;

private:
  double timeoutSeconds_;
};

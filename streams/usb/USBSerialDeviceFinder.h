#pragma once
// The virtual COM ports of FTDI USB serial adapters (vendor 0403), found in
// sysfs (platform/UsbSerialPorts). The identifier of each is its product
// identifier ("PID_6001"); the port is its device path.
#include "streams/usb/GenericDeviceFinder.h"

class USBSerialDeviceFinder : public GenericDeviceFinder {
public:
  static constexpr const char* kFtdiVendor = "0403";
  std::vector<FoundDevice> ListDevices() override;
};

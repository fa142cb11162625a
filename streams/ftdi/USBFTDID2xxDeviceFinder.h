#pragma once
// The FTDI chips the D2XX library lists: the identifier and the port of each
// are its serial number, its name the chip's description. When the library
// cannot be loaded or its listing fails, the list is empty and the failure
// is the D2XX status's text.
#include "streams/ftdi/FTD2xxBase.h"
#include "streams/usb/GenericDeviceFinder.h"

class USBFTDID2xxDeviceFinder : public GenericDeviceFinder {
public:
  std::vector<FoundDevice> ListDevices() override;
  std::string FailureText() const override;
  // The status of the last listing (0, or the D2XX status of the library).
  Status LastStatus() const { return lastStatus_; }

private:
  Status lastStatus_ = 0;
};

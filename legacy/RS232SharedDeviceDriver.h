#pragma once
// A serial device whose port lives as long as the object: construction opens
// it with the given settings and destruction closes it, so that the drivers
// holding one such object share one open port. Otherwise an RS232DeviceDriver.
#include "legacy/RS232DeviceDriver.h"

class RS232SharedDeviceDriver : public RS232DeviceDriver {
public:
  explicit RS232SharedDeviceDriver(int comPort = 1, BaudRate baudRate = Br9600, Parity parity = None,
                                   DataBits dataBits = Data8, StopBits stopBits = Stop1,
                                   int implementation = kNativeImplementation);
  ~RS232SharedDeviceDriver() override;

  // The status of opening the port at construction.
  Status ConstructionStatus() const { return constructionStatus_; }

private:
  Status constructionStatus_ = 0;
};

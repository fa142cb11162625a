#include "legacy/RS232SharedDeviceDriver.h"

#include "logging/JournexEntry.h"

RS232SharedDeviceDriver::RS232SharedDeviceDriver(int comPort, BaudRate baudRate, Parity parity,
                                                 DataBits dataBits, StopBits stopBits, int implementation)
    : RS232DeviceDriver(comPort, baudRate, parity, dataBits, stopBits, implementation) {
  constructionStatus_ = Open();
  if (constructionStatus_)
    JournexEntry::Note("RS232SharedDeviceDriver", "RS232SharedDeviceDriver", "Error",
                       "The shared port could not be opened", {{"COMPort", comPort}, {"Err", constructionStatus_}});
}

RS232SharedDeviceDriver::~RS232SharedDeviceDriver() { Close(); }

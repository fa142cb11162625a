#include "streams/ftdi/USBFTDID2xxDeviceFinder.h"

#include "streams/ftdi/FTD2xxStatus.h"

std::vector<FoundDevice> USBFTDID2xxDeviceFinder::ListDevices() {
  std::vector<FoundDevice> devices;
  FTD2xxBase chip;
  std::vector<FTD2xxLibrary::DeviceInfoNode> nodes;
  lastStatus_ = chip.GetDeviceInfoList(&nodes);
  for (const auto& node : nodes) devices.push_back({node.description, node.serialNumber, node.serialNumber});
  return devices;
}

std::string USBFTDID2xxDeviceFinder::FailureText() const { return ftd2xxstatus::Text(lastStatus_); }

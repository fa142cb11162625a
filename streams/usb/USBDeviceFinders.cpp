#include "logging/JournexEntry.h"
#include "platform/UsbSerialPorts.h"
#include "streams/rs232/RS232DeviceStream.h"
#include "streams/usb/DeviceIdentifier.h"
#include "streams/usb/USBSerialDeviceFinder.h"
#include "streams/usb/USBZEVODeviceFinder.h"

namespace {
constexpr size_t kAnswerCount = 100;
}

std::string GenericDeviceFinder::FindPort(const std::string& identifier) {
  for (const FoundDevice& device : ListDevices())
    if (!identifier.empty() && device.identifier == identifier) return PortOf(device);
  return {};
}

std::vector<FoundDevice> USBSerialDeviceFinder::ListDevices() {
  std::vector<FoundDevice> devices;
  for (const UsbSerialPort& port : ListUsbSerialPorts(kFtdiVendor))
    devices.push_back({port.name, port.devicePath, "PID_" + port.productId});
  JournexEntry::Note("ListDevices", "USBSerialDeviceFinder", "Note", "ListDevices()",
                     {{"sysfs", SysfsRoot()}, {"found", devices.size()}});
  return devices;
}

std::string USBZEVODeviceFinder::QueryIdentifier(const std::string& devicePath) const {
  auto configuration = std::make_shared<RS232DeviceStreamConfiguration>();
  configuration->SetDevicePath(devicePath);
  RS232DeviceStream port;
  DeviceStreamSettings settings = port.GetStreamSettings();
  settings.timeoutSeconds = timeoutSeconds_;
  settings.sendTerminationEnabled = false;  // the query carries its own line end
  settings.receiveTermination = "\n";
  settings.receiveTerminationEnabled = true;
  port.SetStreamSettings(settings);
  const StreamUser user = reinterpret_cast<StreamUser>(this);
  std::string answer;
  Status status = port.Connect(0, configuration, user);
  if (status == 0) status = port.SetTimeout(0, timeoutSeconds_);
  if (status == 0) status = port.WriteRead(0, kQuery, answer, kAnswerCount, 1);
  port.Disconnect(0, user);
  const std::string identifier = DeviceIdentifierIn(answer);
  JournexEntry::Note("QueryIdentifier", "USBZEVODeviceFinder", identifier.empty() ? "Warning" : "Note",
                     "QueryIdentifier(" + devicePath + ")", {{"answer", answer}, {"Err", status}});
  return identifier;
}

std::vector<FoundDevice> USBZEVODeviceFinder::ListDevices() {
  std::vector<FoundDevice> devices = USBSerialDeviceFinder().ListDevices();
  for (FoundDevice& device : devices) device.identifier = QueryIdentifier(device.port);
  return devices;
}

#include "streams/ftdi/FTDID2xxDeviceStreamConfiguration.h"

#include "logging/JournexEntry.h"
#include "streams/ftdi/FTD2xxStatus.h"
#include "streams/ftdi/USBFTDID2xxDeviceFinder.h"
#include "streams/usb/USBConfigurationPanel.h"

uint32_t FTDID2xxDeviceStreamConfiguration::LoadProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    serialNumber_ = store->ReadNarrow("SerialNumber", serialNumber_);
    store->PopTable();
  }
  JournexEntry::Note("LoadProgramSettings", "FTDID2xxDeviceStreamConfiguration", "Note",
                     "LoadProgramSettings(FTDID2xx)", {{"SerialNumber", serialNumber_}});
  return 0;
}

uint32_t FTDID2xxDeviceStreamConfiguration::SaveProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    store->WriteNarrow("SerialNumber", serialNumber_);
    store->PopTable();
  }
  return 0;
}

ValidatorBasedPanel* FTDID2xxDeviceStreamConfiguration::CreateConfigurationPanel() {
  return new USBConfigurationPanel([this] { return serialNumber_; },
                                   [this](const std::string& serial) { serialNumber_ = serial; },
                                   [] { return USBFTDID2xxDeviceFinder().ListDevices(); });
}

Status FTDID2xxDeviceStreamConfiguration::GetErrorString(uint32_t, Status code, std::string& text) {
  const std::string own = ftd2xxstatus::Text(code);
  if (!own.empty()) text = own;
  return 0;
}

std::vector<FoundDevice> USBFTDID2xxDeviceFinder::ListDevices() {
  std::vector<FoundDevice> devices;
  FTD2xxBase chip;
  std::vector<FTD2xxLibrary::DeviceInfoNode> nodes;
  lastStatus_ = chip.GetDeviceInfoList(&nodes);
  for (const auto& node : nodes) devices.push_back({node.description, node.serialNumber, node.serialNumber});
  return devices;
}

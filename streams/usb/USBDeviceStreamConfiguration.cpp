#include "streams/usb/USBDeviceStreamConfiguration.h"

#include "logging/JournexEntry.h"
#include "streams/usb/USBConfigurationPanel.h"
#include "streams/usb/USBDeviceStream.h"
#include "streams/usb/USBZEVODeviceFinder.h"

uint32_t USBDeviceStreamConfiguration::LoadProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    deviceID_ = store->ReadNarrow("DeviceID", deviceID_);
    store->PopTable();
  }
  JournexEntry::Note("LoadProgramSettings", "USBDeviceStreamConfiguration", "Note", "LoadProgramSettings(USB)",
                     {{"DeviceID", deviceID_}});
  return 0;
}

uint32_t USBDeviceStreamConfiguration::SaveProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    store->WriteNarrow("DeviceID", deviceID_);
    store->PopTable();
  }
  return 0;
}

Status USBDeviceStreamConfiguration::GetErrorString(uint32_t, Status code, std::string& text) {
  if (const std::string own = USBDeviceStream::ErrorText(code); !own.empty()) text = own;
  return 0;
}

ValidatorBasedPanel* USBDeviceStreamConfiguration::CreateConfigurationPanel() {
  return new USBConfigurationPanel([this] { return deviceID_; }, [this](const std::string& id) { deviceID_ = id; },
                                   [] { return USBZEVODeviceFinder().ListDevices(); });
}

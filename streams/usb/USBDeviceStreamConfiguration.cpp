#include "streams/usb/USBDeviceStreamConfiguration.h"

#include "streams/usb/USBConfigurationPanel.h"
#include "streams/usb/USBDeviceStream.h"
#include "streams/usb/USBZEVODeviceFinder.h"

namespace {
constexpr const char* kTables[] = {USBDeviceStreamConfiguration::kTable};

constexpr SingleTextSetting kSetting{.typeName = USBDeviceStreamConfiguration::kTypeName,
                                     .family = "USB",
                                     .panelName = USBDeviceStreamConfiguration::kPanelName,
                                     .tables = kTables,
                                     .key = "DeviceID",
                                     .defaultText = USBDeviceStreamConfiguration::kDefaultDeviceID,
                                     .idPrefix = "USB:",
                                     .logModule = "USBDeviceStreamConfiguration",
                                     .logName = "USB",
                                     .statusText = USBDeviceStream::ErrorText};
}  // namespace

USBDeviceStreamConfiguration::USBDeviceStreamConfiguration() : SingleTextStreamConfiguration(kSetting) {}

ValidatorBasedPanel* USBDeviceStreamConfiguration::CreateConfigurationPanel() {
  return new USBConfigurationPanel([this] { return GetDeviceID(); }, [this](const std::string& id) { SetDeviceID(id); },
                                   [] { return std::make_unique<USBZEVODeviceFinder>(); });
}

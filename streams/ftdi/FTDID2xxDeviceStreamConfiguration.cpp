#include "streams/ftdi/FTDID2xxDeviceStreamConfiguration.h"

#include "streams/ftdi/FTD2xxBase.h"
#include "streams/ftdi/FTD2xxStatus.h"
#include "streams/ftdi/USBFTDID2xxDeviceFinder.h"
#include "streams/usb/USBConfigurationPanel.h"

namespace {
constexpr const char* kTables[] = {FTDID2xxDeviceStreamConfiguration::kTable};

constexpr SingleTextSetting kSetting{.typeName = FTDID2xxDeviceStreamConfiguration::kTypeName,
                                     .family = "USB",
                                     .panelName = FTDID2xxDeviceStreamConfiguration::kPanelName,
                                     .tables = kTables,
                                     .key = "SerialNumber",
                                     .defaultText = "",
                                     .idPrefix = "USB_D2xx:",
                                     .logModule = "FTDID2xxDeviceStreamConfiguration",
                                     .logName = "FTDID2xx",
                                     .statusText = FTD2xxBase::ErrorText};
}  // namespace

FTDID2xxDeviceStreamConfiguration::FTDID2xxDeviceStreamConfiguration() : SingleTextStreamConfiguration(kSetting) {}

ValidatorBasedPanel* FTDID2xxDeviceStreamConfiguration::CreateConfigurationPanel() {
  return new USBConfigurationPanel([this] { return GetSerialNumber(); },
                                   [this](const std::string& serial) { SetSerialNumber(serial); },
                                   [] { return std::make_unique<USBFTDID2xxDeviceFinder>(); });
}

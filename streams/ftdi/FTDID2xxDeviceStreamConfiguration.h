#pragma once
// The settings of an FTDI chip reached through the D2XX library: its serial
// number, table "FTDID2xx", key "SerialNumber" (empty by default). The ID
// string is "USB_D2xx:" and the serial number.
#include <string>

#include "streams/SingleTextStreamConfiguration.h"

class FTDID2xxDeviceStreamConfiguration : public SingleTextStreamConfiguration {
public:
  static constexpr const char* kTypeName = "USB_D2xx";
  static constexpr const char* kTable = "FTDID2xx";
  static constexpr const char* kPanelName = "USBConfiguration";

  FTDID2xxDeviceStreamConfiguration();
  ValidatorBasedPanel* CreateConfigurationPanel() override;

  const std::string& GetSerialNumber() const { return Text(); }
  void SetSerialNumber(const std::string& serialNumber) { SetText(serialNumber); }
};

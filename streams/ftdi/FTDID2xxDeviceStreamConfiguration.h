#pragma once
// The settings of an FTDI chip reached through the D2XX library: its serial
// number, table "FTDID2xx", key "SerialNumber".
#include <string>

#include "streams/DeviceStreamConfiguration.h"

class FTDID2xxDeviceStreamConfiguration : public DeviceStreamConfiguration {
public:
  static constexpr const char* kTypeName = "USB_D2xx";
  static constexpr const char* kTable = "FTDID2xx";
  static constexpr const char* kPanelName = "USBConfiguration";

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  ValidatorBasedPanel* CreateConfigurationPanel() override;
  std::string ConfigurationPanelName() const override { return kPanelName; }
  std::string GetStreamTypeName() const override { return kTypeName; }
  std::string GetCommunicationFamily() const override { return "USB"; }
  // "USB_D2xx:" and the serial number.
  std::string GetIDString() const override { return "USB_D2xx:" + serialNumber_; }
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;

  const std::string& GetSerialNumber() const { return serialNumber_; }
  void SetSerialNumber(const std::string& serialNumber) { serialNumber_ = serialNumber; }

private:
  std::string serialNumber_;
};

#pragma once
// The settings of an RSIB instrument: its LAN address (host name or IPv4
// text), saved in the tables "0" and "RSIB" inside the manager's "Stream
// Config" (the section "Stream Config.0.RSIB"), key "Address".
#include <string>

#include "streams/DeviceStreamConfiguration.h"

class RSIBDeviceStreamConfig : public DeviceStreamConfiguration {
public:
  static constexpr const char* kTypeName = "RSIB";
  static constexpr const char* kPanelName = "RSIBConfiguration";
  static constexpr const char* kDefaultAddress = "192.168.0.10";

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  ValidatorBasedPanel* CreateConfigurationPanel() override;
  std::string ConfigurationPanelName() const override { return kPanelName; }
  std::string GetStreamTypeName() const override { return kTypeName; }
  std::string GetCommunicationFamily() const override { return "RSIB"; }
  // "RSIB:" and the address, e.g. RSIB:192.168.0.10.
  std::string GetIDString() const override { return "RSIB:" + address_; }
  // The texts of the RSIB statuses (the stream is gone after a failed connect).
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;

  const std::string& GetAddress() const { return address_; }
  void SetAddress(const std::string& address) { address_ = address; }

private:
  std::string address_ = kDefaultAddress;
};

#pragma once
// The settings of an instrument on an FTDI virtual COM port, found by its
// identifier (eight dot-separated numbers): table "USBDeviceStream", key
// "DeviceID".
#include <string>

#include "streams/DeviceStreamConfiguration.h"

class USBDeviceStreamConfiguration : public DeviceStreamConfiguration {
public:
  static constexpr const char* kTypeName = "USB";
  static constexpr const char* kTable = "USBDeviceStream";
  static constexpr const char* kPanelName = "USBConfiguration";
  static constexpr const char* kDefaultDeviceID = "1.0.0.0.0.0.0.0";

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  ValidatorBasedPanel* CreateConfigurationPanel() override;
  std::string ConfigurationPanelName() const override { return kPanelName; }
  std::string GetStreamTypeName() const override { return kTypeName; }
  std::string GetCommunicationFamily() const override { return "USB"; }
  // "USB:" and the identifier.
  std::string GetIDString() const override { return "USB:" + deviceID_; }
  // The texts of the USB statuses (the stream is gone after a failed connect).
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;

  const std::string& GetDeviceID() const { return deviceID_; }
  void SetDeviceID(const std::string& id) { deviceID_ = id; }

private:
  std::string deviceID_ = kDefaultDeviceID;
};

#pragma once
// The settings of a GPIB instrument (stream type "GPIB"): the older layer's
// GPIB settings (board, addresses, wait, clear, re-address) under the same
// keys in the table "GPIB", edited in the older layer's "GPIBConfiguration"
// panel. The default instrument is board 0, primary address 1.
#include "legacy/NI488GPIBConfiguration.h"
#include "streams/DeviceStreamConfiguration.h"

class NIGPIBDeviceStreamConfiguration : public DeviceStreamConfiguration, public NI488GPIBConfiguration {
public:
  static constexpr const char* kTypeName = "GPIB";
  static constexpr const char* kPanelName = "GPIBConfiguration";
  static constexpr int kDefaultPrimaryAddress = 1;

  NIGPIBDeviceStreamConfiguration() : NI488GPIBConfiguration(GPIB0, kDefaultPrimaryAddress, 0) {}

  // The older layer's keys, then nothing of its own.
  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status ShowConfigurationDialog(uint32_t hostContext) override;
  ValidatorBasedPanel* CreateConfigurationPanel() override;
  std::string ConfigurationPanelName() const override { return kPanelName; }
  std::string GetStreamTypeName() const override { return kTypeName; }
  std::string GetCommunicationFamily() const override { return "GPIB"; }
  // "GPIB", the board, ":" and the primary address, then ":" and the
  // secondary address when there is one: GPIB0:5, GPIB1:7:96. Both GPIB
  // stream types name an instrument alike, so they share its lock.
  std::string GetIDString() const override;

  // The device clear when the instrument is opened ("Clear").
  bool HasClearDeviceRegistration() const override { return true; }
  bool GetClearDeviceRegistration() const override { return GetClear(); }
  void SetClearDeviceRegistration(bool registered) override { SetClear(registered); }
};

// The same settings for an instrument driven through service requests
// (stream type "CompliantGPIB").
class NICompliantGPIBDeviceStreamConfiguration : public NIGPIBDeviceStreamConfiguration {
public:
  static constexpr const char* kTypeName = "CompliantGPIB";
  std::string GetStreamTypeName() const override { return kTypeName; }
};

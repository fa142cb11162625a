#pragma once
// The settings of the manual transport (stream type "Manual"): there are
// none. All manual configurations are equal and name one instrument, the
// operator ("MANUAL"), so every manual stream shares one lock.
#include "streams/DeviceStreamConfiguration.h"

class ManualDeviceStreamConfiguration : public DeviceStreamConfiguration {
public:
  static constexpr const char* kTypeName = "Manual";
  static constexpr const char* kPanelName = "NoConfig";
  static constexpr const char* kNothingToConfigure = "This Device Driver cannot be configured";

  // Tells the operator that there is nothing to configure.
  Status ShowConfigurationDialog(uint32_t hostContext) override;
  // An empty panel.
  ValidatorBasedPanel* CreateConfigurationPanel() override;
  std::string ConfigurationPanelName() const override { return kPanelName; }
  std::string GetStreamTypeName() const override { return kTypeName; }
  std::string GetCommunicationFamily() const override { return "Manual"; }
  std::string GetIDString() const override { return "MANUAL"; }

  bool operator<(const ManualDeviceStreamConfiguration&) const { return false; }
};

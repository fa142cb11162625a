#pragma once
// The settings panel of an RSIB instrument ("RSIBConfiguration"): the
// address ("ID_RSIBADDRESS").
#include "dialogs/ValidatorSupport.h"

class RSIBDeviceStreamConfig;

class DeviceStreamConfigurationRSIBConfigurationDialog : public ValidatorBasedPanel {
public:
  static constexpr const char* kAddressId = "ID_RSIBADDRESS";

  explicit DeviceStreamConfigurationRSIBConfigurationDialog(RSIBDeviceStreamConfig* configuration)
      : configuration_(configuration) {}

protected:
  void BindControls() override;

private:
  RSIBDeviceStreamConfig* configuration_;
};

#pragma once
// The settings panel of a network transport: the address text ("txtAddress").
#include "dialogs/ValidatorSupport.h"

class NetworkBasedDeviceStreamConfig;

class NetworkBasedDeviceStreamConfigPanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kAddressId = "txtAddress";

  explicit NetworkBasedDeviceStreamConfigPanel(NetworkBasedDeviceStreamConfig* configuration)
      : configuration_(configuration) {}

protected:
  void BindControls() override;

private:
  NetworkBasedDeviceStreamConfig* configuration_;
};

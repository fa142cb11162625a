#pragma once
// The "GPIBConfiguration" panel: board, addresses, minimum wait and the
// clear and re-address switches of a legacy GPIB configuration.
#include "dialogs/ValidatorSupport.h"

class NI488GPIBConfiguration;

class GPIBConfigurationPanel : public ValidatorBasedPanel {
public:
  explicit GPIBConfigurationPanel(NI488GPIBConfiguration* configuration) : configuration_(configuration) {}

protected:
  void BindControls() override;

private:
  NI488GPIBConfiguration* configuration_;
};

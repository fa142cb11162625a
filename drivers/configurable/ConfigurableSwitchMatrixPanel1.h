#pragma once
// Page "Custom 1" of the configurable switch matrix: the configurable
// driver's commands plus the command lists for and after the test (one
// command per line) and whether a reply is read after each of them.
#include "drivers/configurable/ConfigurableDeviceDriverPanel.h"

class ConfigurableSwitchMatrix;

class ConfigurableSwitchMatrixPanel1 : public ConfigurableDeviceDriverPanel {
public:
  explicit ConfigurableSwitchMatrixPanel1(ConfigurableSwitchMatrix* matrix);

protected:
  void BindControls() override;

private:
  ConfigurableSwitchMatrix* matrix_;
};

#pragma once
// The page of a configurable driver's commands: whether they are sent, the
// reset, identification, init and de-init commands, the expected
// identification, waiting for completion and the time-out.
#include "dialogs/ValidatorSupport.h"

class ConfigurableDeviceDriver;

class ConfigurableDeviceDriverPanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kXrcName = "ConfigurableDeviceDriverPanel";
  static constexpr const char* kTitle = "Commands";

  explicit ConfigurableDeviceDriverPanel(ConfigurableDeviceDriver* driver) : driver_(driver) {}

protected:
  void BindControls() override;

private:
  ConfigurableDeviceDriver* driver_;
};

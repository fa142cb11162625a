#pragma once
// The settings panel of a serial instrument ("RS232StreamConfiguration"):
// port, parity, baud rate (one of the standard rates), data bits, stop bits,
// the send and receive termination and whether a line end ends an answer.
#include "dialogs/ValidatorSupport.h"

class RS232DeviceStreamConfiguration;

class RS232DSConfigurationDialog : public ValidatorBasedPanel {
public:
  static constexpr int kLargestListedPort = 256;

  explicit RS232DSConfigurationDialog(RS232DeviceStreamConfiguration* configuration)
      : configuration_(configuration) {}

protected:
  void BindControls() override;

private:
  RS232DeviceStreamConfiguration* configuration_;
};

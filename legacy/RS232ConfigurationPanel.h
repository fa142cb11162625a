#pragma once
// The "RS232Configuration" panel: COM port, parity, baud rate (only the
// standard rates), data bits and stop bits of a legacy serial configuration.
#include "dialogs/ValidatorSupport.h"

class RS232Configuration;

class RS232ConfigurationPanel : public ValidatorBasedPanel {
public:
  static constexpr int kLargestListedPort = 256;

  explicit RS232ConfigurationPanel(RS232Configuration* configuration) : configuration_(configuration) {}

protected:
  void BindControls() override;

private:
  RS232Configuration* configuration_;
};

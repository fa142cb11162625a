#pragma once
// The Wattex switch: a configurable switch matrix whose device answers the
// frequency and forward-power commands; that answer is read and dropped so
// that it never stands in front of a later reply. Without a command (none
// configured) nothing is read.
#include "drivers/configurable/ConfigurableSwitchMatrix.h"

class WattexSwitch : public ConfigurableSwitchMatrix {
public:
  static constexpr const char* kPendingAnswerPattern = ".*";

  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
};

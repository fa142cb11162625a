#pragma once
// The settings every stream carries: terminators, time-out and the minimum
// gap between exchanges. A plain value; streams hand out copies.
#include <string>

#include "framework/CommunicationDelayer.h"

struct DeviceStreamSettings {
  std::string receiveTermination = "\n";
  bool receiveTerminationEnabled = true;
  std::string sendTermination = "\n";
  bool sendTerminationEnabled = true;
  double timeoutSeconds = 10.0;
  CommunicationDelayer delayer;

  // The receive terminator when it is enabled and not empty, else empty.
  const std::string& ActiveReceiveTermination() const {
    static const std::string none;
    return receiveTerminationEnabled ? receiveTermination : none;
  }
};

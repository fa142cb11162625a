#pragma once
// A decorator that takes the stream lock (with the stream's time-out) around
// every single Write and Read, for drivers whose each transfer must be locked.
#include "streams/DeviceStreamBaseDecorator.h"

class DeviceStreamAutoLockingDecorator : public DeviceStreamBaseDecorator {
public:
  using DeviceStreamBaseDecorator::DeviceStreamBaseDecorator;

  Status Write(uint32_t hostContext, const std::string& text, bool waitForOperationComplete) override;
  Status Read(uint32_t hostContext, std::string& text, size_t count) override;
};

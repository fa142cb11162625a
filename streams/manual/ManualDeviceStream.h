#pragma once
// The manual transport (stream type "Manual"): no instrument is connected;
// every command a driver writes is shown to the operator as an instruction
// in the message box "Manual instructions", and the write returns when the
// operator has closed it. Without a display, or with SWMATRIX_MESSAGEBOX
// set, the box does not wait: the instruction is printed to standard error
// and logged. Nothing can be read (0x300000CB).
#include <mutex>

#include "streams/DeviceStream.h"

class ManualDeviceStream : public DeviceStream {
public:
  static constexpr const char* kTitle = "Manual instructions";

  Status Connect(uint32_t hostContext, const DeviceStreamConfigurationPtr& configuration, StreamUser user) override;
  Status Disconnect(uint32_t hostContext, StreamUser user) override;
  Status Write(uint32_t hostContext, const std::string& text, bool waitForOperationComplete) override;

private:
  std::mutex writeLock_;
};

#pragma once
// An instrument reached through VISA (stream type "VISA"), through the older
// layer's VISA object and the VISA library it loads. Connect opens the
// configured resource (a LAN resource first as HiSLIP when that is tried,
// then as configured); a write sends the command with the send terminator;
// a read collects answers up to the count or the receive terminator within
// the stream's time-out, and one that runs out of time returns 0x3000012E
// with what came.
#include <mutex>
#include <string>

#include "legacy/Visa.h"
#include "streams/DeviceStream.h"
#include "streams/visa/VISADeviceStreamConfiguration.h"

class VISADeviceStream : public DeviceStream {
public:
  ~VISADeviceStream() override;

  Status Connect(uint32_t hostContext, const DeviceStreamConfigurationPtr& configuration, StreamUser user) override;
  Status Disconnect(uint32_t hostContext, StreamUser user) override;
  bool IsConnected() override;
  Status SetTimeout(uint32_t hostContext, double seconds) override;
  Status Write(uint32_t hostContext, const std::string& text, bool waitForOperationComplete) override;
  Status Read(uint32_t hostContext, std::string& text, size_t count) override;
  // Device clear (viClear).
  Status ClearDevice(uint32_t hostContext) override;
  // Texts of VISA statuses (the library's description) and of the VISA layer's own codes.
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;

  // The resource that is open ("" while closed).
  std::string OpenResource() const;
  const Visa& Session() const { return visa_; }

private:
  Status Open(const VISADeviceStreamConfiguration& configuration);

  Visa visa_;
  mutable std::recursive_mutex visaLock_;
};

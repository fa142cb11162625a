#pragma once
// An instrument reached through VISA (stream type "VISA"), through the older
// layer's VISA object and the VISA library it loads. Connect opens the
// configured resource (a LAN resource first as HiSLIP when that is tried,
// then as configured); a write sends the command with the send terminator;
// a read collects answers up to the count or the receive terminator within
// the stream's time-out, and one that runs out of time returns 0x3000012E
// with what came. A raw socket or serial session marks no end of message:
// its reads end at the termination character, which the stream sets from
// the last character of its receive terminator (none while that is off).
#include <mutex>
#include <optional>
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
  // Drops input that arrived and was not read (a late answer).
  Status ClearInputBuffers(uint32_t hostContext) override;
  // Device clear (viClear).
  Status ClearDevice(uint32_t hostContext) override;
  // Texts of VISA statuses (the library's description) and of the VISA layer's own codes.
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;

  // The resource that is open ("" while closed).
  std::string OpenResource() const;
  const Visa& Session() const { return visa_; }

private:
  Status Open(const VISADeviceStreamConfiguration& configuration);
  // Sets the session's termination character from the receive terminator
  // when it changed since the last time.
  Status ApplyReceiveTermination();

  Visa visa_;
  std::optional<std::string> appliedTermination_;
  mutable std::recursive_mutex visaLock_;
};

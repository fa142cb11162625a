#pragma once
// An instrument on an FTDI virtual COM port (stream type "USB"), found by
// its identifier instead of a port number: the first user's Connect asks
// every FTDI port found in sysfs for its identifier (USBZEVODeviceFinder)
// and connects an embedded serial stream to the device path of the one that
// matches. Every other operation is the serial stream's. The stream's own
// lock is named after "USB:" and the identifier and is taken before the
// serial port's.
#include <memory>

#include "streams/DeviceStream.h"
#include "streams/EmbeddedDeviceStreamMixIn.h"
#include "streams/rs232/RS232DeviceStream.h"

class USBDeviceStream : public EmbeddedDeviceStreamMixIn<DeviceStream, RS232DeviceStream> {
public:
  ~USBDeviceStream() override;

  Status Connect(uint32_t hostContext, const DeviceStreamConfigurationPtr& configuration, StreamUser user) override;
  Status Disconnect(uint32_t hostContext, StreamUser user) override;
  bool IsConnected() override;
  bool IsReady() override { return IsConnected() && UserCount() == 1; }
  Status Lock(uint32_t hostContext, double seconds) override;
  Status Unlock(uint32_t hostContext) override;
  Status Write(uint32_t hostContext, const std::string& text, bool waitForOperationComplete) override;
  Status Read(uint32_t hostContext, std::string& text, size_t count) override;
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;
  // The text of a status of this transport; empty for others.
  static std::string ErrorText(Status code);

  // The device path the instrument was found at (empty before).
  const std::string& DevicePath() const { return devicePath_; }

private:
  void CloseEmbedded(uint32_t hostContext);
  StreamUser SelfKey() const { return reinterpret_cast<StreamUser>(this); }

  std::string devicePath_;
};

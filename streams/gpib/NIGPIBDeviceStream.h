#pragma once
// A GPIB instrument (stream type "GPIB") through the older layer's GPIB
// device object and the NI-488.2 library it loads. Connect opens the
// instrument by the configuration's board and addresses; a write goes out
// as one bus message with the send terminator; a read collects answers up
// to the count or the receive terminator within the stream's time-out.
//
// The library's time-outs come in steps (1 ms to 1000 s): a read waits in
// the longest step that still fits into the time left and tries again while
// time is left, so that a silent instrument ends the read after the stream's
// time-out, not after the next longer step. A read that ran out of time
// returns 0x3000012E with what came, as on the other transports.
#include <memory>
#include <mutex>
#include <string>

#include "legacy/NI488GPIB.h"
#include "streams/DeviceStream.h"
#include "streams/gpib/NIGPIBDeviceStreamConfiguration.h"

class NIGPIBDeviceStream : public DeviceStream {
public:
  NIGPIBDeviceStream();
  ~NIGPIBDeviceStream() override;

  Status Connect(uint32_t hostContext, const DeviceStreamConfigurationPtr& configuration, StreamUser user) override;
  Status Disconnect(uint32_t hostContext, StreamUser user) override;
  bool IsConnected() override;
  Status SetTimeout(uint32_t hostContext, double seconds) override;
  Status Write(uint32_t hostContext, const std::string& text, bool waitForOperationComplete) override;
  Status Read(uint32_t hostContext, std::string& text, size_t count) override;
  // Selected device clear.
  Status ClearDevice(uint32_t hostContext) override;
  // Serial poll.
  Status ReadStatusByte(uint32_t hostContext, uint8_t* statusByte) override;
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;

  const NI488GPIB& Device() const { return *device_; }
  // The longest time-out step (1 to 17) that lasts at most the milliseconds; 0 when none does.
  static int TimeoutCodeWithin(uint32_t milliseconds);

protected:
  explicit NIGPIBDeviceStream(std::unique_ptr<NI488GPIB> device);
  // Sends the command: with the operation-complete wait, ";*OPC?" is added
  // and its answer read and dropped.
  virtual Status Send(uint32_t hostContext, const std::string& text, bool waitForOperationComplete);
  // The type name of the configurations this stream accepts.
  virtual bool Accepts(const DeviceStreamConfiguration& configuration) const;
  // Sets the library's time-out step when it differs from the current one.
  Status UseTimeoutCode(int code);

  std::unique_ptr<NI488GPIB> device_;
  std::recursive_mutex deviceLock_;
};

// A GPIB instrument driven through service requests (stream type
// "CompliantGPIB"): opening enables them in the instrument, and a write that
// waits for the operation to complete waits for the instrument's service
// request instead of reading the answer of "*OPC?".
class NI4882CompliantGPIBDeviceStream : public NIGPIBDeviceStream {
public:
  NI4882CompliantGPIBDeviceStream();

protected:
  Status Send(uint32_t hostContext, const std::string& text, bool waitForOperationComplete) override;
  bool Accepts(const DeviceStreamConfiguration& configuration) const override;
};

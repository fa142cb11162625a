#pragma once
// An instrument reached through the RSIB library (stream type "RSIB"). The
// first user opens the instrument at the configured address and enables
// its service request on the event-status and message-available summaries
// ("*SRE" with the enable mask OR 48) and operation complete in the event
// status register ("*ESE 1"); the last user disables both and closes it. A
// write may wait for the operation to complete: "*OPC", then service
// requests are waited for and "*ESR?" asked until its bit 0 is set, within
// the stream's time-out. Reads and waits use the stream's time-out, which
// the library takes in whole seconds (rounded up, 1 to 32767); a read takes
// at most the count asked for (RSDLLilrd), the rest of a longer answer stays
// for the next read. Calls into the library run under a local lock.
#include <memory>
#include <mutex>
#include <string>

#include "streams/DeviceStream.h"
#include "streams/rsib/RSIBDllWrapper.h"

class RSIBDeviceStream : public DeviceStream {
public:
  static constexpr int kSummaryBits = 48;  // event status (32) and message available (16)
  static constexpr size_t kLargestRead = 16u << 20;

  explicit RSIBDeviceStream(std::shared_ptr<RSIBDllWrapper> wrapper = RSIBDllWrapper::Shared());
  ~RSIBDeviceStream() override;

  Status Connect(uint32_t hostContext, const DeviceStreamConfigurationPtr& configuration, StreamUser user) override;
  Status Disconnect(uint32_t hostContext, StreamUser user) override;
  bool IsConnected() override { return ConnectedFlag(); }
  Status SetTimeout(uint32_t hostContext, double seconds) override;
  Status Write(uint32_t hostContext, const std::string& command, bool waitForOperationComplete) override;
  Status Read(uint32_t hostContext, std::string& answer, size_t count) override;
  // Device clear (RSDLLibclr).
  Status ClearDevice(uint32_t hostContext) override;
  // Serial poll (RSDLLibrsp).
  Status ReadStatusByte(uint32_t hostContext, uint8_t* statusByte) override;
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;
  // The text of a status of this transport; empty for others.
  static std::string ErrorText(Status code);

  // Further service request enable bits, sent with the summary bits at connect.
  void SetServiceRequestEnableMask(int mask) { serviceRequestMask_ = mask; }
  int GetServiceRequestEnableMask() const { return serviceRequestMask_; }

private:
  // One library call under the local lock; fills result and the last system error.
  template <class Call>
  RSIBDllWrapper::Result Invoke(Call&& call);
  Status SendText(const std::string& text);
  Status ApplyTimeout(double seconds);
  Status WaitForOperationComplete();
  Status CloseInstrument();

  std::shared_ptr<RSIBDllWrapper> wrapper_;
  std::recursive_mutex localLock_;
  short handle_ = -1;
  int serviceRequestMask_ = 0;
};

#pragma once
// An FTDI chip in its synchronous serial engine (MPSSE) mode, through the
// D2XX library (stream type "USB_D2xx"). The first user opens the chip by
// its serial number and runs the engine's set-up and synchronisation
// (FTD2xxBase::OpenDevice); a failure leaves the stream closed. The stream
// passes bytes through unchanged: a write sends the text as engine
// commands (no terminator is added, and there is no operation-complete
// query), a read returns what the engine answered, ending at the count, at
// a pause of kQuietMs after the last byte, or at the time-out.
#include <mutex>

#include "streams/DeviceStream.h"
#include "streams/ftdi/FTD2xxBase.h"

class FTDID2xxDeviceStream : public DeviceStream {
public:
  static constexpr uint32_t kQuietMs = 10;

  explicit FTDID2xxDeviceStream(std::shared_ptr<FTD2xxLibrary> library = FTD2xxLibrary::Shared())
      : chip_(std::move(library)) {}
  ~FTDID2xxDeviceStream() override;

  Status Connect(uint32_t hostContext, const DeviceStreamConfigurationPtr& configuration, StreamUser user) override;
  Status Disconnect(uint32_t hostContext, StreamUser user) override;
  bool IsConnected() override;
  Status Write(uint32_t hostContext, const std::string& text, bool waitForOperationComplete) override;
  Status Read(uint32_t hostContext, std::string& text, size_t count) override;
  Status ClearInputBuffers(uint32_t hostContext) override;
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;

private:
  std::recursive_mutex chipLock_;
  FTD2xxBase chip_;
};

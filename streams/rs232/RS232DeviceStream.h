#pragma once
// A serial instrument (stream type "RS-232"), through the older layer's
// serial port object (RS232DeviceDriver): the stream hands it the port
// settings, adds the termination characters to commands, reads up to the
// stream's receive terminator within the stream's time-out, and can share
// the port with other programs by opening it only from Lock to Unlock.
//
// Locks are taken in the order stream lock (named after the port), then the
// port object's own lock; Unlock releases them the other way round. Calls
// into the port object run under a local lock of the stream.
#include <mutex>
#include <string>

#include "legacy/RS232DeviceDriver.h"
#include "streams/DeviceStream.h"
#include "streams/rs232/RS232DeviceStreamConfiguration.h"

class RS232DeviceStream : public DeviceStream {
public:
  ~RS232DeviceStream() override;

  Status Connect(uint32_t hostContext, const DeviceStreamConfigurationPtr& configuration, StreamUser user) override;
  Status Disconnect(uint32_t hostContext, StreamUser user) override;
  bool IsConnected() override;
  Status Lock(uint32_t hostContext, double seconds) override;
  Status Unlock(uint32_t hostContext) override;
  Status SetTimeout(uint32_t hostContext, double seconds) override;
  Status Write(uint32_t hostContext, const std::string& text, bool waitForOperationComplete) override;
  Status Read(uint32_t hostContext, std::string& text, size_t count) override;
  Status ClearInputBuffers(uint32_t hostContext) override;
  Status ClearOutputBuffers(uint32_t hostContext) override;
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;

  // The text a command goes out as: the operation-complete query when asked
  // for, the stream's send terminator when enabled, then the send termination option.
  static std::string Terminated(const std::string& text, bool waitForOperationComplete,
                                const DeviceStreamSettings& settings, CommunicationTerminationOption option);

  // Whether the port object has the port open (with sharing: only during an exchange).
  bool PortOpen() const;
  const RS232DeviceDriver& Port() const { return port_; }

private:
  Status OpenPort();
  Status ClosePort();
  bool Sharing() const { return values_.GetCOMPortSharing(); }

  RS232DeviceDriver port_;
  RS232DeviceStreamConfiguration values_;  // the settings taken at Connect
  mutable std::recursive_mutex portLock_;
  // Per Lock that opened the shared port: whether it did, so Unlock closes it again.
  std::vector<bool> openedByLock_;
};

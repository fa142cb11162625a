#pragma once
// The driver side of a device stream: the operations a driver uses to talk
// to its instrument. Every operation here answers kNotSupportedByClient; the
// client stack (DeviceStreamClientWithStreamBase) forwards them to the
// stream it embeds.
#include <cstdint>
#include <string>

#include "streams/DeviceStreamConfigurationManager.h"
#include "streams/DeviceStreamSeparatedReadWrite.h"

class DeviceStreamClient {
public:
  using DeviceStreamConfigurationManager = ::DeviceStreamConfigurationManager;

  DeviceStreamClient() = default;
  virtual ~DeviceStreamClient() = default;
  DeviceStreamClient(const DeviceStreamClient&) = delete;
  DeviceStreamClient& operator=(const DeviceStreamClient&) = delete;

  virtual Status Connect(uint32_t, const DeviceStreamConfigurationPtr&, StreamUser) { return Unsupported(); }
  virtual Status Disconnect(uint32_t, StreamUser) { return Unsupported(); }
  virtual Status Lock(uint32_t, double) { return Unsupported(); }
  virtual Status Unlock(uint32_t) { return Unsupported(); }
  virtual bool IsConnected() { return false; }
  virtual bool IsReady() { return false; }
  virtual Status ClearInputBuffers(uint32_t) { return Unsupported(); }
  virtual Status ClearOutputBuffers(uint32_t) { return Unsupported(); }
  virtual Status ClearDevice(uint32_t) { return Unsupported(); }
  virtual Status ReadStatusByte(uint32_t, uint8_t*) { return Unsupported(); }
  virtual Status SetOptions(uint32_t, uint32_t) { return Unsupported(); }
  virtual Status GetErrorString(uint32_t, Status, std::string&) { return 0; }
  virtual Status Write(uint32_t, const std::string&, bool) { return Unsupported(); }
  virtual Status Read(uint32_t, std::string&, size_t) { return Unsupported(); }
  virtual DeviceStreamSettings GetStreamSettings() { return {}; }
  virtual void SetStreamSettings(const DeviceStreamSettings&) {}
  virtual Status SetSendTermination(uint32_t, const std::string&, bool) { return Unsupported(); }
  virtual Status SetReceiveTermination(uint32_t, const std::string&, bool) { return Unsupported(); }
  virtual Status SetTimeout(uint32_t, double) { return Unsupported(); }
  virtual double GetTimeout(uint32_t) { return DeviceStreamSettings().timeoutSeconds; }
  virtual uint32_t GetCommunicationDelay() { return 0; }
  virtual Status SetCommunicationDelay(uint32_t) { return Unsupported(); }
  virtual uint32_t GetLastSystemError() { return 0; }
  virtual void InterruptWait() {}

private:
  static Status Unsupported() { return streamstatus::kNotSupportedByClient; }
};

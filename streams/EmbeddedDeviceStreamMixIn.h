#pragma once
// Implements every stream operation of T by forwarding it to an embedded
// stream of type D, held by shared pointer. Without an embedded stream the
// operations return kNoStream, IsConnected and IsReady are false and
// Disconnect succeeds; the stream settings are then kept here, so that they
// can be preset before a stream is embedded.
#include <memory>
#include <string>

#include "streams/DeviceStreamSeparatedReadWrite.h"

template <class T, class D>
class EmbeddedDeviceStreamMixIn : public T {
public:
  using T::T;

  void SetEmbeddedStream(std::shared_ptr<D> stream) { embedded_ = std::move(stream); }
  const std::shared_ptr<D>& GetEmbeddedStream() const { return embedded_; }

  virtual Status SetSendTermination(uint32_t c, const std::string& text, bool enabled) {
    return embedded_ ? embedded_->SetSendTermination(c, text, enabled) : streamstatus::kNoStream;
  }
  virtual Status SetReceiveTermination(uint32_t c, const std::string& text, bool enabled) {
    return embedded_ ? embedded_->SetReceiveTermination(c, text, enabled) : streamstatus::kNoStream;
  }
  virtual Status SetTimeout(uint32_t c, double seconds) {
    return embedded_ ? embedded_->SetTimeout(c, seconds) : streamstatus::kNoStream;
  }
  virtual double GetTimeout(uint32_t c) {
    return embedded_ ? embedded_->GetTimeout(c) : detached_.timeoutSeconds;
  }
  virtual uint32_t GetCommunicationDelay() {
    return embedded_ ? embedded_->GetCommunicationDelay() : detached_.delayer.GetDelay();
  }
  virtual Status SetCommunicationDelay(uint32_t microseconds) {
    return embedded_ ? embedded_->SetCommunicationDelay(microseconds) : streamstatus::kNoStream;
  }
  virtual Status Connect(uint32_t c, const DeviceStreamConfigurationPtr& configuration, StreamUser user) {
    return embedded_ ? embedded_->Connect(c, configuration, user) : streamstatus::kNoStream;
  }
  virtual Status Disconnect(uint32_t c, StreamUser user) {
    return embedded_ ? embedded_->Disconnect(c, user) : 0;
  }
  virtual bool IsConnected() { return embedded_ && embedded_->IsConnected(); }
  virtual Status Lock(uint32_t c, double seconds) {
    return embedded_ ? embedded_->Lock(c, seconds) : streamstatus::kNoStream;
  }
  virtual Status Unlock(uint32_t c) { return embedded_ ? embedded_->Unlock(c) : streamstatus::kNoStream; }
  virtual Status Write(uint32_t c, const std::string& text, bool waitForOperationComplete) {
    return embedded_ ? embedded_->Write(c, text, waitForOperationComplete) : streamstatus::kNoStream;
  }
  virtual Status Read(uint32_t c, std::string& text, size_t count) {
    return embedded_ ? embedded_->Read(c, text, count) : streamstatus::kNoStream;
  }
  virtual Status ClearInputBuffers(uint32_t c) {
    return embedded_ ? embedded_->ClearInputBuffers(c) : streamstatus::kNoStream;
  }
  virtual Status ClearOutputBuffers(uint32_t c) {
    return embedded_ ? embedded_->ClearOutputBuffers(c) : streamstatus::kNoStream;
  }
  virtual Status ClearDevice(uint32_t c) {
    return embedded_ ? embedded_->ClearDevice(c) : streamstatus::kNoStream;
  }
  virtual uint32_t GetLastSystemError() { return embedded_ ? embedded_->GetLastSystemError() : 0; }
  virtual Status ReadStatusByte(uint32_t c, uint8_t* statusByte) {
    return embedded_ ? embedded_->ReadStatusByte(c, statusByte) : streamstatus::kNoStream;
  }
  virtual Status SetOptions(uint32_t c, uint32_t options) {
    return embedded_ ? embedded_->SetOptions(c, options) : streamstatus::kNoStream;
  }
  virtual Status GetErrorString(uint32_t c, Status code, std::string& text) {
    return embedded_ ? embedded_->GetErrorString(c, code, text) : streamstatus::kNoStream;
  }
  virtual void InterruptWait() {
    if (embedded_) embedded_->InterruptWait();
  }
  virtual DeviceStreamSettings GetStreamSettings() {
    return embedded_ ? embedded_->GetStreamSettings() : detached_;
  }
  virtual void SetStreamSettings(const DeviceStreamSettings& settings) {
    if (embedded_)
      embedded_->SetStreamSettings(settings);
    else
      detached_ = settings;
  }
  virtual bool IsReady() { return embedded_ && embedded_->IsReady(); }

private:
  std::shared_ptr<D> embedded_;
  DeviceStreamSettings detached_;
};

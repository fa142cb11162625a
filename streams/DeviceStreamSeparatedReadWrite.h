#pragma once
// The abstract device stream: one connection to one instrument over one
// transport. Transports override the operations they support; the others
// keep the defaults below. The stream keeps the set of its users (drivers
// sharing it), its settings, and the named lock that serialises exchanges
// across drivers, threads and processes.
#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <string>

#include "framework/Mutex.h"
#include "streams/DeviceStreamConfiguration.h"
#include "streams/DeviceStreamSettings.h"
#include "streams/DeviceStreamStatus.h"

// An opaque, non-zero key of a stream user (usually the client's address).
using StreamUser = uintptr_t;

class DeviceStreamSeparatedReadWrite {
public:
  DeviceStreamSeparatedReadWrite() = default;
  virtual ~DeviceStreamSeparatedReadWrite() = default;
  DeviceStreamSeparatedReadWrite(const DeviceStreamSeparatedReadWrite&) = delete;
  DeviceStreamSeparatedReadWrite& operator=(const DeviceStreamSeparatedReadWrite&) = delete;

  virtual Status SetSendTermination(uint32_t hostContext, const std::string& text, bool enabled);
  virtual Status SetReceiveTermination(uint32_t hostContext, const std::string& text, bool enabled);
  virtual Status SetTimeout(uint32_t hostContext, double seconds);
  virtual double GetTimeout(uint32_t hostContext);
  // The minimum gap between exchanges in microseconds.
  virtual uint32_t GetCommunicationDelay();
  virtual Status SetCommunicationDelay(uint32_t microseconds);
  virtual Status Connect(uint32_t hostContext, const DeviceStreamConfigurationPtr& configuration,
                         StreamUser user);
  virtual Status Disconnect(uint32_t hostContext, StreamUser user);
  virtual bool IsConnected();
  // Waits up to the seconds for the named lock (see Mutex::LockSeconds).
  virtual Status Lock(uint32_t hostContext, double seconds);
  virtual Status Unlock(uint32_t hostContext);
  virtual Status Write(uint32_t hostContext, const std::string& text, bool waitForOperationComplete);
  // Reads at most count characters into text (replacing its content).
  virtual Status Read(uint32_t hostContext, std::string& text, size_t count);
  virtual Status ClearInputBuffers(uint32_t hostContext);
  virtual Status ClearOutputBuffers(uint32_t hostContext);
  virtual Status ClearDevice(uint32_t hostContext);
  virtual uint32_t GetLastSystemError();
  virtual Status ReadStatusByte(uint32_t hostContext, uint8_t* statusByte);
  virtual Status SetOptions(uint32_t hostContext, uint32_t options);
  // Sets text for codes the transport knows; returns 0 and leaves text otherwise.
  virtual Status GetErrorString(uint32_t hostContext, Status code, std::string& text);
  // Interrupts a wait of the transport in progress (from another thread).
  virtual void InterruptWait() {}
  virtual DeviceStreamSettings GetStreamSettings();
  virtual void SetStreamSettings(const DeviceStreamSettings& settings);
  // Connected, and used by exactly one user.
  virtual bool IsReady();
  // Checks the object is set, the description is not empty and the object's
  // ID string equals it; each failure shows an assertion box and goes on.
  virtual bool VerifyCorrectConfigurationObject(const DeviceStreamConfigurationPtr& configuration,
                                                const std::string& objectIDDescription);

  size_t UserCount() const;
  bool HasUser(StreamUser user) const;
  std::wstring GetLockName() const { return lock_.GetName(); }
  uint32_t GetOptions() const { return options_; }

  // The assertion box: "Message:      %s\n\nFunction:   %s"; goes on after it.
  static void ShowAssertion(const std::string& message, const std::string& function);

protected:
  // Names the lock after the configuration's ID string (Mutex::StreamLockName).
  void SetLockName(const std::string& idString);
  // True when the user is not registered and no other user is.
  bool IsFirstUser(StreamUser user) const;
  void RegisterUser(StreamUser user);
  // Removes the user; returns the number of users left.
  size_t RemoveUser(StreamUser user);
  bool ConnectedFlag() const { return connected_; }
  void SetConnectedFlag(bool connected) { connected_ = connected; }
  void SetLastSystemError(uint32_t error) { lastSystemError_ = error; }
  const DeviceStreamSettings& Settings() const { return settings_; }
  DeviceStreamSettings& Settings() { return settings_; }

private:
  bool connected_ = false;
  mutable std::mutex usersLock_;
  std::set<StreamUser> users_;
  uint32_t lastSystemError_ = 0;
  DeviceStreamSettings settings_;
  Mutex lock_;
  uint32_t options_ = 0;
};

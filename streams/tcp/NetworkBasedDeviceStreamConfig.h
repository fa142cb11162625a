#pragma once
// The settings of a network transport: the address text the user typed,
// persisted under the transport's table, and the default server and port
// of the concrete transport that fill in what the text leaves out.
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "streams/DeviceStreamConfiguration.h"
#include "streams/tcp/NetworkAddress.h"

class NetworkBasedDeviceStreamConfig : public DeviceStreamConfiguration {
public:
  static constexpr const char* kPanelName = "dlgEthernetDeviceStreamConfiguration";

  NetworkBasedDeviceStreamConfig(std::string table, std::string idPrefix, std::string defaultServer,
                                 uint16_t defaultPort);

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  ValidatorBasedPanel* CreateConfigurationPanel() override;
  std::string ConfigurationPanelName() const override { return kPanelName; }
  std::string GetCommunicationFamily() const override { return "TCPIP"; }
  // The prefix of the transport and the address text, e.g. "ETHER:10.0.0.7:5025".
  std::string GetIDString() const override { return idPrefix_ + address_; }

  // What names the instrument's lock: the prefix, the server in lower case
  // and the port the address text stands for ("ETHER:10.0.0.7:5025" for
  // both "10.0.0.7:5025" and "tcpip://10.0.0.7:5025"), so that every text
  // of one instrument takes the same lock.
  std::string GetLockID() const;

  const std::string& GetAddress() const { return address_; }
  void SetAddress(const std::string& address) { address_ = address; }
  const std::string& GetDefaultServer() const { return defaultServer_; }
  uint16_t GetDefaultPort() const { return defaultPort_; }
  const std::string& GetTable() const { return table_; }
  // The server and port the address text stands for.
  NetworkAddress GetEffectiveAddress() const { return NetworkAddress::FromText(address_, defaultServer_, defaultPort_); }

  // Why the last connection made with these settings is not usable
  // ("server:port: why"; empty once one is). Kept here rather than in the
  // stream, so that the text of a failed check still names it after the
  // check released its stream.
  void SetNotConnectedReason(const std::string& reason);
  // The host call in which connecting with these settings last failed
  // (framework/HostCall.h): the same call does not try again.
  uint64_t FailedConnectCall() const { return failedConnectCall_; }
  void SetFailedConnectCall(uint64_t call) { failedConnectCall_ = call; }
  // The status line of the last HTTP reply outside 2xx ("HTTP 500 Internal
  // Server Error"), kept here for the same reason.
  void SetHttpStatusLine(const std::string& line);
  // "Ethernet not connected (server:port: why)" while a reason is known;
  // the HTTP status line for kHttpStatus.
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;

private:
  mutable std::mutex reasonLock_;  // the reason is asked without the stream's socket lock
  std::string notConnectedReason_;
  std::string httpStatusLine_;
  std::atomic<uint64_t> failedConnectCall_{0};
  std::string address_;
  std::string table_;
  std::string idPrefix_;
  std::string defaultServer_;
  uint16_t defaultPort_;
};

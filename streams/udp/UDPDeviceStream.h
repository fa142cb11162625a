#pragma once
// An instrument reached by datagrams (stream type "UDP"). The stream binds a
// local port (51456 unless set otherwise) on every local address; each
// command goes to the configured address as one datagram, and each read
// returns one datagram, or kReadTimedOut when none arrived in time. A
// datagram longer than the count gives kResponseTooLarge.
#include <cstdint>

#include "streams/tcp/NetworkBasedDeviceStream.h"

class UDPDeviceStream : public NetworkBasedDeviceStream {
public:
  static constexpr uint16_t kDefaultLocalPort = 51456;

  // The local port new streams bind (kDefaultLocalPort unless changed; 0
  // picks a free port, as tests running side by side need).
  static void SetDefaultLocalPort(uint16_t port);
  static uint16_t GetDefaultLocalPort();

  UDPDeviceStream();

  bool IsConnected() override;
  Status Write(uint32_t hostContext, const std::string& command, bool waitForOperationComplete) override;
  Status Read(uint32_t hostContext, std::string& answer, size_t count) override;
  Status ClearInputBuffers(uint32_t hostContext) override;
  Status InternalConnect() override;

  // The local port bound at the next connect (0: any free port).
  void SetLocalPort(uint16_t port) { localPort_ = port; }
  uint16_t GetLocalPort() const { return localPort_; }
  // The local port actually bound (0 when not connected).
  uint16_t BoundLocalPort();

protected:
  bool AcceptsConfiguration(const DeviceStreamConfiguration& configuration) const override;
  bool UsesReceiveWait() const override { return false; }

private:
  // The socket is open and no wait on it was interrupted.
  bool Usable() const;
  Status ReceiveDatagram(std::string& answer, size_t count, Clock::time_point deadline);

  uint16_t localPort_;
  wxIPV4address remote_;
  std::vector<char> datagram_;
};

#pragma once
// An instrument with a web interface (stream type "HTTP"): each command is
// one HTTP GET request on a connection of its own. Write sends
// "GET /command HTTP/1.1" and an empty line, collects the reply until it is
// complete (or the time-out passes), and waits for the server to close; the
// next Read returns the body, and a second Read kAllHttpDataRead. A reply
// that stopped early gives kReadTimedOut (server silent) or kReadError
// (connection closed) with the part of the body that came.
#include <string>

#include "streams/tcp/NetworkBasedDeviceStream.h"

class HTTPDeviceStream : public NetworkBasedDeviceStream {
public:
  static constexpr size_t kCollectCount = 500000;

  Status Connect(uint32_t hostContext, const DeviceStreamConfigurationPtr& configuration, StreamUser user) override;
  bool IsConnected() override;
  Status Write(uint32_t hostContext, const std::string& command, bool waitForOperationComplete) override;
  Status Read(uint32_t hostContext, std::string& answer, size_t count) override;

  // The request sent for a command to the server host ("server:port"):
  // the request line, "Host:" and "Connection: close".
  static std::string Request(const std::string& command, const std::string& host);
  // The whole reply of the last request.
  const std::string& LastReply() const { return reply_; }

protected:
  bool AcceptsConfiguration(const DeviceStreamConfiguration& configuration) const override;

private:
  // Reads until the reply is complete, the server closed or the deadline passed.
  Status CollectReply(Clock::time_point deadline);

  std::string reply_;
  Status replyStatus_ = 0;
  bool replyHandedOut_ = true;
};

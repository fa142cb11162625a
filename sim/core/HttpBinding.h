#pragma once
// An HTTP/1.1 server: each GET request is one command (its path without the
// leading '/', percent escapes decoded), answered with "200 OK" and the
// answer as body, then the connection is closed.
#include "sim/core/TcpListenerBinding.h"

namespace sim {

class HttpBinding : public TcpListenerBinding {
public:
  using TcpListenerBinding::TcpListenerBinding;

protected:
  void OnData(Client& client, std::string_view bytes) override;

private:
  void Answer(Client& client, const std::string& head);
  void SendStatus(Client& client, const std::string& status, const std::string& extraHeaders = "");
};

// The command of a request target: one leading '/' removed, %XX decoded.
std::string HttpTargetToCommand(std::string_view target);

}  // namespace sim

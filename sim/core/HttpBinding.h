#pragma once
// An HTTP/1.1 server: each GET request is one command (its path without the
// leading '/', percent escapes decoded), answered with "200 OK" and the
// answer as body, then the connection is closed. With "http-keep-alive" the
// connection stays open for further requests unless the request says
// "Connection: close"; with "http-require-host" a request without "Host:"
// gets "400 Bad Request".
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

// The value of a header of a request head (name compared without case), in
// lower case and without blanks around it; empty when it is missing.
std::string HeaderValue(const std::string& head, const std::string& name);

// The command of a request target: one leading '/' removed, %XX decoded.
std::string HttpTargetToCommand(std::string_view target);

}  // namespace sim

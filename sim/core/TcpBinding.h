#pragma once
// A raw TCP socket server: commands end at the read terminator, answers go
// back on the same connection.
#include "sim/core/TcpListenerBinding.h"

namespace sim {

class TcpBinding : public TcpListenerBinding {
public:
  using TcpListenerBinding::TcpListenerBinding;

protected:
  void OnData(Client& client, std::string_view bytes) override;
};

}  // namespace sim

#pragma once
// The client side of the control socket, for "swmsim ctl" and for tests.
#include <string>

namespace sim {

// Sends one request line and reads its answer line; false with an error
// text when the socket cannot be reached or does not answer in time.
bool SendControlRequest(const std::string& path, const std::string& request, std::string* answer,
                        std::string* error, int timeoutMs = 10000);

}  // namespace sim

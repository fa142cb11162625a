#pragma once
// The settings file of a HUBLINE4PORT card connected directly over TCP whose
// "during" set closes relays A to C.
#include <cstdint>
#include <fstream>
#include <string>

namespace bench {

inline bool WriteCardFile(const std::string& path, uint16_t port) {
  std::ofstream file(path);
  file << "[Stream Config]\nSelected=TCPIP\n[Stream Config.Ethernet]\nAddress=127.0.0.1:" << port
       << "\n[Common]\nCentreType=3\nCommunication=4\n"
          "[HublineSwitch]\nRelais1Start=1\nRelais2Start=1\nRelais3Start=1\n";
  return static_cast<bool>(file);
}

}  // namespace bench

#pragma once
// Where a simulated instrument can be reached.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

enum class TransportKind { kTcp, kUdp, kHttp, kPty, kGpib, kVisa, kVxi11, kHislip };

std::optional<TransportKind> ParseTransport(std::string_view word);
std::string_view TransportName(TransportKind transport);

struct Endpoint {
  TransportKind transport = TransportKind::kTcp;
  std::string host;      // TCP, UDP, HTTP, VXI-11, HiSLIP: always 127.0.0.1
  uint16_t port = 0;     // TCP, UDP, HTTP; VXI-11: the core channel
  std::string device;    // pseudo-terminal: the slave device (/dev/pts/N)
  std::string link;      // pseudo-terminal: the COMn link, empty without a ports directory
  int com = 0;           // pseudo-terminal: n of COMn, 0 without a link
  std::string resource;  // bus: the resource name (GPIB0::5::INSTR)
  std::string bus;       // bus: the socket of the simulated bus, empty when it does not listen

  // The text of the ready line after the transport name ("127.0.0.1:40123").
  std::string Describe() const;
};

}  // namespace sim

#pragma once
// VISA resource names: built from a GPIB address, an IP address or a serial
// port, and recognised again when a configuration is shown.
#include <cstddef>
#include <string>

class VisaResourceName {
public:
  enum class Kind { Serial, Gpib, Tcpip, Other };
  enum class Session { Instrument, Socket, HiSlip, Unknown };

  struct Parsed {
    Kind kind = Kind::Other;
    long number = 0;      // serial port or GPIB address
    std::string address;  // IP address
  };

  // VISA's buffers for a resource name hold 256 characters. A longer name (a
  // damaged file) is not parsed: the standard regular expressions recurse once
  // per character and would overflow the stack on very long texts.
  static constexpr size_t kLongestName = 256;

  // The address shown in an empty LAN field (a private one, never used by itself).
  static constexpr const char* kPlaceholderAddress = "192.168.0.100";

  static std::string Gpib(long address);               // "GPIB0::%li::INSTR"
  static std::string Tcpip(const std::string& address);  // "TCPIP0::%s::INSTR"
  static std::string Serial(long port);                // "ASRL%li::INSTR"
  static std::string SerialAlias(int port);            // "COM%i"
  // Sorts an existing name into its form by "^ASRL([0-9]+)::INSTR",
  // "^GPIB0::([0-9]+)::INSTR" and "^TCPIP[0-9]?::((?:[0-9]+\.){3}[0-9]+)::INSTR".
  static Parsed Classify(const std::string& resource);
  // A LAN resource (TCPIPn::...), of any session type.
  static bool IsTcpip(const std::string& resource);
  // The session type of the suffix: "::INSTR", "::SOCKET" or "::hislip".
  static Session SessionOf(const std::string& resource);
};

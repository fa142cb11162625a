#include "legacy/VisaResourceName.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <regex>

std::string VisaResourceName::Gpib(long address) {
  char text[48];
  std::snprintf(text, sizeof text, "GPIB0::%li::INSTR", address);
  return text;
}

std::string VisaResourceName::Tcpip(const std::string& address) { return "TCPIP0::" + address + "::INSTR"; }

std::string VisaResourceName::Serial(long port) {
  char text[48];
  std::snprintf(text, sizeof text, "ASRL%li::INSTR", port);
  return text;
}

std::string VisaResourceName::SerialAlias(int port) { return "COM" + std::to_string(port); }

VisaResourceName::Parsed VisaResourceName::Classify(const std::string& resource) {
  static const std::regex serial("^ASRL([0-9]+)::INSTR");
  static const std::regex gpib("^GPIB0::([0-9]+)::INSTR");
  static const std::regex tcpip(R"(^TCPIP[0-9]?::((?:[0-9]+\.){3}[0-9]+)::INSTR)");
  Parsed parsed;
  if (resource.size() > kLongestName) return parsed;
  std::smatch match;
  if (std::regex_search(resource, match, serial)) {
    parsed.kind = Kind::Serial;
    parsed.number = std::strtol(match[1].str().c_str(), nullptr, 10);
  } else if (std::regex_search(resource, match, gpib)) {
    parsed.kind = Kind::Gpib;
    parsed.number = std::strtol(match[1].str().c_str(), nullptr, 10);
  } else if (std::regex_search(resource, match, tcpip)) {
    parsed.kind = Kind::Tcpip;
    parsed.address = match[1].str();
  }
  return parsed;
}

bool VisaResourceName::IsTcpip(const std::string& resource) {
  std::string head = resource.substr(0, 5);
  for (char& c : head) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return head == "TCPIP";
}

VisaResourceName::Session VisaResourceName::SessionOf(const std::string& resource) {
  if (resource.ends_with("::INSTR")) return Session::Instrument;
  if (resource.ends_with("::SOCKET")) return Session::Socket;
  if (resource.find("::hislip") != std::string::npos) return Session::HiSlip;
  return Session::Unknown;
}

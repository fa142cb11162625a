#pragma once
// The address of a network instrument. The user's address text is read as a
// URI; the server and the port come from it when it has them, else from the
// transport's defaults. A text without a scheme ("10.0.0.7:5025") is read as
// if it began with "tcpip://". The effective address is written
// "tcpip://" + server + ":" + port.
#include <wx/socket.h>

#include <cstdint>
#include <string>

#include "framework/Status.h"

namespace networkstatus {
inline constexpr Status kNoServer = 0x300002D0;
inline constexpr Status kNoPort = 0x300002D1;
inline constexpr Status kUnsupportedHostType = 0x300002D2;
inline constexpr Status kNotConnected = 0x300002D3;
inline constexpr Status kWriteError = 0x300002D4;
inline constexpr Status kReadError = 0x300002D5;
inline constexpr Status kTimeout = 0x300002D6;
inline constexpr Status kAllHttpDataRead = 0x300002D7;
inline constexpr Status kCannotBind = 0x300002D8;
inline constexpr Status kSocketNotCreated = 0x300002D9;
inline constexpr Status kHttpStatus = 0x300002DA;  // a reply whose status is not 2xx
}  // namespace networkstatus

struct NetworkAddress {
  std::string server;
  uint16_t port = 0;

  // "tcpip://server:port".
  std::string Effective() const;

  // The effective address of an address text with the given defaults.
  static NetworkAddress FromText(const std::string& text, const std::string& defaultServer, uint16_t defaultPort);
  // Looks an effective address up: 0 and the socket address, or
  // kNoPort, kNoServer (also for a name that cannot be resolved) or
  // kUnsupportedHostType (IPv6 and other host forms).
  static Status Resolve(const std::string& effective, wxIPV4address& address);
};

#include "streams/tcp/NetworkAddress.h"

#include <wx/uri.h>

#include "logging/JournexEntry.h"

namespace {
wxString WithScheme(const std::string& text) {
  const wxString wide = wxString::FromUTF8(text);
  return wide.Contains("://") ? wide : "tcpip://" + wide;
}

// A port text that is a non-zero number of 16 bits, else 0.
uint16_t PortNumber(const wxString& text) {
  unsigned long port = 0;
  if (!text.ToULong(&port) || port == 0 || port > 65535) return 0;
  return static_cast<uint16_t>(port);
}

// The parts of an address that matter here. wxURI does not take IPv6 and
// future host forms in brackets apart, so those are split here.
struct Parts {
  wxString server;
  uint16_t port = 0;
  bool bracketed = false;  // an IPv6 or future host form
};

Parts Split(const std::string& text) {
  const wxString uriText = WithScheme(text);
  Parts parts;
  wxString authority = uriText.AfterFirst(':').Mid(2);
  authority = authority.BeforeFirst('/').BeforeFirst('?').BeforeFirst('#');
  if (authority.Contains("@")) authority = authority.AfterLast('@');
  if (authority.StartsWith("[")) {
    parts.bracketed = true;
    parts.server = authority.BeforeFirst(']') + "]";
    const wxString rest = authority.AfterFirst(']');
    if (rest.StartsWith(":")) parts.port = PortNumber(rest.Mid(1));
    return parts;
  }
  const wxURI uri(uriText);
  if (uri.HasServer()) parts.server = uri.GetServer();
  if (uri.HasPort()) parts.port = PortNumber(uri.GetPort());
  return parts;
}
}  // namespace

std::string NetworkAddress::Effective() const { return "tcpip://" + server + ":" + std::to_string(port); }

NetworkAddress NetworkAddress::FromText(const std::string& text, const std::string& defaultServer,
                                        uint16_t defaultPort) {
  NetworkAddress address{defaultServer, defaultPort};
  if (text.empty()) return address;
  const Parts parts = Split(text);
  if (!parts.server.empty()) address.server = parts.server.utf8_string();
  if (parts.port != 0) address.port = parts.port;
  return address;
}

Status NetworkAddress::Resolve(const std::string& effective, wxIPV4address& address) {
  const Parts parts = Split(effective);
  Status status = 0;
  if (parts.port == 0) {
    status = networkstatus::kNoPort;
  } else if (parts.server.empty()) {
    status = networkstatus::kNoServer;
  } else if (parts.bracketed) {
    status = networkstatus::kUnsupportedHostType;
  } else if (!address.Hostname(parts.server) || !address.Service(parts.port)) {
    status = networkstatus::kNoServer;
  }
  JournexEntry::Note("DetermineIPAddress", "NetworkBasedDeviceStream", status == 0 ? "Note" : "Error",
                     "DetermineIPAddress(" + effective + ")",
                     {{"server", parts.server}, {"port", static_cast<unsigned>(parts.port)}, {"Err", status}});
  return status;
}

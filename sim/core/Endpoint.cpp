#include "sim/core/Endpoint.h"

#include <strings.h>

#include <string>

namespace sim {
namespace {
const struct {
  TransportKind kind;
  const char* name;
} kTransports[] = {{TransportKind::kTcp, "tcp"}, {TransportKind::kUdp, "udp"},
                   {TransportKind::kHttp, "http"}, {TransportKind::kPty, "pty"},
                   {TransportKind::kGpib, "gpib"}, {TransportKind::kVisa, "visa"},
                   {TransportKind::kVxi11, "vxi11"}, {TransportKind::kHislip, "hislip"}};
}  // namespace

std::optional<TransportKind> ParseTransport(std::string_view word) {
  const std::string text(word);
  for (const auto& entry : kTransports)
    if (strcasecmp(text.c_str(), entry.name) == 0) return entry.kind;
  if (strcasecmp(text.c_str(), "serial") == 0) return TransportKind::kPty;
  return std::nullopt;
}

std::string_view TransportName(TransportKind transport) {
  for (const auto& entry : kTransports)
    if (entry.kind == transport) return entry.name;
  return "";
}

std::string Endpoint::Describe() const {
  switch (transport) {
    case TransportKind::kTcp:
    case TransportKind::kUdp:
    case TransportKind::kHttp:
    case TransportKind::kVxi11:
    case TransportKind::kHislip: return host + ":" + std::to_string(port);
    case TransportKind::kPty: return link.empty() ? device : link + " " + device;
    case TransportKind::kGpib:
    case TransportKind::kVisa: return bus.empty() ? resource : resource + " " + bus;
  }
  return "";
}

}  // namespace sim

#include "sim/core/InstrumentSettings.h"

#include <strings.h>

#include <cctype>
#include <charconv>

#include "sim/core/FamilyRegistry.h"

namespace sim {
namespace {

bool ParseNumber(const std::string& text, long min, long max, long* value) {
  const char* end = text.data() + text.size();
  const auto [ptr, error] = std::from_chars(text.data(), end, *value);
  return error == std::errc() && ptr == end && *value >= min && *value <= max;
}

bool ParseBool(const std::string& text, bool* value) {
  static const char* kTrue[] = {"1", "yes", "true", "on"};
  static const char* kFalse[] = {"0", "no", "false", "off"};
  for (const char* word : kTrue) {
    if (strcasecmp(text.c_str(), word) == 0) {
      *value = true;
      return true;
    }
  }
  for (const char* word : kFalse) {
    if (strcasecmp(text.c_str(), word) == 0) {
      *value = false;
      return true;
    }
  }
  return false;
}

const char* const kStartOnlyKeys[] = {"family",  "transport", "port",    "com",
                                      "board",   "address",   "secondary", "resource", "device"};

bool IsStartOnlyKey(const std::string& key) {
  for (const char* known : kStartOnlyKeys)
    if (key == known) return true;
  return false;
}

// The transport keys; false when the key is not one of them.
bool ApplyTransportKey(const std::string& key, const std::string& value,
                       InstrumentSettings* settings, std::string* error) {
  long number = 0;
  if (key == "port") {
    if (!ParseNumber(value, 0, 65535, &number)) *error = "bad port '" + value + "' (0 to 65535)";
    settings->port = static_cast<uint16_t>(number);
  } else if (key == "com") {
    if (!ParseNumber(value, 0, 255, &number)) *error = "bad COM number '" + value + "' (0 to 255)";
    settings->com = static_cast<int>(number);
  } else if (key == "board") {
    if (!ParseNumber(value, 0, 3, &number)) *error = "bad GPIB board '" + value + "' (0 to 3)";
    settings->board = static_cast<int>(number);
  } else if (key == "address") {
    if (!ParseNumber(value, 0, 30, &number))
      *error = "bad GPIB primary address '" + value + "' (0 to 30)";
    settings->primaryAddress = static_cast<int>(number);
  } else if (key == "secondary") {
    if (!ParseNumber(value, 0, 126, &number) || (number != 0 && number < 96))
      *error = "bad GPIB secondary address '" + value + "' (0 for none, or 96 to 126)";
    settings->secondaryAddress = static_cast<int>(number);
  } else if (key == "resource") {
    if (value.empty() || value.find_first_of(" \t") != std::string::npos)
      *error = "bad resource name '" + value + "'";
    settings->resource = value;
  } else if (key == "http-status") {
    // "500 Internal Server Error": every request is answered with this status and no body.
    const size_t digits = value.find_first_not_of("0123456789");
    if (!value.empty() && (digits == std::string::npos ? value.size() != 3 : digits != 3 || value[3] != ' '))
      *error = "http-status needs a code and its reason (\"500 Internal Server Error\"), not '" + value + "'";
    settings->httpStatus = value;
  } else if (key == "device") {
    if (value.empty() || value.find_first_of(" \t") != std::string::npos)
      *error = "bad device name '" + value + "'";
    settings->lanDevice = value;
  } else {
    return false;
  }
  return true;
}

// Which transports a transport key belongs to.
bool KeyFitsTransport(const std::string& key, TransportKind transport) {
  using enum TransportKind;
  if (key == "port") return transport == kTcp || transport == kUdp || transport == kHttp || transport == kVxi11 ||
                            transport == kHislip;
  if (key == "device") return transport == kVxi11 || transport == kHislip;
  if (key == "com") return transport == kPty;
  if (key == "board" || key == "address" || key == "secondary") return transport == kGpib;
  if (key == "resource") return transport == kVisa;
  return true;
}

}  // namespace

std::string NormaliseKey(std::string_view key) {
  std::string normal;
  for (char c : key) normal.push_back(c == '_' ? '-' : static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  return normal;
}

bool ValidInstrumentName(std::string_view name) {
  if (name.empty() || name.size() > 64) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.') return false;
  return true;
}

bool ApplyRunTimeSetting(const std::string& key, const std::string& value,
                         InstrumentSettings* settings, std::string* error) {
  if (key == "terminator" || key == "read-terminator" || key == "write-terminator") {
    const std::optional<Terminator> terminator = ParseTerminator(value);
    if (!terminator) {
      *error = "bad terminator '" + value + "' (lf, cr, crlf, none)";
      return true;
    }
    if (key != "write-terminator") settings->readTerminator = *terminator;
    if (key != "read-terminator") settings->writeTerminator = *terminator;
  } else if (key == "fault") {
    *error = ApplyFaultText(value, &settings->faults);
  } else if (key == "seed") {
    long seed = 0;
    if (!ParseNumber(value, 0, 0x7FFFFFFF, &seed)) *error = "bad seed '" + value + "'";
    settings->seed = static_cast<uint64_t>(seed);
  } else if (key == "content-length") {
    if (!ParseBool(value, &settings->contentLength))
      *error = "content-length needs yes or no, not '" + value + "'";
  } else if (key == "http-keep-alive") {
    if (!ParseBool(value, &settings->httpKeepAlive))
      *error = "http-keep-alive needs yes or no, not '" + value + "'";
  } else if (key == "http-require-host") {
    if (!ParseBool(value, &settings->httpRequireHost))
      *error = "http-require-host needs yes or no, not '" + value + "'";
  } else if (key == "http-status") {
    // "500 Internal Server Error": every request is answered with this status and no body.
    const size_t digits = value.find_first_not_of("0123456789");
    if (!value.empty() && (digits == std::string::npos ? value.size() != 3 : digits != 3 || value[3] != ' '))
      *error = "http-status needs a code and its reason (\"500 Internal Server Error\"), not '" + value + "'";
    settings->httpStatus = value;
  } else if (key == "device") {
    if (value.empty() || value.find_first_of(" \t") != std::string::npos)
      *error = "bad device name '" + value + "'";
    settings->lanDevice = value;
  } else {
    return false;
  }
  return true;
}

bool BuildInstrument(const std::string& name, const ConfigEntries& entries, BuiltInstrument* built,
                     std::string* error, int* errorLine) {
  *errorLine = 0;
  if (!ValidInstrumentName(name)) {
    *error = "bad instrument name '" + name + "' (letters, digits, '_', '-', '.')";
    return false;
  }
  InstrumentSettings settings;
  settings.name = name;
  // The family and the transport first, whatever their place: the other keys depend on them.
  bool transportGiven = false;
  for (const ConfigEntry& entry : entries) {
    const std::string key = NormaliseKey(entry.key);
    *errorLine = entry.line;
    if (key == "family") {
      settings.family = NormaliseKey(entry.value);
    } else if (key == "transport") {
      const std::optional<TransportKind> transport = ParseTransport(entry.value);
      if (!transport) {
        *error = "unknown transport '" + entry.value + "' (tcp, udp, http, pty, gpib, visa, vxi11, hislip)";
        return false;
      }
      settings.transport = *transport;
      transportGiven = true;
    }
  }
  *errorLine = 0;
  if (!transportGiven) {
    *error = "instrument '" + name + "' has no transport";
    return false;
  }
  std::unique_ptr<InstrumentFamily> family = CreateFamily(settings.family);
  if (!family) {
    *error = "unknown family '" + settings.family + "' (" + FamilyNamesText() + ")";
    return false;
  }
  if (settings.transport == TransportKind::kHislip) {  // the registered port and the first sub-address
    settings.port = 4880;
    settings.lanDevice = "hislip0";
  }
  // A chip's engine takes binary commands: no byte ends or is added to one.
  if (settings.family == "ftdi") settings.readTerminator = settings.writeTerminator = Terminator::kNone;
  // Replayed answers carry the terminators the real instrument sent.
  if (settings.family == "replay") settings.writeTerminator = Terminator::kNone;
  for (const ConfigEntry& entry : entries) {
    const std::string key = NormaliseKey(entry.key);
    *errorLine = entry.line;
    if (key == "family" || key == "transport") continue;
    if (IsStartOnlyKey(key)) {
      if (!KeyFitsTransport(key, settings.transport)) {
        *error = "key '" + key + "' does not apply to transport " +
                 std::string(TransportName(settings.transport));
        return false;
      }
      ApplyTransportKey(key, entry.value, &settings, error);
    } else if (!ApplyRunTimeSetting(key, entry.value, &settings, error)) {
      *error = family->Configure(key, entry.value);
    }
    if (!error->empty()) return false;
  }
  *errorLine = 0;
  *error = family->CheckConfiguration();
  if (!error->empty()) return false;
  if (settings.transport == TransportKind::kGpib) {
    if (settings.primaryAddress < 0) {
      *error = "gpib instrument '" + name + "' needs an address";
      return false;
    }
    settings.resource = "GPIB" + std::to_string(settings.board) +
                        "::" + std::to_string(settings.primaryAddress) +
                        (settings.secondaryAddress ? "::" + std::to_string(settings.secondaryAddress - 96) : "") +
                        "::INSTR";
  }
  if (settings.transport == TransportKind::kVisa && settings.resource.empty()) {
    *error = "visa instrument '" + name + "' needs a resource";
    return false;
  }
  built->settings = std::move(settings);
  built->family = std::move(family);
  return true;
}

bool IsStartOnlySetting(const std::string& key) { return IsStartOnlyKey(key); }

}  // namespace sim

#pragma once
// The settings of one simulated instrument, taken from "key = value" entries
// (a configuration file section, or the list given to Simulator::Add): the
// framework's keys are kept here, the rest go to the instrument family.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "sim/core/Endpoint.h"
#include "sim/core/Faults.h"
#include "sim/core/InstrumentFamily.h"
#include "sim/core/Terminator.h"

namespace sim {

struct ConfigEntry {
  std::string key;
  std::string value;
  int line = 0;  // line in the configuration file, 0 when not from a file
};
using ConfigEntries = std::vector<ConfigEntry>;

struct InstrumentSettings {
  std::string name;
  std::string family = "scpi";
  TransportKind transport = TransportKind::kTcp;
  uint16_t port = 0;             // tcp, udp, http, vxi11, hislip (4880 unless given): 0 picks a free port
  int com = 0;                   // pty: n of the COMn link, 0 picks the lowest free n
  int board = 0;                 // gpib: the board (GPIBn)
  int primaryAddress = -1;       // gpib: 0 to 30
  int secondaryAddress = 0;      // gpib: 0 for none, else 96 to 126
  std::string resource;          // bus: the resource name
  std::string lanDevice = "inst0";  // vxi11: the device name a link is created for; hislip: the sub-address
  Terminator readTerminator = Terminator::kLf;
  Terminator writeTerminator = Terminator::kLf;
  Faults faults;
  uint64_t seed = 1;             // of the garbage generator
  bool contentLength = true;     // http: replies carry Content-Length
  bool httpKeepAlive = false;    // http: the connection stays open after a reply unless the request says close
  bool httpRequireHost = false;  // http: a request without "Host:" is answered 400
  std::string httpStatus;        // http: when set ("500 Internal Server Error"), the answer to every request
};

struct BuiltInstrument {
  InstrumentSettings settings;
  std::unique_ptr<InstrumentFamily> family;
};

// Lower case, '_' as '-'.
std::string NormaliseKey(std::string_view key);
// Whether name is usable (letters, digits, '_', '-', '.').
bool ValidInstrumentName(std::string_view name);

// Builds the settings and the configured family; on failure returns false
// with the error text and the line of the entry at fault (0 when none).
bool BuildInstrument(const std::string& name, const ConfigEntries& entries, BuiltInstrument* built,
                     std::string* error, int* errorLine);

// Whether key can only be given when the instrument is added (family, transport, addresses).
bool IsStartOnlySetting(const std::string& key);

// Applies a key that may change while the instrument runs (terminators,
// faults, seed, content-length); returns false when the key is not one of
// them, with *error set when it is one but the value is bad.
bool ApplyRunTimeSetting(const std::string& key, const std::string& value,
                         InstrumentSettings* settings, std::string* error);

}  // namespace sim

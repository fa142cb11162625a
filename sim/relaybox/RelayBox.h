#pragma once
// A simulated USB relay box with four relays on a serial line. Every byte
// it receives sets the relays to its low four bits; it answers each write
// with one byte that reports its relays in the low four bits.
//
// Keys: "echo" (on, never), "high-bits" (a byte whose upper four bits are
// set in every report, e.g. 0xF0), "stuck" (a relay byte the box keeps
// whatever it is sent, or none), "report-every" (milliseconds between the
// reports the box sends unasked, 0 for none; given when the box is added).
// A late echo is the framework's "late"
// fault. Use it with "terminator = none": the bytes are not lines.
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class RelayBox : public InstrumentFamily {
public:
  std::string_view Name() const override { return "relaybox"; }
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  nlohmann::json State() const override;
  uint32_t ReportIntervalMs() const override { return reportEveryMs_; }
  std::string Report() override { return std::string(1, static_cast<char>(relays_ | highBits_)); }

  uint8_t Relays() const { return relays_; }
  const std::vector<uint8_t>& Received() const { return received_; }

private:
  uint8_t relays_ = 0;
  uint8_t highBits_ = 0;
  bool echo_ = true;
  uint32_t reportEveryMs_ = 0;
  std::optional<uint8_t> stuck_;
  std::vector<uint8_t> received_;
};

}  // namespace sim

#pragma once
// A simulated Comtest switch unit: six relays set together by a status byte,
// bit n-1 for relay n (set: normally open, clear: normally closed). Every
// byte it receives is applied as the new status byte, so it is added with
// terminator "none". It never answers.
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class ComtestUnit : public InstrumentFamily {
public:
  static constexpr int kRelays = 6;

  std::string_view Name() const override { return "comtest"; }
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  nlohmann::json State() const override;

  uint8_t StatusByteValue() const { return statusByte_; }
  // "NO" or "NC" for relay 1 to 6.
  std::string Relay(int relay) const;
  // Every status byte applied, oldest first.
  const std::vector<uint8_t>& Applied() const { return applied_; }

private:
  uint8_t statusByte_ = 0;
  std::vector<uint8_t> applied_;
};

}  // namespace sim

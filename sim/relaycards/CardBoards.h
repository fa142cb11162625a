#pragma once
// Relay cards behind the simulated vendor libraries, on the simulated bus
// (transport visa with a resource name). The libraries turn their calls into
// these text commands; each command gets one answer line.
//
// - "mcc" (a Measurement Computing relay board; resource "MCCDAQ::<n>::INSTR"
//   by convention, which is how the library's inventory finds it):
//   "INFO?" → "<product name>,<product id>,<interface>";
//   "DBITOUT <port> <bit> <value>" → "0", or the library's error number: 8
//   for a port other than 10 (the first port), 9 for a bit outside the
//   board's relays; value 0 opens the relay's normally-open contact (the
//   relay rests), 1 closes it. Keys: "relays" (default 24), "product"
//   (default USB-ERB24), "product-id" (default 154).
// - "advantech" (a PCI-1761 card; resource "ADVANTECH::<device number>::INSTR"):
//   "DO? <port>" → the output byte in decimal; "DO <port> <mask> <state>"
//   → "0": the bits of the mask take the state's bits. Only port 0 exists
//   (other ports answer "-1"). Key "output": the output byte (0 to 255).
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class MccBoard : public InstrumentFamily {
public:
  MccBoard() : relays_(24, 0) {}
  std::string_view Name() const override { return "mcc"; }
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  nlohmann::json State() const override;

  // Relay n (from 1): 1 when its normally-open contact is closed.
  const std::vector<int>& Relays() const { return relays_; }
  size_t Writes() const { return writes_; }

private:
  std::vector<int> relays_;
  std::string product_ = "USB-ERB24";
  unsigned long productId_ = 154;
  size_t writes_ = 0;
};

class AdvantechCard : public InstrumentFamily {
public:
  std::string_view Name() const override { return "advantech"; }
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  nlohmann::json State() const override;

  int Output() const { return output_; }
  size_t Writes() const { return writes_; }

private:
  int output_ = 0;
  size_t writes_ = 0;
};

}  // namespace sim

#pragma once
// A simulated EUT controller on a serial line: it takes "INIT", "ENDE" and
// start messages ("START:<f>MHZ,<e>VM,CARRIER", "...,AM,<fm>HZ,<depth>%",
// "...,FM,<fm>HZ,<deviation>HZ"), records every start message with the test
// signal it read from it, and answers each message as configured.
//
// Keys: "answer" (ok, "error N", silent, or "raw TEXT": TEXT as the answer).
// Use it with "read-terminator = cr"; answers end with the write terminator.
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class StribelController : public InstrumentFamily {
public:
  struct StartMessage {
    std::string text;        // as received, without terminator
    bool valid = false;      // the text had one of the three forms
    double frequencyMHz = 0;
    long field = 0;
    std::string modulation;  // CARRIER, AM or FM
    double modulationHz = 0;
    double parameter = 0;    // depth in per cent (AM) or deviation in Hz (FM)
  };

  std::string_view Name() const override { return "stribel"; }
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  nlohmann::json State() const override;

  const std::vector<StartMessage>& Starts() const { return starts_; }
  bool Initialised() const { return initialised_; }
  size_t Ends() const { return ends_; }

  static StartMessage ParseStart(const std::string& text);

private:
  std::optional<std::string> answer_ = std::string("OK");
  std::vector<StartMessage> starts_;
  std::vector<std::string> unknown_;
  bool initialised_ = false;
  size_t ends_ = 0;
};

}  // namespace sim

#pragma once
// A generic SCPI instrument: identification, the IEEE 488.2 common commands,
// the error queue, and scripted commands for everything else. Commands
// joined with ';' are handled one by one and their answers joined with ';'.
#include <optional>
#include <string>
#include <vector>

#include "sim/core/InstrumentFamily.h"
#include "sim/core/ScriptedAnswers.h"
#include "sim/scpi/ScpiStatus.h"

namespace sim {

class ScpiInstrument : public InstrumentFamily {
public:
  static constexpr const char* kDefaultIdentity = "SWMSIM,SCPI-INSTRUMENT,0,1.0";

  std::string_view Name() const override { return "scpi"; }
  // Keys: "idn", "error-queue" (size), "push-error" (CODE,"TEXT" into the
  // queue), "hold-operation-complete" (yes or no) and the scripted-answer
  // keys of ScriptedAnswers.
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  void DeviceClear() override {}
  void Trigger() override { ++triggers_; }
  uint8_t StatusByte() const override { return status_.StatusByte(); }
  uint8_t ServiceRequestEnable() const override { return status_.ServiceRequestEnable(); }
  nlohmann::json State() const override;

  ScpiStatus& Status() { return status_; }
  const std::string& Identity() const { return identity_; }

private:
  // One command of a ';' list; adds its answer (if any) to answers.
  void HandleUnit(std::string_view unit, std::vector<std::string>& answers);
  bool HandleCommon(std::string_view header, std::string_view parameters,
                    std::vector<std::string>& answers);
  // Parses a 0..255 register value; pushes the SCPI error and returns nothing when bad.
  std::optional<uint8_t> RegisterValue(std::string_view parameters);

  std::string identity_ = kDefaultIdentity;
  ScpiStatus status_;
  ScriptedAnswers scripts_;
  // While held, "*OPC" leaves the operation pending; releasing the hold
  // sets the operation-complete bit.
  bool holdOperationComplete_ = false;
  bool operationPending_ = false;
  unsigned resets_ = 0;
  unsigned triggers_ = 0;
};

}  // namespace sim

// Fuzzes what the amplifier and switch-unit drivers make of instrument
// answers: the interlock fields, the status and execution-result patterns,
// the band switch status and service request enable, the Teseq position
// array and slot answers, and older stored OSP positions. Every answer gets
// a status (or a slot list) in linear time; the properties below must hold
// for any input.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzCheck.h"
#include "drivers/amplifier/AmplifierAnswers.h"
#include "drivers/osp/OSPModules.h"
#include "drivers/teseq/TeseqAnswers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const int group = size > 0 ? data[0] % 5 : 1;

  for (bool deviceCheck : {false, true}) {
    const Status status = amplifier::JudgeBbaInterlock(text, deviceCheck, group);
    Check(status == 0 || (status >= amplifier::kBbaInterlockError && status <= amplifier::kBbaUnexpectedAnswer));
    if (text.empty()) Check(status == 0);
    if (text.find("ERR") != std::string::npos) Check(status == amplifier::kBbaInterlockError);
  }

  // No answer is never taken for a good one.
  const Status bonn = amplifier::JudgeBonnStatus(text);
  Check(bonn == 0 || (bonn >= amplifier::kBonnTemperature && bonn <= amplifier::kBonnBandSwitch) ||
        bonn == amplifier::kBonnUndocumented || bonn == amplifier::kBonnNoAnswer);
  Check((bonn == amplifier::kBonnNoAnswer) == text.empty());
  if (text.find("SYSTEM_OK") != std::string::npos) Check(bonn == 0);
  const Status result = amplifier::JudgeBonnExecutionResult(text, 7);
  if (!text.empty() && text.find("OK") != std::string::npos) Check(result == 7);
  else Check(result == amplifier::kBonnUndocumented || !amplifier::BonnExecutionResultWord(result).empty());

  const Status bas = amplifier::JudgeBonnBasStatus(text);
  Check(bas == 0 || bas == amplifier::kBonnBasFault || bas == amplifier::kBonnNoAnswer);
  Check((bas == amplifier::kBonnNoAnswer) == text.empty());
  amplifier::HoldsNonZeroInteger(text);
  Check(amplifier::HoldsNonZeroInteger(text + "+7") || text.find_first_of("0123456789") != std::string::npos);

  const std::string stripped = teseq::WithoutLineEnds(text);
  const std::vector<std::string> fields = teseq::SplitFields(stripped);
  size_t commas = 0;
  for (char c : stripped) commas += c == ',';
  Check(fields.size() == commas + 1);
  for (const std::string& field : fields) {
    const teseq::SlotField slot = teseq::ParseSlotField(field);
    Check(slot.outputs >= 0 && slot.outputs <= 1000000);
  }
  const std::optional<int> outputs = teseq::OutputsFromFirstCharacter(stripped);
  Check(outputs.has_value() != stripped.empty());
  if (outputs) Check(*outputs >= 0 && *outputs <= 9);

  for (int module = 0; module < OSP::kModuleCount; ++module) {
    const auto value = static_cast<OSP::eModuleSettingsOSP>(module);
    const std::string position = OSP::ConvertOlderPosition(text, value);
    if (text.size() != 1) Check(position == text);
    const OSP::AllowedRelayPositions& row = OSP::ModuleTable(value);
    const int index = OSP::PositionIndex(row, position);
    Check(index >= 0 && index <= row.HighestIndex());
  }
  return 0;
}

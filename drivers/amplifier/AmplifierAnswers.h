#pragma once
// What the amplifiers' answers mean, as statuses. Plain text scanning
// without regular-expression engines, so that any answer (garbage, overlong,
// empty, cut short) is judged in linear time.
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/Status.h"

namespace amplifier {

// The answer without the carriage returns and line feeds at its start and end.
std::string WithoutLineEnds(std::string_view answer);

// Interlock monitor of the broadband amplifier.
inline constexpr Status kBbaInterlockError = 0x30005BFE;
inline constexpr Status kBbaDeviceInterlockOpen = 0x30005BFF;
inline constexpr Status kBbaGroupInterlockOpen = 0x30005C00;
inline constexpr Status kBbaGroupNotAllocated = 0x30005C01;
inline constexpr Status kBbaUnexpectedAnswer = 0x30005C02;

// The answer to "SENS:INT?": four comma-separated fields of four capital
// letters. Field 1 is the device interlock (judged only when deviceCheck is
// on); the group setting 2 selects field 3, 3 field 4, any other field 2.
Status JudgeBbaInterlock(std::string_view answer, bool deviceCheck, int group);

// Status monitor of the BONN amplifiers.
inline constexpr Status kBonnTemperature = 0x3000076C;
inline constexpr Status kBonnInternalInterlock = 0x3000076D;
inline constexpr Status kBonnExternalInterlock = 0x3000076E;
inline constexpr Status kBonnSupply = 0x3000076F;
inline constexpr Status kBonnControl = 0x30000770;
inline constexpr Status kBonnBandSwitch = 0x30000771;
inline constexpr Status kBonnUnknownCommand = 0x3000077F;  // first of the execution results
inline constexpr Status kBonnUnspecified = 0x3000078B;     // last of the execution results
inline constexpr Status kBonnUndocumented = 0x3000079D;

// An amplifier that sent nothing but line ends within the time-out: its
// status is unknown, so its interlock never counts as closed.
inline constexpr Status kBonnNoAnswer = 0x3000079E;
inline constexpr const char* kBonnNoAnswerText = "The amplifier did not answer within the time-out.";

// The first status pattern found in an answer to "STATUS?": 0 for
// "SYSTEM_OK", a fault status, or kBonnUndocumented; an empty answer is
// kBonnNoAnswer.
Status JudgeBonnStatus(std::string_view answer);
// An answer to "EXECUTION_RESULT?": one holding "OK" keeps `current`; else
// the first failure found, or kBonnUndocumented (also for an empty answer).
Status JudgeBonnExecutionResult(std::string_view answer, Status current);
// The execution-result words in the order of their statuses, from kBonnUnknownCommand.
std::string_view BonnExecutionResultWord(Status status);

// Band switch of the BONN amplifiers.
inline constexpr Status kBonnBasFault = 0x3000B928;
// "SYSTEM_OK" or any other non-empty answer without "FAIL" and "TIMEOUT" is
// 0, "FAIL" or "TIMEOUT" kBonnBasFault, an empty answer kBonnNoAnswer.
Status JudgeBonnBasStatus(std::string_view answer);
// Whether the answer to "*SRE?" holds an integer ("[-+]?[0-9]+", the first
// one) that is not zero.
bool HoldsNonZeroInteger(std::string_view answer);

}  // namespace amplifier

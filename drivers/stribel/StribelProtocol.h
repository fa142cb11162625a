#pragma once
// The messages of the Stribel EUT controller: the start message that tells
// it the test signal of a dwell time, and the evaluation of its answers
// ("OK", or "ERROR" and a number).
#include <cstdint>
#include <string>
#include <string_view>

#include "framework/Status.h"

namespace stribel {

constexpr Status kControllerError = 0x30000515;
constexpr Status kInvalidResponse = 0x30000516;
constexpr int kAmplitudeModulation = 1;
constexpr int kFrequencyModulation = 5;

// The test signal collected from the host's events.
struct TestSignal {
  double frequencyMHz = 1.0;      // never 0 or negative
  int32_t fieldStrength = 0;      // V/m, rounded up
  bool modulationOn = false;
  double modulationType = 0;      // compared as an integer: 1 AM, 5 FM
  double modulationFrequency = 0; // Hz
  double modulationParameter = 0; // AM depth in per cent, FM deviation in Hz
};

// "START:...\r" for a carrier, AM or FM; empty for another modulation type.
std::string StartMessage(const TestSignal& signal);

struct Evaluation {
  Status status = kInvalidResponse;
  int32_t errorNumber = 0;  // the controller's number after "ERROR", else 0
};

// "OK" anywhere: success; else "ERROR", blanks and a signed number:
// kControllerError with that number; anything else kInvalidResponse.
Evaluation EvaluateAnswer(std::string_view answer);

}  // namespace stribel

#pragma once
// The Teseq RFB 2000 switch unit: the slots of the RFB 6000, set with
// "SET:POS C_4" (answered by the unit) and checked one slot at a time with
// "GET:POS C". Lines end with a carriage return. A slot cannot be switched
// to "No output".
#include "drivers/teseq/TeseqRFB6000.h"

class TeseqRFB2000 : public TeseqRFB6000 {
public:
  static constexpr double kCheckTimeoutSeconds = 2.0;
  static constexpr uint32_t kCommunicationDelayMilliseconds = 100;

  explicit TeseqRFB2000(const std::string& model = "TESEQ_RFB_2000") : TeseqRFB6000(model) {}

  Status CheckDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override { return DisconnectStream(hWnd); }
  Status SetSlot(char letter, const std::string& output) override;
  Status AfterStreamConnectConfiguration(uint32_t hostContext) override;

private:
  // Asks a slot for its outputs, up to twice until it answers.
  Status AskSlot(char letter, std::string& answer);
};

#pragma once
// The command layer of the BONN amplifier systems over a device stream: the
// status query with retries (a fault reply is kept as the error text), the
// reset, and clearing the service request enable register.
#include <string>

#include "streams/TwoBaseClasses.h"

template <class Matrix>
class Bonn : public TwoBaseClasses<Matrix, DeviceStreamClientWithStream> {
public:
  static constexpr size_t kReplyLimit = 1000;
  static constexpr size_t kSreReplyLimit = 100;
  static constexpr double kSreTimeoutSeconds = 0.5;

  static constexpr uint32_t kStatusAttempts = 3;

  // "STATUS?" with up to 3 attempts of one exchange each: "SYSTEM_OK" or any
  // other reply without "FAIL" and "TIMEOUT" is 0; "FAIL" or "TIMEOUT" is
  // 0x3000B928 with the reply kept; no answer (after 3 attempts) kBonnNoAnswer.
  virtual Status CheckStatus();
  // "*RST".
  virtual Status Reset();
  virtual bool Idle() { return true; }
  // Asks "*SRE?" and sends "*SRE 0" when a bit is enabled, with a status
  // check before and after (a failing one after is answered with a reset).
  virtual Status ClearServiceRequestEnable();

  std::string OwnErrorText(Status status) override;
  const std::string& LastStatusReply() const { return lastStatus_; }

protected:
  Status Send(const std::string& command) { return this->Write(0, command, false); }

  std::string lastStatus_;
};

#include "drivers/amplifier/Bonn.h"

#include "drivers/amplifier/AmplifierAnswers.h"
#include "framework/RetryLoop.h"
#include "framework/SwitchMatrixBase.h"

// Each attempt is one exchange with one read: a silent amplifier costs one
// time-out per attempt. An answer of nothing but line ends is no answer and
// is asked again; a fault answer is kept and not asked again.
template <class Matrix>
Status Bonn<Matrix>::CheckStatus() {
  return RetryLoop(kStatusAttempts, "RetryLoop").Run([&] {
    std::string reply;
    RetryLoop::ThrowIfError(this->WriteRead(0, "STATUS?", reply, kReplyLimit, 0));
    reply = amplifier::WithoutLineEnds(reply);
    const Status status = amplifier::JudgeBonnBasStatus(reply);
    if (status == amplifier::kBonnBasFault) lastStatus_ = reply;
    if (status != 0) throw RetryLoop::ErrorThrow(status, status == amplifier::kBonnBasFault);
  });
}

template <class Matrix>
Status Bonn<Matrix>::Reset() {
  return Send("*RST");
}

template <class Matrix>
Status Bonn<Matrix>::ClearServiceRequestEnable() {
  Status status = CheckStatus();
  if (status != 0) return status;
  const double kept = this->GetTimeout(0);
  this->SetTimeout(0, kSreTimeoutSeconds);
  std::string reply;
  status = this->WriteRead(0, "*SRE?", reply, kSreReplyLimit, 2);
  if (status == 0 && amplifier::HoldsNonZeroInteger(reply)) status = Send("*SRE 0");
  if (status == 0) {
    status = CheckStatus();
    if (status != 0) Reset();
  }
  this->SetTimeout(0, kept);
  return status;
}

template <class Matrix>
std::string Bonn<Matrix>::OwnErrorText(Status status) {
  if (status == amplifier::kBonnNoAnswer) return amplifier::kBonnNoAnswerText;
  return status == amplifier::kBonnBasFault ? lastStatus_ : "";
}

template class Bonn<SwitchMatrixBase>;

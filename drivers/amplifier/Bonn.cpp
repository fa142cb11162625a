#include "drivers/amplifier/Bonn.h"

#include "drivers/amplifier/AmplifierAnswers.h"
#include "framework/SwitchMatrixBase.h"

template <class Matrix>
Status Bonn<Matrix>::CheckStatus() {
  std::string reply;
  Status status = this->WriteReadWithRetryLoop(0, "STATUS?", reply, kReplyLimit, 3);
  if (status != 0) return status;
  reply = amplifier::WithoutLineEnds(reply);
  status = amplifier::JudgeBonnBasStatus(reply);
  if (status != 0) lastStatus_ = reply;
  return status;
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
  return status == amplifier::kBonnBasFault ? lastStatus_ : "";
}

template class Bonn<SwitchMatrixBase>;

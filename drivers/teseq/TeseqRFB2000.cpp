#include "drivers/teseq/TeseqRFB2000.h"

#include "drivers/teseq/TeseqAnswers.h"
#include "streams/DeviceStreamStatus.h"

namespace {
Status TimeoutIsSuccess(Status status) { return status == streamstatus::kReadTimedOut ? 0 : status; }
}  // namespace

Status TeseqRFB2000::AfterStreamConnectConfiguration(uint32_t hostContext) {
  SetSendTermination(hostContext, "\r", true);
  SetReceiveTermination(hostContext, "\r", true);
  return TeseqRFB6000::AfterStreamConnectConfiguration(hostContext);
}

Status TeseqRFB2000::SetSlot(char letter, const std::string& output) {
  if (output == "0") {
    complaints_ = "Port 0";
    return kIncorrectValue;
  }
  Status status = Write(0, std::string("SET:POS ") + letter + "_" + output, false);
  if (status != 0) return status;
  timing.Wait(kCommunicationDelayMilliseconds);
  std::string reply;
  return TimeoutIsSuccess(Read(0, reply, kReplyLimit));
}

Status TeseqRFB2000::AskSlot(char letter, std::string& answer) {
  Status status = 0;
  for (int attempt = 0; attempt < 2; ++attempt) {
    status = Write(0, std::string("GET:POS ") + letter, false);
    if (status != 0) return status;
    timing.Wait(kCommunicationDelayMilliseconds);
    std::string reply;
    status = TimeoutIsSuccess(Read(0, reply, kReplyLimit));
    answer = teseq::WithoutLineEnds(reply);
    if (status != 0 || !answer.empty()) return status;
  }
  return status;
}

Status TeseqRFB2000::CheckDevice(HostWindow hWnd) {
  complaints_.clear();
  if (!StreamOpen()) ConnectStream(hWnd, true);
  if (!StreamOpen()) return streamstatus::kNotConnected;
  Status status = 0;
  // The short time-out is the check's own: the connections after it have the stream's.
  const double kept = GetTimeout(hWnd);
  SetTimeout(hWnd, kCheckTimeoutSeconds);
  for (int pass = 0; pass < 3; ++pass) {
    complaints_.clear();
    status = 0;
    for (const char* letter = SlotLetters(); *letter && status == 0; ++letter) {
      const std::optional<int> largest = LargestSetting(*letter);
      if (!largest || *largest == teseq::DoNotChange) continue;
      std::string answer;
      status = AskSlot(*letter, answer);
      if (status != 0) break;
      if (const std::optional<int> outputs = teseq::OutputsFromFirstCharacter(answer))
        Complain(*letter, *outputs, *largest);
      else
        complaints_ += std::string("\nSlot ") + *letter + " did not return any possible switches";
    }
    if (status == 0 && !complaints_.empty()) status = kIncorrectValue;
    if (status == 0) break;
  }
  SetTimeout(hWnd, kept);
  const Status closed = DeInitDevice(hWnd);
  return status != 0 ? status : closed;
}

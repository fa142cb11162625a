#include "drivers/hubline/HublineSwitchBase.h"

#include "framework/HostEvents.h"
#include "streams/DeviceStreamStatus.h"

namespace {
constexpr Status kAliveRetryable = 0x30000FA0;
}

HublineSwitchBase::HublineSwitchBase(const std::string& expectedIdentification, bool externalBoxesSupported)
    : HublineBase<SwitchMatrixBase>(expectedIdentification), externalBoxesSupported_(externalBoxesSupported) {}

// An event switches whatever its set holds, whether the stream is open or
// not: SendCommand connects again a stream that dropped after InitDevice, and
// a driver never initialised returns kNotOpen for its first command, so that
// an unswitched RF path never passes for success. An empty set sends nothing.
Status HublineSwitchBase::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  switch (*event) {
    case SWM_EVENT_InitialisationStarted:
      return SetRelays(kDuring);
    case SWM_EVENT_TestStopped:
      return SetRelays(kAfter);
    default:
      return 0;
  }
}

Status HublineSwitchBase::HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) {
  if (!request || *request != SWM_REQUEST_InterlockClosed)
    return SwitchMatrixBase::HandleRequest(hWnd, request, data);
  Status status = AliveCheck();
  if (data) *static_cast<uint32_t*>(data) = status == 0 ? 1 : 0;
  return status;
}

Status HublineSwitchBase::AliveCheck() {
  if (Status reconnected = Reconnected()) return reconnected;
  Status status = 0;
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::string reply;
    status = SendCommand("INT_RELAY_A?\n", reply, 3);
    if (status == streamstatus::kReadTimedOut) status = 0;
    if ((status == 0 && !reply.empty()) || (status != 0 && status != kAliveRetryable)) break;
  }
  return status;
}

std::vector<std::string> HublineSwitchBase::InternalChoiceTexts() const {
  return {"Do not change", "Normally open", "Normally closed"};
}

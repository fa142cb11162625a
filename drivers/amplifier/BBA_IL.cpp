#include "drivers/amplifier/BBA_IL.h"

#include "drivers/amplifier/AmplifierAnswers.h"
#include "drivers/amplifier/AmplifierPanels.h"
#include "framework/HostEvents.h"
#include "logging/JournexEntry.h"
#include "streams/DeviceStreamStatus.h"

BBA_IL::BBA_IL(const std::string& expectedIdentification)
    : deviceInterlock_(false, storableMembers, kTable, "DeviceInterlockSetting"),
      groupInterlock_(1, storableMembers, kTable, "GroupInterlockSetting") {
  OfferTransports(kTransports);
  Manager().SetDefaultTypeName("VISA");
  SetExpectedResponse(expectedIdentification);
}

// Whatever kept the stream from opening (its reason is in the log), the
// result is that it is not connected.
Status BBA_IL::InitDevice(HostWindow hWnd) {
  if (!StreamOpen()) ConnectStream(hWnd, true);
  return StreamOpen() ? 0 : streamstatus::kNotConnected;
}

Status BBA_IL::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event || *event != SWM_EVENT_FrequencyChanged) return 0;
  return QueryInterlock();
}

// The interlock counts as closed only when the amplifier says so now.
Status BBA_IL::HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) {
  if (!request || *request != SWM_REQUEST_InterlockClosed) return SwitchMatrixBase::HandleRequest(hWnd, request, data);
  const Status status = QueryInterlock();
  if (data) *static_cast<uint32_t*>(data) = status == 0 ? 1 : 0;
  return status;
}

Status BBA_IL::QueryInterlock() {
  if (!StreamOpen()) return streamstatus::kNotConnected;
  std::string answer;
  // An empty line that arrived is judged below; no answer at all is the time-out's failure.
  const Status status = WriteReadAnswered(0, kQuery, answer, kReplyLimit, 0);
  if (status != 0) return status;
  SetCommunicationDelay(static_cast<uint32_t>(pauseMilliseconds_) * 1000);
  while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) answer.pop_back();
  const Status judged = amplifier::JudgeBbaInterlock(answer, deviceInterlock_, groupInterlock_);
  JournexEntry::Note("QueryInterlock", "BBA_IL", judged == 0 ? "Note" : "Error", "SENS:INT? -> " + answer,
                     {{"Err", judged}});
  return judged;
}

std::string BBA_IL::OwnErrorText(Status status) {
  const std::string group = std::to_string(groupInterlock_.Value());
  switch (status) {
    case amplifier::kBbaInterlockError:
      return "Amplifier returned an Interlock error.";
    case amplifier::kBbaDeviceInterlockOpen:
      return "Amplifier Device Interlock is open.";
    case amplifier::kBbaGroupInterlockOpen:
      return "Amplifier Group Interlock " + group + " is open.";
    case amplifier::kBbaGroupNotAllocated:
      return "Amplifier returned that the Group Interlock " + group +
             " is not allocated to the currently active RF path and is not evaluated.";
    case amplifier::kBbaUnexpectedAnswer:
      return "Amplifier Interlock query returned an unexpected respond.";
    default:
      return "";
  }
}

Status BBA_IL::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  const Status status = CreateStreamConfigurationPanels(hWnd, panels);
  AddBBA_ILPanel(*this, panels);
  return status;
}

#include "drivers/amplifier/BONN_IL.h"

#include "drivers/amplifier/AmplifierAnswers.h"
#include "drivers/amplifier/AmplifierPanels.h"
#include "framework/HostEvents.h"
#include "logging/JournexEntry.h"
#include "streams/DeviceStreamStatus.h"

BONN_IL::BONN_IL()
    : returnedID_(wxString(), storableMembers, kTable, "ReturnedID"),
      useExecutionResult_(false, storableMembers, kTable, "UseExecutionResult"),
      protocol_(4u, storableMembers, kTable, "AmplifierProtocol") {
  OfferTransports(kTransports);
  Manager().SetDefaultTypeName("VISA");
}

Status BONN_IL::CheckDevice(HostWindow hWnd) {
  const std::string expected = returnedID_.Value().utf8_string();
  if (expected.empty()) return 0;
  // The configured identification is compared for this check only; the
  // identification table of the stream client keeps its own value.
  const std::string kept = GetExpectedResponse();
  IdentificationChecker<DeviceStreamClientStack>::SetExpectedResponse(expected);
  const Status status = RunIdentificationCheck(hWnd);
  IdentificationChecker<DeviceStreamClientStack>::SetExpectedResponse(kept);
  return status;
}

// Whatever kept the stream from opening (its reason is in the log), the
// result is that it is not connected.
Status BONN_IL::InitDevice(HostWindow hWnd) {
  if (!StreamOpen()) ConnectStream(hWnd, true);
  return StreamOpen() ? 0 : streamstatus::kNotConnected;
}

Status BONN_IL::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event || *event != SWM_EVENT_FrequencyChanged) return 0;
  return QueryStatus();
}

// The interlock counts as closed only when the amplifier says so now.
Status BONN_IL::HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) {
  if (!request || *request != SWM_REQUEST_InterlockClosed) return SwitchMatrixBase::HandleRequest(hWnd, request, data);
  const Status status = QueryStatus();
  if (data) *static_cast<uint32_t*>(data) = status == 0 ? 1 : 0;
  return status;
}

Status BONN_IL::Exchange(const std::string& command, std::string& reply) {
  const Status status = WriteRead(0, command, reply, kReplyLimit, 0);
  reply = amplifier::WithoutLineEnds(reply);
  return status;
}

Status BONN_IL::QueryStatus() {
  if (!StreamOpen()) return streamstatus::kNotConnected;
  std::string reply;
  Status status = Exchange("STATUS?", reply);
  if (status != 0) return status;
  status = ParseStatus(reply);
  if ((status == 0 || status == amplifier::kBonnUndocumented) && useExecutionResult_) {
    std::string result;
    const Status transfer = Exchange("EXECUTION_RESULT?", result);
    if (transfer != 0) return status == 0 ? transfer : status;
    const bool ok = !result.empty() && result.find("OK") != std::string::npos;
    status = amplifier::JudgeBonnExecutionResult(result, status);
    if (!ok && status == amplifier::kBonnUndocumented) unknownReply_ = result;
  }
  JournexEntry::Note("QueryStatus", "BONN_IL", status == 0 ? "Note" : "Error", "STATUS? -> " + reply,
                     {{"Err", status}});
  return status;
}

Status BONN_IL::ParseStatus(const std::string& reply) {
  const Status status = amplifier::JudgeBonnStatus(reply);
  if (status == amplifier::kBonnUndocumented) unknownReply_ = reply;
  return status;
}

std::string BONN_IL::OwnErrorText(Status status) {
  if (status == GetMismatchCode())
    return "The received identification of the device (\"" + GetReceivedIdentification() +
           "\") is not matching with the expected identification (\"" + returnedID_.Value().utf8_string() + "\").";
  switch (status) {
    case 0x3000076C: return "Amplifier returned too high in temperature error.";
    case 0x3000076D: return "Amplifier returned Internal Interlock error.";
    case 0x3000076E: return "Amplifier returned External Interlock error.";
    case 0x3000076F: return "Amplifier returned Supply error.";
    case 0x30000770: return "Amplifier returned Control error.";
    case 0x30000771: return "Amplifier returned Band switch error.";
    case 0x3000077F: return "Amplifier returned Command unknown/Syntax error.";
    case 0x30000780: return "Amplifier returned Command has no effect error.";
    case 0x30000781: return "Amplifier returned Command ignored as a fault message is active or latched.";
    case 0x30000782: return "Amplifier returned Command ignored as a warning is active.";
    case 0x30000783: return "Amplifier returned Band switching is blocked during AMP=ON.";
    case 0x30000784: return "Amplifier returned Control change is blocked during AMP=ON.";
    case 0x30000785: return "Amplifier returned Instrument is controlled by another interface.";
    case 0x30000786: return "Amplifier returned Instrument is controlled by external amplifier.";
    case 0x30000787: return "Amplifier returned Instrument is controlled by another interface.";
    case 0x30000788: return "Amplifier returned Operate inhibited e.g. after initial turn on.";
    case 0x30000789: return "Amplifier returned Invalid band selected error.";
    case 0x3000078A: return "Amplifier returned Illegal gain step selected error.";
    case 0x3000078B: return "Amplifier returned Unspecified error.";
    case 0x3000079D: return "Amplifier returned an undocumented error '" + unknownReply_ + "'.";
    case amplifier::kBonnNoAnswer: return amplifier::kBonnNoAnswerText;
    default: return "";
  }
}

// The expected identification is the driver's own "ReturnedID" field, so
// the stream client's identification page is not offered.
Status BONN_IL::AddConfigurationDialogPanels(HostWindow, PanelList& panels) {
  panels.Add(Manager().CreateConfigurationPanel());
  AddBONN_ILPanel(*this, panels);
  return 0;
}

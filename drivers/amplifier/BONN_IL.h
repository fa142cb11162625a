#pragma once
// Status monitor of the BONN amplifiers: on every frequency step (event 7)
// it asks "STATUS?" (and, when configured, "EXECUTION_RESULT?") and reports
// an interlock or a fault of the amplifier as the event's status. A reply it
// does not know is kept and quoted in the error text.
#include <string>

#include "framework/SwitchMatrixBase.h"
#include "settings/StorableMemberVariable.h"
#include "streams/TwoBaseClasses.h"

class BONN_IL : public TwoBaseClasses<SwitchMatrixBase> {
public:
  static constexpr const char* kTable = "BONN_IL";
  static constexpr const char* kTransports = "VISA;GPIB;RS-232;TCPIP";
  static constexpr size_t kReplyLimit = 1000;

  BONN_IL();

  // Compares the identification only when one is configured ("ReturnedID");
  // otherwise succeeds without talking to the amplifier.
  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override { return DisconnectStream(hWnd); }
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  // Request 1 ("InterlockClosed") asks the amplifier as event 7 does: 1 only
  // when "STATUS?" says SYSTEM_OK, else 0 with its status.
  Status HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
  std::string OwnErrorText(Status status) override;

  virtual Status QueryStatus();
  // Judges a "STATUS?" reply; an unknown one is kept for the error text.
  virtual Status ParseStatus(const std::string& reply);

  wxString ReturnedID() const { return returnedID_; }
  void SetReturnedID(const wxString& id) { returnedID_ = id; }
  bool UseExecutionResult() const { return useExecutionResult_; }
  void SetUseExecutionResult(bool on) { useExecutionResult_ = on; }
  unsigned int AmplifierProtocol() const { return protocol_; }
  void SetAmplifierProtocol(unsigned int protocol) { protocol_ = protocol; }
  const std::string& LastUnknownReply() const { return unknownReply_; }

private:
  Status Exchange(const std::string& command, std::string& reply);

  StorableMemberVariable<wxString> returnedID_;
  StorableMemberVariable<bool> useExecutionResult_;
  StorableMemberVariable<unsigned int> protocol_;
  std::string unknownReply_;
};

#pragma once
// Band and antenna switch of a BONN amplifier system: keeps the amplifier in
// remote while initialised, sends the "before" band command when the test
// initialisation starts (event 3) and the "after" one when the test has
// stopped (event 2), and answers the interlock request from its status.
#include <string>
#include <vector>

#include "drivers/amplifier/Bonn.h"
#include "framework/SwitchMatrixBase.h"
#include "settings/StorableMemberVariable.h"

class BONN_BAS : public Bonn<SwitchMatrixBase> {
public:
  static constexpr const char* kTable = "ChannelSelection";
  static constexpr const char* kTransports = "GPIB;RS-232;TCPIP";
  // The amplifier's network address when none is configured.
  static constexpr const char* kDefaultAddress = "192.168.0.20:2500";
  static constexpr double kDefaultTimeoutSeconds = 200.0;

  explicit BONN_BAS(const std::string& expectedIdentification = "BAS");

  // The band commands offered for both selections.
  static const std::vector<std::string>& BandCommands();

  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status HandleRequest(HostWindow hWnd, const uint32_t* request, void* data) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  wxString SelectedBefore() const { return before_; }
  void SetSelectedBefore(const wxString& command) { before_ = command; }
  wxString SelectedAfter() const { return after_; }
  void SetSelectedAfter(const wxString& command) { after_ = command; }

private:
  StorableMemberVariable<wxString> before_;
  StorableMemberVariable<wxString> after_;
};

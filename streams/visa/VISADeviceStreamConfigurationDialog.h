#pragma once
// The settings panel of a VISA instrument ("VisaConfiguration"): the
// identifier is built in one of five forms chosen by radio buttons, an
// alias (ID_TXTALIAS), a GPIB address (ID_OPTGPIB, GPIB0::n::INSTR), a LAN
// address (ID_TXTLAN, TCPIP0::address::INSTR), a serial port (ID_CBORS232,
// COMn, ASRLn::INSTR) or a free VISA text (ID_TXTVISA). Opening the panel
// sorts the stored identifier into its form. Three warnings appear as the
// entry requires: ID_TWARNING (the text is empty), ID_IWARNING (the LAN
// address is not an IPv4 address) and ID_LWARNING (the LAN address is still
// the placeholder).
#include <string>

#include "dialogs/ValidatorSupport.h"

class VISADeviceStreamConfiguration;
class wxCommandEvent;

class VISADeviceStreamConfigurationDialog : public ValidatorBasedPanel {
public:
  enum class Form { kAlias, kGpib, kLan, kSerial, kVisa };
  static constexpr int kLargestGpibAddress = 30;
  static constexpr int kLargestListedPort = 256;

  explicit VISADeviceStreamConfigurationDialog(VISADeviceStreamConfiguration* configuration)
      : configuration_(configuration) {}

  // The form an identifier is shown in, and the value of its entry.
  static Form FormOf(const std::string& identifier, std::string* value);
  // Shows the identifier in its form.
  void ShowIdentifier(const std::string& identifier);
  // The identifier the chosen form and its entry give.
  std::string BuiltIdentifier();
  Form ChosenForm();

protected:
  void BindControls() override;

private:
  void Update();
  void OnChange(wxCommandEvent& event);

  VISADeviceStreamConfiguration* configuration_;
};

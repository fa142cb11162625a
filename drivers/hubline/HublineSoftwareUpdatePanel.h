#pragma once
// The "Software update" page of a Hubline card: a firmware file
// ("ID_FILEPICKER"), the button that would program it ("ID_SOFTWAREUPGRADE")
// and a status line ("ID_STATUS"). Programming firmware is not supported by
// this module: the button says so in the status line and in the log.
#include "dialogs/ValidatorSupport.h"

class HublineSoftwareUpdatePanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kName = "Probex5SoftwareUpgrade";
  static constexpr const char* kTitle = "Software update";
  static constexpr const char* kNotSupported =
      "Programming new embedded software is not supported by this version of the module.";

  // The status line's text after the button was pressed.
  wxString StatusText() const;

protected:
  void BindControls() override;

private:
  void OnProgram(wxCommandEvent& event);
};

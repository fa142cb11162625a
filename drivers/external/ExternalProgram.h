#pragma once
// Runs a user-given command line when a test's initialisation starts
// ("Before", event 3) and another when the test has stopped ("After",
// event 2), each at most once per change of state. A program is started
// directly from the words of its command line (never through a shell) and
// the event call returns when it has ended; a command line that names a
// document rather than a program is handed to the desktop's opener, which
// is not waited for. A program that cannot be started gives the system's
// error number as status.
#include <string>

#include "dialogs/PanelList.h"
#include "framework/SwitchMatrixBase.h"

class ExternalProgram : public SwitchMatrixBase {
public:
  static constexpr const char* kTable = "Program";
  enum { kNone = 0, kInitialised = 2, kStopped = 3 };
  // Statuses below this are system error numbers.
  static constexpr Status kLastSystemError = 4095;

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) override;

  // Runs one command line (see above); 0 or the system's error number.
  static Status Run(const wxString& commandLine);

  wxString before;
  wxString after;
  int State() const { return state_; }

private:
  int state_ = kNone;
};

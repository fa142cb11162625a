#pragma once
// The application object of a runtime without a display: strings, regular
// expressions and sockets work, dialogs do not (wxAppConsole is not a GUI).
#include <wx/app.h>

class DLLConsoleApp : public wxAppConsole {
public:
  bool OnInit() override;
  int OnExit() override;

private:
  wxLog* previousTarget_ = nullptr;
};

#pragma once
// The wxWidgets application object when the module brings up the runtime
// itself: DLLApp with a display, DLLConsoleApp without one. Both route
// wxWidgets' log output to the log channel while they live.
#include <wx/app.h>

class DLLApp : public wxApp {
public:
  bool OnInit() override;
  int OnExit() override;

  // The shared steps of both application classes.
  static bool AfterBaseInit(bool baseStatus, wxLog** previousTarget);
  static void BeforeExit(wxLog* previousTarget);

private:
  wxLog* previousTarget_ = nullptr;
};

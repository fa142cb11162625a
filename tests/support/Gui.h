#pragma once
// A GUI runtime for dialog tests (they run under xvfb-run). When the module's
// start-up already brought one up, that one is used.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <cstdlib>

#include "platform/MessageBox.h"

inline bool EnsureGui() {
  static const bool available = [] {
    // A failed check prints and fails the test instead of opening a blocking box.
    wxSetAssertHandler([](const wxString& file, int line, const wxString& func, const wxString& cond,
                          const wxString& msg) {
      ADD_FAILURE() << "wxWidgets assertion " << cond << " " << msg << " in " << func << " at " << file
                    << ":" << line;
    });
    if (!std::getenv("DISPLAY")) return false;
    if (!wxAppConsole::GetInstance()) {
      wxApp::SetInstance(new wxApp());
      int argc = 0;
      if (!wxEntryStart(argc, static_cast<wxChar**>(nullptr))) return false;
      wxAppConsole::GetInstance()->CallOnInit();
    }
    wxInitAllImageHandlers();
    const wxAppConsole* app = wxAppConsole::GetInstance();
    return app && app->IsGUI();
  }();
  return available && PlatformDialogsAvailable();
}

// ./swm test sets SWMATRIX_TEST_NEEDS_DISPLAY: there a missing display (a
// broken Xvfb) fails every dialog test; a developer's plain run skips them. A
// process whose earlier test brought up a console runtime cannot show dialogs
// either (ctest runs every test in a process of its own): that skips.
inline bool DisplayRequired() { return std::getenv("SWMATRIX_TEST_NEEDS_DISPLAY") != nullptr; }
inline bool ConsoleRuntimeUp() { return wxAppConsole::GetInstance() && !wxAppConsole::GetInstance()->IsGUI(); }

#define REQUIRE_GUI()                                                                       \
  do {                                                                                      \
    if (!EnsureGui()) {                                                                     \
      if (DisplayRequired() && !ConsoleRuntimeUp()) FAIL() << "no display: the dialog tests need Xvfb"; \
      GTEST_SKIP() << "no display (run under xvfb-run), or a console runtime came first";  \
    }                                                                                       \
  } while (false)

#include "interface/DLLConsoleApp.h"

#include "interface/DLLApp.h"

bool DLLConsoleApp::OnInit() { return DLLApp::AfterBaseInit(wxAppConsole::OnInit(), &previousTarget_); }

int DLLConsoleApp::OnExit() {
  DLLApp::BeforeExit(previousTarget_);
  previousTarget_ = nullptr;
  return wxAppConsole::OnExit();
}

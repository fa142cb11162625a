#include "interface/DLLApp.h"

#include "logging/JournexEntry.h"
#include "logging/wxLogJournex.h"
#include "platform/ProcessInfo.h"

bool DLLApp::AfterBaseInit(bool baseStatus, wxLog** previousTarget) {
  *previousTarget = wxLog::SetActiveTarget(wxLogJournex::Shared());
  if (*previousTarget == wxLogJournex::Shared()) *previousTarget = nullptr;
  JournexEntry::Note("OnInit", "DLLApp", "Note", "OnInit()",
                     {{"ThreadID", ProcessInfo::ThreadId()},
                      {"MainThreadID", ProcessInfo::MainThreadId()},
                      {"InitStatus", baseStatus}});
  return baseStatus;
}

void DLLApp::BeforeExit(wxLog* previousTarget) {
  // Only our own target is removed (the runtime deletes whatever is active at
  // clean-up); a target someone installed after ours stays.
  wxLog* const current = wxLog::SetActiveTarget(previousTarget);
  if (current != wxLogJournex::Shared()) wxLog::SetActiveTarget(current);
}

bool DLLApp::OnInit() { return AfterBaseInit(wxApp::OnInit(), &previousTarget_); }

int DLLApp::OnExit() {
  BeforeExit(previousTarget_);
  previousTarget_ = nullptr;
  return wxApp::OnExit();
}

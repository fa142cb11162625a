#include "interface/ModuleStartup.h"

#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/thread.h>

#include "interface/DLLApp.h"
#include "interface/DLLConsoleApp.h"
#include "interface/DefaultResourcesDLLModule.h"
#include "logging/MailSlotSocket.h"
#include "logging/wxLogJournex.h"
#include "platform/LibraryImage.h"
#include "platform/ProcessInfo.h"

ModuleStartup& ModuleStartup::Instance() {
  // Never destroyed: the detach steps run after static objects may be gone.
  static ModuleStartup* instance = new ModuleStartup;
  return *instance;
}

ModuleStartup::Options ModuleStartup::CurrentOptions(const void* addressInLibrary) {
  Options options;
  options.instance = LibraryImage::BaseOf(addressInLibrary);
  options.fileName = LibraryImage::PathOf(addressInLibrary);
  options.staticLoad = LibraryImage::LoadedWithProgram(addressInLibrary);
  options.displayAvailable = ProcessInfo::DisplayConfigured();
  options.traceDirectory = StartupTrace::DefaultDirectory();
  return options;
}

// Starts the runtime with an application object and no command-line
// arguments. Messages of the start itself (such as a display that cannot be
// opened) go to the log channel through a target of their own, which the
// runtime deletes once it started, never to a message box.
static bool StartRuntime(wxAppConsole* application) {
  static char programName[] = "swmatrix";
  static char* arguments[] = {programName, nullptr};
  int count = 1;
  wxLog::SetActiveTarget(new wxLogJournex);
  wxApp::SetInstance(application);
  if (wxEntryStart(count, arguments)) return true;
  // wxEntryStart deleted the application object.
  wxApp::SetInstance(nullptr);
  delete wxLog::SetActiveTarget(nullptr);
  return false;
}

// A GUI runtime when a display is named and can be opened, else a console one.
bool ModuleStartup::StartOwnRuntime(bool displayAvailable) {
  if (displayAvailable) {
    if (StartRuntime(new DLLApp)) return true;
    wxEntryCleanup();
  }
  return StartRuntime(new DLLConsoleApp);
}

void ModuleStartup::InstallSharedThreadTarget() {
  if (wxThread::IsMain()) return;
  wxLog* const previous = wxLog::SetThreadActiveTarget(wxLogJournex::Shared());
  if (previous != wxLogJournex::Shared()) delete previous;
}

void ModuleStartup::ProcessAttach(const Options& options) {
  trace_.Configure(options.traceDirectory);
  fileName_ = options.fileName;
  staticLoad_ = options.staticLoad;
  attachThread_ = ProcessInfo::ThreadId();
  attached_ = true;
  Trace("DLL_PROCESS_ATTACH: " + fileName_);
  module_.reset();

  if (!wxApp::GetInstance()) {
    Trace("wxTheApp was not initializated yet");
    ownsWxWidgets_ = StartOwnRuntime(options.displayAvailable);
    Trace("wxWidgets is now Initialized");
    if (!wxApp::GetInstance() || !wxApp::GetInstance()->CallOnInit()) return;
  } else {
    ownsWxWidgets_ = false;
    Trace("wxTheApp is already present. No initialization needed");
  }

  InstallSharedThreadTarget();

  Trace("Going to create specific DLLModule");
  module_ = std::make_unique<DefaultResourcesDLLModule>();
  module_->SetInstance(options.instance, fileName_);
  Trace("Going to initialize created DLLModule");
  module_->OnInit();

  Trace(options.staticLoad ? "None Dynamic load" : "Dynamic load");
}

void ModuleStartup::ProcessDetach(bool processTerminating) {
  if (!attached_) return;
  attached_ = false;
  Trace("DLL_PROCESS_DETACH: " + fileName_);
  Trace(processTerminating ? "the process is terminating" : "FreeLibrary  is called");

  if (module_) {
    Trace("Going to deinitialize DLLModule");
    module_->OnExit();
    module_.reset();
    Trace("DLLModule deinitialized");
  }

  if (ownsWxWidgets_) {
    Trace("Going to deinitialize wxWidgets Application object");
    if (wxAppConsole* app = wxApp::GetInstance()) app->OnExit();
    Trace("Going to deinitialize wxWidgets");
    wxEntryCleanup();
    ownsWxWidgets_ = false;
    Trace("wxWidgets is now deinitialized");
  }

  // What is still queued goes out now, while the reader is there to take it.
  JournexEntry::MailSlotSocket::Instance().Shutdown();
}

void ModuleStartup::ThreadAttach() {
  Trace("DLL_THREAD_ATTACH: " + fileName_);
  if (wxApp::GetInstance()) InstallSharedThreadTarget();
}

void ModuleStartup::ThreadDetach() {
  Trace("DLL_THREAD_DETACH: " + fileName_);
  if (!wxApp::GetInstance() || wxThread::IsMain()) return;
  wxLog* const previous = wxLog::SetThreadActiveTarget(nullptr);
  if (previous != wxLogJournex::Shared()) delete previous;
}

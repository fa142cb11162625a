#include "interface/ModuleStartup.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/regex.h>

#include <thread>

#include "TraceDirectory.h"
#include "interface/DefaultResourcesDLLModule.h"
#include "interface/ThreadAttachGuard.h"
#include "platform/MessageBox.h"

namespace {
using Lines = std::vector<std::string>;
constexpr const char* kFile = "/opt/swm/lib/libswmatrix.so";

ModuleStartup::Options Options(const TraceDirectory& trace, bool staticLoad = false) {
  static const int instance = 0;
  ModuleStartup::Options options;
  options.instance = &instance;
  options.fileName = kFile;
  options.staticLoad = staticLoad;
  options.displayAvailable = false;
  options.traceDirectory = trace.Path();
  return options;
}

// The module name, function name and description (or trace text) of each record.
std::vector<std::string> Summaries(const std::vector<std::string>& records) {
  std::vector<std::string> out;
  for (const std::string& record : records) {
    const auto fields = HeaderAndContent(record, 6);
    const std::string& content = fields.back();
    const size_t text = content.find(':', content.find(";a")) + 1;
    out.push_back(fields[3] + "/" + fields[4] + ": " + content.substr(text, content.find(';', text) - text));
  }
  return out;
}
}  // namespace

TEST(ModuleStartup, BringsUpAConsoleRuntimeWhenTheHostHasNoneAndTearsItDown) {
  ASSERT_EQ(wxApp::GetInstance(), nullptr) << "a unit test process starts without a runtime";
  TraceDirectory trace(true);
  LogReceiver log;
  ModuleStartup& startup = ModuleStartup::Instance();

  startup.ProcessAttach(Options(trace));
  EXPECT_EQ(trace.NewLines(), (Lines{std::string("DLL_PROCESS_ATTACH: ") + kFile, "wxTheApp was not initializated yet",
                                     "wxWidgets is now Initialized", "Going to create specific DLLModule",
                                     "Going to initialize created DLLModule", "Dynamic load"}));
  EXPECT_TRUE(startup.Attached());
  EXPECT_TRUE(startup.OwnsWxWidgets());
  EXPECT_TRUE(startup.TraceEnabled());
  ASSERT_NE(startup.Module(), nullptr);
  EXPECT_NE(dynamic_cast<DefaultResourcesDLLModule*>(startup.Module()), nullptr);
  EXPECT_EQ(startup.Module()->FileName(), kFile);
  // Without a display: a console runtime in which strings and regular
  // expressions work, and no dialogs.
  ASSERT_NE(wxApp::GetInstance(), nullptr);
  EXPECT_FALSE(wxApp::GetInstance()->IsGUI());
  EXPECT_FALSE(PlatformDialogsAvailable());
  wxRegEx pattern("^DLL_([A-Z]+)_ATTACH");
  ASSERT_TRUE(pattern.IsValid());
  EXPECT_TRUE(pattern.Matches("DLL_PROCESS_ATTACH: x"));
  EXPECT_EQ(pattern.GetMatch("DLL_PROCESS_ATTACH: x", 1), "PROCESS");

  EXPECT_EQ(Summaries(log.Take(8)),
            (Lines{std::string("DDL_log_data/wxDLLApp: DLL_PROCESS_ATTACH: ") + kFile,
                   "DDL_log_data/wxDLLApp: wxTheApp was not initializated yet",
                   "DDL_log_data/wxDLLApp: wxWidgets is now Initialized", "OnInit/DLLApp: OnInit()",
                   "DDL_log_data/wxDLLApp: Going to create specific DLLModule",
                   "DDL_log_data/wxDLLApp: Going to initialize created DLLModule", "OnInit/DLLModule: OnInit()",
                   "DDL_log_data/wxDLLApp: Dynamic load"}));

  // wxWidgets' messages reach the log; a secondary thread is attached on its
  // first call into the module and detached when it ends.
  wxLogWarning("from the main thread");
  std::thread([] {
    ThreadAttachGuard::Touch();
    wxLogWarning("from a secondary thread");
  }).join();
  ThreadAttachGuard::Touch();  // the attaching thread gets no thread attach
  EXPECT_EQ(trace.NewLines(),
            (Lines{std::string("DLL_THREAD_ATTACH: ") + kFile, std::string("DLL_THREAD_DETACH: ") + kFile}));
  EXPECT_EQ(Summaries(log.Take(4)), (Lines{"wxLogJournex/wxWidgets: Warning: from the main thread",
                                           std::string("DDL_log_data/wxDLLApp: DLL_THREAD_ATTACH: ") + kFile,
                                           "wxLogJournex/wxWidgets: Warning: from a secondary thread",
                                           std::string("DDL_log_data/wxDLLApp: DLL_THREAD_DETACH: ") + kFile}));

  startup.ProcessDetach(true);
  EXPECT_EQ(trace.NewLines(),
            (Lines{std::string("DLL_PROCESS_DETACH: ") + kFile, "the process is terminating",
                   "Going to deinitialize DLLModule", "DLLModule deinitialized",
                   "Going to deinitialize wxWidgets Application object", "Going to deinitialize wxWidgets",
                   "wxWidgets is now deinitialized"}));
  EXPECT_FALSE(startup.Attached());
  EXPECT_FALSE(startup.OwnsWxWidgets());
  EXPECT_EQ(startup.Module(), nullptr);
  EXPECT_EQ(wxApp::GetInstance(), nullptr);
  startup.ProcessDetach(true);
  EXPECT_TRUE(trace.NewLines().empty()) << "a second detach does nothing";
}

TEST(ModuleStartup, KeepsTheRuntimeOfAHostThatIsAWxWidgetsProgram) {
  wxInitializer hostRuntime;  // the host brought up wxWidgets itself
  ASSERT_TRUE(hostRuntime.IsOk());
  wxAppConsole* const hostApp = wxApp::GetInstance();
  ASSERT_NE(hostApp, nullptr);
  TraceDirectory trace(true);
  ModuleStartup& startup = ModuleStartup::Instance();

  startup.ProcessAttach(Options(trace, true));
  EXPECT_EQ(trace.NewLines(),
            (Lines{std::string("DLL_PROCESS_ATTACH: ") + kFile, "wxTheApp is already present. No initialization needed",
                   "Going to create specific DLLModule", "Going to initialize created DLLModule",
                   "None Dynamic load"}));
  EXPECT_FALSE(startup.OwnsWxWidgets());
  EXPECT_NE(startup.Module(), nullptr);
  EXPECT_EQ(wxApp::GetInstance(), hostApp);

  startup.ProcessDetach(false);
  EXPECT_EQ(trace.NewLines(), (Lines{std::string("DLL_PROCESS_DETACH: ") + kFile, "FreeLibrary  is called",
                                     "Going to deinitialize DLLModule", "DLLModule deinitialized"}));
  EXPECT_EQ(startup.Module(), nullptr);
  EXPECT_EQ(wxApp::GetInstance(), hostApp) << "the host's runtime stays";
  EXPECT_EQ(wxString::Format("%d-%s", 7, "x"), "7-x");
}

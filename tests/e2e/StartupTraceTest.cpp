// The start-up and shut-down of the built module in a host process (swmhost),
// seen through the start-up trace file.
#include <gtest/gtest.h>
#include <limits.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "LogReader.h"
#include "support/SpawnedProgram.h"
#include "support/TraceLines.h"

namespace {
using Lines = std::vector<std::string>;

std::string RealModulePath() {
  char resolved[PATH_MAX];
  const std::string path = std::string(SWM_BUILD_DIR) + "/lib/libswmatrix.so";
  return realpath(path.c_str(), resolved) ? resolved : path;
}

// Runs a short host script in swmhost with the trace directory given.
int RunHost(const std::string& traceDirectory, const std::string& display) {
  SpawnedProgram host({std::string(SWM_BUILD_DIR) + "/bin/swmhost", "run", "-"},
                      {{"SWMATRIX_TRACE_DIR", traceDirectory},
                       {"SWMATRIX_LOG_SOCKET", traceDirectory + "/no-reader"},
                       {"DISPLAY", display},
                       {"WAYLAND_DISPLAY", ""}});
  host.Write("create d DEBUGSWITCHMATRIX\ncheck d\nremove d\n");
  host.CloseInput();
  while (host.OutputLine()) {
  }
  return host.Wait();
}

class HostStartup : public ::testing::Test {
protected:
  void SetUp() override {
    directory = E2eLogSocketPath() + "-trace-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
    std::filesystem::remove_all(directory);
    std::filesystem::create_directories(directory);
  }
  void TearDown() override { std::filesystem::remove_all(directory); }
  std::string directory;
};
}  // namespace

TEST_F(HostStartup, TracesEveryStepOfAttachAndDetach) {
  const std::string file = directory + "/DDLOGGER.DAT";
  std::ofstream(file).flush();
  std::vector<std::string> displays = {""};  // without a display: a console runtime
  if (const char* display = std::getenv("DISPLAY")) {
    displays.push_back(display);  // and with one (xvfb)
  } else if (std::getenv("SWMATRIX_TEST_NEEDS_DISPLAY")) {
    ADD_FAILURE() << "no display: the start-up with one needs Xvfb";
  }
  for (const std::string& display : displays) {
    std::filesystem::resize_file(file, 0);
    ASSERT_EQ(RunHost(directory, display), 0) << "display '" << display << "'";
    const std::string module = RealModulePath();
    EXPECT_EQ(TraceLineTexts(file),
              (Lines{"DLL_PROCESS_ATTACH: " + module, "wxTheApp was not initializated yet",
                     "wxWidgets is now Initialized", "Going to create specific DLLModule",
                     "Going to initialize created DLLModule", "Dynamic load", "DLL_PROCESS_DETACH: " + module,
                     "the process is terminating", "Going to deinitialize DLLModule", "DLLModule deinitialized",
                     "Going to deinitialize wxWidgets Application object", "Going to deinitialize wxWidgets",
                     "wxWidgets is now deinitialized"}))
        << "display '" << display << "'";
  }
}

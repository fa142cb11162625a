#pragma once
// Shared pieces of the stream tests: the wxWidgets runtime sockets need, a
// test driver that owns a stream client, and clean-up of the named locks a
// test creates.
#include <gtest/gtest.h>
#include <wx/init.h>
#include <wx/string.h>

#include <chrono>
#include <string>

#include "framework/Mutex.h"
#include "framework/SwitchMatrixBase.h"
#include "platform/NamedSharedMutex.h"
#include "streams/DeviceStreamClientWithStream.h"
#include "support/Gui.h"
#include "support/SignalStorm.h"

// The identification of the simulated instrument in most stream tests.
constexpr const char* kDmmIdn = "ACME,DMM100,1234,1.0";

// Sockets need an application object: the one that is there (a dialog test
// brings up a GUI one first), else a console one, which needs no display. A
// wxWidgets assertion fails the test instead of stopping it.
inline bool EnsureWxRuntime() {
  static const bool ready = [] {
    if (wxTheApp) return true;
    wxSetAssertHandler([](const wxString& file, int line, const wxString& func, const wxString& cond,
                          const wxString& msg) {
      ADD_FAILURE() << "wxWidgets assertion " << cond << " " << msg << " in " << func << " at " << file << ":"
                    << line;
    });
    static wxInitializer* runtime = new wxInitializer();
    return runtime->IsOk();
  }();
  return ready;
}

// Removes the lock object of a stream ID string when the test ends.
class StreamLockCleanup {
public:
  explicit StreamLockCleanup(std::string idString) : idString_(std::move(idString)) {}
  ~StreamLockCleanup() { NamedSharedMutex::Remove(Name()); }
  std::string Name() const {
    return wxString(Mutex::StreamLockName(wxString::FromUTF8(idString_).ToStdWstring())).utf8_string();
  }

private:
  std::string idString_;
};

// The text a stream or a stream client gives for a status.
template <class Stream>
std::string StreamErrorText(Stream& stream, Status status) {
  std::string text;
  stream.GetErrorString(0, status, text);
  return text;
}

// Sets the time-out the client hands to its stream.
inline void SetClientTimeout(DeviceStreamClientWithStream& client, double seconds) {
  DeviceStreamSettings settings = client.GetStreamSettings();
  settings.timeoutSeconds = seconds;
  client.SetStreamSettings(settings);
}

// A switch matrix that talks to its instrument through a stream client.
class StreamTestDriver : public SwitchMatrixBase {
public:
  StreamTestDriver() { msDescription = "Stream test driver"; }
  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override {
    const Status status = SwitchMatrixBase::LoadProgramSettings(hostContext, store);
    return FirstError(status, client.LoadProgramSettings(hostContext, store));
  }
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override {
    const Status status = SwitchMatrixBase::SaveProgramSettings(hostContext, store);
    return FirstError(status, client.SaveProgramSettings(hostContext, store));
  }
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override {
    return client.CreateStreamConfigurationPanels(hWnd, panels);
  }
  Status CheckDevice(HostWindow hWnd) override { return client.RunIdentificationCheck(hWnd); }

  DeviceStreamClientWithStream client;
};

// What the sanitizers and a busy machine may add to a wait: a wait that must
// end at its time-out never ends before it and ends within this much after it,
// and a call that must not wait for its time-out (set far beyond this) ends
// within this much.
constexpr double kSlowMachineSeconds = 10.0;

inline void ExpectEndedAtTimeout(double seconds, double timeout) {
  EXPECT_GE(seconds, timeout);
  EXPECT_LT(seconds, timeout + kSlowMachineSeconds);
}

// Seconds a call took.
template <class F>
double SecondsOf(F&& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds a call took while a signal interrupted the calling thread every
// 10 ms (support/SignalStorm.h), for a call that should end at `timeout`:
// the storm lasts beyond what the call may take, then ends.
template <class F>
double SecondsUnderSignals(double timeout, F&& call) {
  SignalStorm storm(10, static_cast<long>((timeout + kSlowMachineSeconds) * 1000));
  const double seconds = SecondsOf(call);
  EXPECT_GE(SignalStorm::Delivered(), 10) << "the signals interrupted the call";
  return seconds;
}

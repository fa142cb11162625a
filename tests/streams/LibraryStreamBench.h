#pragma once
// A stream client on one of the transports that go through a vendor
// library (RSIB, USB_D2xx), with the simulator's bus in the test process
// and the simulated libraries named by their variables.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "legacy/LegacyTestBench.h"
#include "streams/StreamTestSupport.h"

// Sets an environment variable for the life of the object, then restores it.
class ScopedVariable {
public:
  ScopedVariable(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old, had_ = true;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedVariable() {
    if (had_) setenv(name_, old_.c_str(), 1);
    else unsetenv(name_);
  }

private:
  const char* name_;
  std::string old_;
  bool had_ = false;
};

struct LibraryStreamBench {
  // The client offers the transport `type`; its configuration is set by the test.
  LibraryStreamBench(const std::string& stem, const std::string& type, const std::string& idString)
      : bench(stem), cleanup(idString) {
    EnsureWxRuntime();
    client.Manager().AddStreamConfiguration(type);
    client.Manager().SetDefaultTypeName(type);
    SetTimeout(1.0);
  }
  void SetTimeout(double seconds) {
    DeviceStreamSettings settings = client.GetStreamSettings();
    settings.timeoutSeconds = seconds;
    client.SetStreamSettings(settings);
  }
  template <class C>
  std::shared_ptr<C> Configuration() {
    return client.SelectedConfigurationAs<C>();
  }
  std::string ErrorText(Status status) {
    std::string text;
    client.GetErrorString(0, status, text);
    return text;
  }

  LegacyTestBench bench;
  ScopedVariable rsib{"SWMATRIX_RSIB_LIBRARY", SimulatedLibrary("librsib.so")};
  ScopedVariable ftd2xx{"SWMATRIX_FTD2XX_LIBRARY", SimulatedLibrary("libftd2xx.so")};
  StreamLockCleanup cleanup;
  DeviceStreamClientWithStream client;
};

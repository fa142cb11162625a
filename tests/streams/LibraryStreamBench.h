#pragma once
// A stream client on one of the transports that go through a vendor
// library (RSIB, USB_D2xx, the GPIB ones), with the simulator's bus in the test process
// and the simulated libraries named by their variables.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "legacy/LegacyTestBench.h"
#include "support/ScopedVariable.h"
#include "streams/StreamTestSupport.h"

struct LibraryStreamBench {
  // The client offers the transport `type`; its configuration is set by the test.
  LibraryStreamBench(const std::string& stem, const std::string& type, const std::string& idString)
      : bench(stem), cleanup(idString) {
    EnsureWxRuntime();
    client.Manager().AddStreamConfiguration(type);
    client.Manager().SetDefaultTypeName(type);
    SetClientTimeout(client, 1.0);
  }
  template <class C>
  std::shared_ptr<C> Configuration() {
    return client.SelectedConfigurationAs<C>();
  }
  std::string ErrorText(Status status) { return StreamErrorText(client, status); }

  LegacyTestBench bench;
  ScopedVariable rsib{"SWMATRIX_RSIB_LIBRARY", SimulatedLibrary("librsib.so")};
  ScopedVariable ftd2xx{"SWMATRIX_FTD2XX_LIBRARY", SimulatedLibrary("libftd2xx.so")};
  StreamLockCleanup cleanup;
  DeviceStreamClientWithStream client;
};

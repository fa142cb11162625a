// The RFB 2000 asks its slots during the check with a short time-out of its
// own; the connections after the check have the stream's time-out again.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "drivers/teseq/TeseqRFB2000.h"
#include "interface/DeviceTypeRegistry.h"
#include "sim/core/Simulator.h"
#include "streams/StreamTestSupport.h"
#include "support/ScopedVariable.h"
#include "support/TestFiles.h"

TEST(TeseqRFB2000, TheCheckTimeOutEndsWithTheCheck) {
  EnsureWxRuntime();
  TestDirectory dir;
  std::filesystem::create_directories(dir.File("ports"));
  ScopedVariable ports("SWMATRIX_PORTS", dir.File("ports"));
  sim::Simulator simulator;
  simulator.SetPortsDirectory(dir.File("ports"));
  simulator.Add("unit", {{"family", "teseq"}, {"model", "rfb2000"}, {"outputs", "6,6,6,6,6,6,6,6,6,6"},
                         {"terminator", "cr"}, {"transport", "pty"}, {"com", "5"}});
  const std::string ini = dir.File("teseq.ini");
  WriteFile(ini, "[Stream Config]\nSelected=RS-232\n[Stream Config.RS232]\nCOMPort=5\n[TESEQRFB6000]\nA-before=3\n");
  std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver("TESEQ_RFB_2000_SM");
  auto* unit = dynamic_cast<TeseqRFB2000*>(driver.get());
  ASSERT_NE(unit, nullptr);
  ASSERT_EQ(driver->LoadConfiguration(0, ini.c_str()), 0u);
  const double stream = unit->GetTimeout(0);
  ASSERT_NE(stream, TeseqRFB2000::kCheckTimeoutSeconds);
  for (int round = 0; round < 2; ++round) {
    ASSERT_EQ(driver->CheckDevice(0), 0u);
    EXPECT_EQ(unit->GetTimeout(0), stream);
    ASSERT_EQ(driver->InitDevice(0), 0u);
    EXPECT_EQ(unit->GetTimeout(0), stream);
    EXPECT_EQ(driver->DeInitDevice(0), 0u);
  }
  driver.reset();
  simulator.Stop();
}

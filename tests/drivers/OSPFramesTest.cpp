// The OSP frame models: how many module slots each has, and the module
// address that a slot's route command names.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "drivers/osp/OSP.h"
#include "interface/DeviceTypeRegistry.h"

TEST(OSPFrames, FrameModelsHaveTheirSlotsAndModuleAddresses) {
  struct Frame {
    const char* key;
    int slots;
    std::vector<std::string> commands;  // slot 0, 2, 3 and the last slot, relay 1, channel 1
  };
  const Frame frames[] = {
      {"OSP_120", 3, {"A11", "A13", "A14", "A13"}},
      {"OSP_130", 3, {"A11", "A13", "A14", "A13"}},
      {"OSP_220", 6, {"M01", "M03", "M06", "M08"}},
      {"OSP_230", 5, {"M01", "M03", "M06", "M07"}},
      {"OSP_320", 10, {"M01", "M03", "M04", "M10"}},
  };
  for (const Frame& frame : frames) {
    std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver(frame.key);
    auto* osp = dynamic_cast<OSP::OSP*>(driver.get());
    ASSERT_NE(osp, nullptr) << frame.key;
    EXPECT_EQ(osp->SlotCount(), frame.slots) << frame.key;
    const int slots[] = {0, 2, 3, frame.slots - 1};
    for (size_t i = 0; i < 4; ++i)
      EXPECT_EQ(osp->GenerateCommand(2, slots[i], 12, 7), "ROUTE:CLOSE (@F02" + frame.commands[i] + "(1207))")
          << frame.key << " slot " << slots[i];
  }
}

// The OSP frames over TCP against the simulated frame (their own transport,
// VISA, is not built yet): the channel lists closed for events 3, 18 and 2
// on each frame model's module addresses, the channels the frame then has
// closed, what it rejects, the identification check, older stored values
// and settings that survive a save, a load and a second save.
#include <gtest/gtest.h>

#include "drivers/StreamDriverBench.h"
#include "drivers/osp/OSP.h"
#include "sim/osp/OspFrame.h"

namespace {
// The module addresses of the first four slots of a frame model.
struct FrameModel {
  const char* simModel;
  std::vector<std::string> places;
};

// Slot 0: B107, slot 1: B131, slot 2: B119, slot 3: B104 (where the frame has it).
constexpr const char* kSlots =
    "[OSP]\nSelectedModuleSlot0=ModuleOSP_B107\nSelectedModuleSlot1=ModuleOSP_B131\n"
    "SelectedModuleSlot2=ModuleOSP_B119\nSelectedModuleSlot3=ModuleOSP_B104\n"
    "DuringRelays0Slot0=NC\nDuringRelays2Slot0=NO\nDuringRelays3Slot0=Position 3\nAfterRelays2Slot0=NC\n"
    "DuringRelays0Slot1=NO\nDuringRelays1Slot1=NC\n"
    "DuringRelays0Slot2=Position 8\nDuringRelays1Slot2=Position 1\nAfterRelays0Slot2=Position 2\n"
    "DuringRelays3Slot3=Position 4\n";

template <class Driver>
void ClosesChannelsOnEveryEvent(const FrameModel& frame) {
  sim::Simulator::Keys keys{{"family", "osp"}, {"model", frame.simModel}};
  const char* types[] = {"B107", "B131", "B119", "B104"};
  for (size_t slot = 0; slot < frame.places.size(); ++slot) keys.emplace_back("module-" + frame.places[slot], types[slot]);
  StreamDriverBench<Driver> bench(keys, kSlots);
  Driver& driver = bench.driver;
  const std::string& a = frame.places[0];
  const std::string& b = frame.places[1];
  const std::string& c = frame.places[2];
  const char* prefix = "ROUTE:CLOSE (@F01";

  EXPECT_EQ(driver.CheckDevice(0), 0u);
  bench.ExpectBytes("*IDN?\n");
  bench.instrument.Set("idn", "ACME,SWITCH,1,1.0");
  EXPECT_EQ(driver.CheckDevice(0), 0x30000096u);
  bench.ExpectBytes("*IDN?\n");

  ASSERT_EQ(driver.InitDevice(0), 0u);
  bench.ExpectBytes("*CLS\n");
  // A position the module does not take (B107 "Position 3") and a relay it
  // does not have (B119 relay 2) are skipped.
  std::string during = std::string(prefix) + a + "(0100))\n" + prefix + a + "(0301))\n" + prefix + b + "(1101))\n" +
                       prefix + b + "(1200))\n" + prefix + c + "(0108))\n";
  if (frame.places.size() > 3) during += std::string(prefix) + frame.places[3] + "(0404))\n";
  for (uint32_t event : {3u, 18u}) {
    EXPECT_EQ(bench.Event(event), 0u);
    bench.ExpectBytes(during, "event " + std::to_string(event));
  }
  auto channel = [&](const std::string& place, int relay) {
    return bench.instrument.template Access<sim::OspFrame>([&](sim::OspFrame& f) { return f.Channel(place, relay); });
  };
  EXPECT_EQ(channel(a, 1), 0);
  EXPECT_EQ(channel(a, 3), 1);
  EXPECT_EQ(channel(b, 11), 1);
  EXPECT_EQ(channel(b, 12), 0);
  EXPECT_EQ(channel(c, 1), 8);
  EXPECT_EQ(bench.Event(7), 0u);
  EXPECT_EQ(bench.Event(2), 0u);
  bench.ExpectBytes(std::string(prefix) + a + "(0300))\n" + prefix + c + "(0102))\n");
  EXPECT_EQ(channel(a, 3), 0);
  EXPECT_EQ(channel(c, 1), 2);
  EXPECT_EQ(bench.instrument.template Access<sim::OspFrame>([](sim::OspFrame& f) { return f.Rejected(); }), 0);

  // A module the frame does not hold where the driver expects one: the frame refuses the channel.
  bench.instrument.Set("module-" + c, "B102");
  EXPECT_EQ(bench.Event(3), 0u);
  bench.ExpectBytes(during);
  EXPECT_EQ(bench.instrument.template Access<sim::OspFrame>([](sim::OspFrame& f) { return f.Rejected(); }), 1);
  EXPECT_EQ(channel(c, 1), -1);

  driver.SetSuppressed(true, false);
  EXPECT_EQ(bench.Event(3), 0u);
  EXPECT_EQ(bench.Event(18), 0u);
  driver.SetSuppressed(false, true);
  EXPECT_EQ(bench.Event(2), 0u);
  bench.ExpectBytes("");
  EXPECT_EQ(driver.DeInitDevice(0), 0u);

  // Every slot with a module and every relay with a position, then saved, loaded and saved.
  for (int slot = 0; slot < OSP::OSP::kSlots; ++slot) {
    const auto module = static_cast<OSP::eModuleSettingsOSP>(slot * 2 + 1);
    driver.SetModule(slot, module);
    const std::vector<std::string> positions = driver.AllowedPositions(module);
    for (int relay = 0; relay < OSP::OSP::kRelays; ++relay) {
      driver.SetPosition(OSP::OSP::kDuring, slot, relay, positions[static_cast<size_t>(relay) % positions.size()]);
      driver.SetPosition(OSP::OSP::kAfter, slot, relay, positions[static_cast<size_t>(relay + 1) % positions.size()]);
    }
  }
  const auto [first, second] = bench.SaveLoadSave();
  EXPECT_EQ(first, second);
  EXPECT_NE(first.find("SelectedModuleSlot9=ModuleOSP_B103\n"), std::string::npos) << first;
  EXPECT_NE(first.find("DuringRelays1Slot0=NC\nAfterRelays1Slot0=NO\n"), std::string::npos) << first;
}
}  // namespace

TEST(OSPFrame, OSP120ClosesChannelsOfModulesA11ToA13) {
  ClosesChannelsOnEveryEvent<OSP::OSP>({"osp120", {"A11", "A12", "A13"}});
}
TEST(OSPFrame, OSP220ClosesChannelsOfModulesM01ToM03AndM06) {
  ClosesChannelsOnEveryEvent<OSP::OSP220>({"osp220", {"M01", "M02", "M03", "M06"}});
}
TEST(OSPFrame, OSP230ClosesChannelsOfModulesM01ToM03AndM06) {
  ClosesChannelsOnEveryEvent<OSP::OSP230>({"osp230", {"M01", "M02", "M03", "M06"}});
}
TEST(OSPFrame, OSP320ClosesChannelsOfModulesM01ToM04) {
  ClosesChannelsOnEveryEvent<OSP::OSP320>({"osp320", {"M01", "M02", "M03", "M04"}});
}

TEST(OSPFrame, OlderOneDigitPositionsLoadAsTheModulesPositionTexts) {
  TestDirectory directory;
  const std::string ini = directory.File("older.ini");
  std::ofstream(ini) << "[OSP]\nSelectedModuleSlot0=ModuleOSP_B107\nSelectedModuleSlot1=ModuleOSP_B119\n"
                        "SelectedModuleSlot2=ModuleOSP_B103\nSelectedModuleSlot3=Unknown\n"
                        "DuringRelays2Slot0=2\nAfterRelays2Slot0=1\nDuringRelays3Slot0=3\nDuringRelays4Slot0=NO\n"
                        "DuringRelays0Slot1=8\nAfterRelays0Slot1=0\nDuringRelays0Slot2=1\nAfterRelays0Slot2=2\n"
                        "DuringRelays0Slot3=1\n";
  OSP::OSP320 driver;
  ASSERT_EQ(driver.LoadConfiguration(0, ini.c_str()), 0u);
  EXPECT_EQ(driver.Position(0, 0, 2), "NO");
  EXPECT_EQ(driver.Position(1, 0, 2), "NC");
  EXPECT_EQ(driver.Position(0, 0, 3), "Do not switch");
  EXPECT_EQ(driver.Position(0, 0, 4), "NO");
  EXPECT_EQ(driver.Position(0, 1, 0), "Position 8");
  EXPECT_EQ(driver.Position(1, 1, 0), "Do not switch");
  EXPECT_EQ(driver.Position(0, 2, 0), "Off");
  EXPECT_EQ(driver.Position(1, 2, 0), "On");
  EXPECT_EQ(driver.Module(3), OSP::NoModuleSelected);
  EXPECT_EQ(driver.Position(0, 3, 0), "Do not switch");
}

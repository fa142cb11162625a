// The OSP frames through the module's exports over VISA against the
// simulated frame on the simulated bus: the channel lists closed for events
// 3, 18 and 2 on each frame model's module addresses, the channels the
// frame then has closed, what it rejects, the identification check, older
// stored values and settings that survive a save, a load and a second save.
#include <gtest/gtest.h>

#include "e2e/InstrumentBench.h"
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

// Every slot with a module and every relay with a position of its module.
std::string EverySetting() {
  const std::vector<std::string> changeOver = {"NC", "NO"}, sixWay = {"Position 1", "Position 2", "Position 3",
                                                                      "Position 4", "Position 5", "Position 6"};
  const std::pair<const char*, std::vector<std::string>> modules[] = {
      {"B107", changeOver}, {"B131", changeOver}, {"B112", sixWay},     {"B101", changeOver}, {"B116", changeOver},
      {"B121", changeOver}, {"B127", changeOver}, {"B136", changeOver}, {"B133", sixWay},     {"B103", {"Off", "On"}}};
  std::string text = "[OSP]\n";
  for (int slot = 0; slot < 10; ++slot) {
    const auto& [name, positions] = modules[slot];
    text += "SelectedModuleSlot" + std::to_string(slot) + "=ModuleOSP_" + name + "\n";
    for (size_t relay = 0; relay < 16; ++relay) {
      const std::string suffix = std::to_string(relay) + "Slot" + std::to_string(slot) + "=";
      text += "DuringRelays" + suffix + positions[relay % positions.size()] + "\n";
      text += "AfterRelays" + suffix + positions[(relay + 1) % positions.size()] + "\n";
    }
  }
  return text;
}

void ClosesChannelsOnEveryEvent(const char* typeKey, const FrameModel& frame) {
  sim::Simulator::Keys keys{{"family", "osp"}, {"model", frame.simModel}};
  const char* types[] = {"B107", "B131", "B119", "B104"};
  for (size_t slot = 0; slot < frame.places.size(); ++slot) keys.emplace_back("module-" + frame.places[slot], types[slot]);
  InstrumentBench bench(Wire::kVisa, keys);
  ModuleDriver driver(typeKey, bench.Ini("osp.ini", kSlots));
  swm::Module& m = driver.m;
  const std::string& a = frame.places[0];
  const std::string& b = frame.places[1];
  const std::string& c = frame.places[2];
  const char* prefix = "ROUTE:CLOSE (@F01";

  EXPECT_EQ(m.CheckDevice(0, driver.id), 0u);
  bench.ExpectBytes("*IDN?\n");
  bench.Instrument().Set("idn", "ACME,SWITCH,1,1.0");
  EXPECT_EQ(m.CheckDevice(0, driver.id), 0x30000096u);
  bench.ExpectBytes("*IDN?\n");

  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  bench.ExpectBytes("*CLS\n");
  // A position the module does not take (B107 "Position 3") and a relay it
  // does not have (B119 relay 2) are skipped.
  std::string during = std::string(prefix) + a + "(0100))\n" + prefix + a + "(0301))\n" + prefix + b + "(1101))\n" +
                       prefix + b + "(1200))\n" + prefix + c + "(0108))\n";
  if (frame.places.size() > 3) during += std::string(prefix) + frame.places[3] + "(0404))\n";
  for (uint32_t event : {3u, 18u}) {
    EXPECT_EQ(driver.Event(event), 0u);
    bench.ExpectBytes(during, "event " + std::to_string(event));
  }
  auto channel = [&](const std::string& place, int relay) {
    return bench.Instrument().template Access<sim::OspFrame>([&](sim::OspFrame& f) { return f.Channel(place, relay); });
  };
  EXPECT_EQ(channel(a, 1), 0);
  EXPECT_EQ(channel(a, 3), 1);
  EXPECT_EQ(channel(b, 11), 1);
  EXPECT_EQ(channel(b, 12), 0);
  EXPECT_EQ(channel(c, 1), 8);
  EXPECT_EQ(driver.Event(7), 0u);
  EXPECT_EQ(driver.Event(2), 0u);
  bench.ExpectBytes(std::string(prefix) + a + "(0300))\n" + prefix + c + "(0102))\n");
  EXPECT_EQ(channel(a, 3), 0);
  EXPECT_EQ(channel(c, 1), 2);
  EXPECT_EQ(bench.Instrument().template Access<sim::OspFrame>([](sim::OspFrame& f) { return f.Rejected(); }), 0);

  // A module the frame does not hold where the driver expects one: the frame refuses the channel.
  bench.Instrument().Set("module-" + c, "B102");
  EXPECT_EQ(driver.Event(3), 0u);
  bench.ExpectBytes(during);
  EXPECT_EQ(bench.Instrument().template Access<sim::OspFrame>([](sim::OspFrame& f) { return f.Rejected(); }), 1);
  EXPECT_EQ(channel(c, 1), -1);

  EXPECT_EQ(m.DeInitDevice(0, driver.id), 0u);

  ModuleDriver changed(typeKey, bench.Ini("every.ini", EverySetting()));
  const std::string first = changed.ExpectStableSave(bench, typeKey);
  EXPECT_NE(first.find("SelectedModuleSlot9=ModuleOSP_B103\n"), std::string::npos) << first;
  EXPECT_NE(first.find("DuringRelays1Slot0=NO\nAfterRelays1Slot0=NC\n"), std::string::npos) << first;
}

// Each frame model with the module addresses of its first slots.
const std::pair<const char*, FrameModel> kFrames[] = {{"OSP_120", {"osp120", {"A11", "A12", "A13"}}},
                                                      {"OSP_130", {"osp130", {"A11", "A12", "A13"}}},
                                                      {"OSP_220", {"osp220", {"M01", "M02", "M03", "M06"}}},
                                                      {"OSP_230", {"osp230", {"M01", "M02", "M03", "M06"}}},
                                                      {"OSP_320", {"osp320", {"M01", "M02", "M03", "M04"}}}};

class OSPFrameModels : public testing::TestWithParam<std::pair<const char*, FrameModel>> {};
}  // namespace

TEST_P(OSPFrameModels, ClosesChannelsOfItsModulesOnEveryEvent) {
  ClosesChannelsOnEveryEvent(GetParam().first, GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(Models, OSPFrameModels, testing::ValuesIn(kFrames),
                         [](const testing::TestParamInfo<std::pair<const char*, FrameModel>>& info) {
                           return std::string(info.param.first);
                         });

TEST(OSPFrame, OlderOneDigitPositionsAndModuleNumbersLoadAsTheirTexts) {
  TestDirectory directory;
  const std::string ini = directory.File("older.ini"), saved = directory.File("saved.ini");
  std::ofstream(ini) << "[OSP]\nSelectedModuleSlot0=ModuleOSP_B107\nSelectedModuleSlot1=ModuleOSP_B119\n"
                        "SelectedModuleSlot2=ModuleOSP_B103\nSelectedModuleSlot3=Unknown\n"
                        "DuringRelays2Slot0=2\nAfterRelays2Slot0=1\nDuringRelays3Slot0=3\nDuringRelays4Slot0=NO\n"
                        "DuringRelays0Slot1=8\nAfterRelays0Slot1=0\nDuringRelays0Slot2=1\nAfterRelays0Slot2=2\n"
                        "DuringRelays0Slot3=1\n"
                        // Modules by number: 1 is B107, 7 is B101; 99 and 7x are none.
                        "SelectedModuleSlot4=1\nDuringRelays2Slot4=2\nSelectedModuleSlot5=7\n"
                        "SelectedModuleSlot6=99\nSelectedModuleSlot7=7x\n";
  ModuleDriver driver("OSP_320", ini);
  ASSERT_EQ(driver.m.SaveConfiguration(0, driver.id, saved.c_str()), 0u);
  const std::string text = ReadFile(saved);
  for (const char* line : {"DuringRelays2Slot0=NO\nAfterRelays2Slot0=NC\n", "DuringRelays3Slot0=Do not switch\n",
                           "DuringRelays4Slot0=NO\n", "DuringRelays0Slot1=Position 8\nAfterRelays0Slot1=Do not switch\n",
                           "DuringRelays0Slot2=Off\nAfterRelays0Slot2=On\n", "SelectedModuleSlot3=NoModuleSelected\n",
                           "DuringRelays0Slot3=Do not switch\n", "SelectedModuleSlot4=ModuleOSP_B107\n",
                           "DuringRelays2Slot4=NO\n", "SelectedModuleSlot5=ModuleOSP_B101\n",
                           "SelectedModuleSlot6=NoModuleSelected\n", "SelectedModuleSlot7=NoModuleSelected\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << " missing in\n" << text;
}

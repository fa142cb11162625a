// A Hubline relay card driven through the module's exports against a
// simulated multislot unit over TCP: identification, the relay commands of
// events 3 and 2 on the wire and in the unit, device errors and saving.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "sim/core/Simulator.h"
#include "sim/hubline/HublineUnit.h"
#include "support/LoadedModule.h"
#include "support/TestFiles.h"

namespace {
std::string TempPath(const std::string& leaf) {
  return testing::TempDir() + "swm-hubline-" + std::to_string(getpid()) + "-" + leaf;
}

struct Bench {
  sim::Simulator simulator;
  sim::Instrument* hub = nullptr;
  std::string ini;
  uint16_t id = 0;

  Bench(const std::string& name, const std::string& switchSection, sim::Simulator::Keys extra = {}) {
    sim::Simulator::Keys keys{{"transport", "tcp"}, {"family", "hubline"}, {"slot3", "relay4"}};
    keys.insert(keys.end(), extra.begin(), extra.end());
    hub = &simulator.Add("hub", keys);
    ini = TempPath(name + ".ini");
    std::ofstream(ini) << "[Common]\nDeviceID=3\nCentreType=0\n"
                       << "[Stream Config]\nSelected=TCPIP\n[Stream Config.Ethernet]\nAddress=127.0.0.1:"
                       << hub->Endpoint().port << "\n[HublineSwitch]\n"
                       << switchSection;
  }
  std::string Relay(char letter) {
    return hub->Access<sim::HublineUnit>([&](sim::HublineUnit& unit) { return unit.Card(3)->Relay(letter); });
  }
  std::string Output(int number) {
    return hub->Access<sim::HublineUnit>([&](sim::HublineUnit& unit) { return unit.Card(3)->Output(number); });
  }
};

uint32_t Event(swm::Module& m, uint16_t id, uint32_t event) {
  double value = 0;
  return m.SetValue(0, id, 1500, &event, &value);
}
}  // namespace

TEST(HublineSwitchE2e, ChecksInitsAndSwitchesTheDuringAndAfterSets) {
  swm::Module& m = LoadedModule();
  Bench bench("switch",
              "Relais1Start=2\nRelais2Start=1\nRelais5Start=1\nRelais1Stop=1\nRelais4Stop=2\nRelais8Stop=2\n");
  ASSERT_EQ(m.CreateNewDeviceDriver(0, "HUBLINE4PORT", &bench.id), DRV_OK);
  ASSERT_EQ(m.LoadConfiguration(0, bench.id, bench.ini.c_str()), DRV_OK);

  ASSERT_EQ(m.CheckDevice(0, bench.id), DRV_OK) << m.ErrorText(bench.id, m.CheckDevice(0, bench.id));
  EXPECT_EQ(bench.hub->ReceivedCommands(),
            (std::vector<std::string>{"*IDN?", "SYSTEM:KLOCK 1", "S3:*IDN?", "SYSTEM:KLOCK 0", "S3:LOCAL", "LOCAL"}));
  bench.hub->ResetLog();

  ASSERT_EQ(m.InitDevice(0, bench.id), DRV_OK);
  ASSERT_EQ(Event(m, bench.id, 3), DRV_OK);
  EXPECT_EQ(bench.hub->ReceivedCommands(),
            (std::vector<std::string>{"*IDN?", "SYSTEM:KLOCK 1", "S3:INT_RELAY_A_NC", "S3:INT_RELAY_B_NO",
                                      "S3:EXT_RELAY_1_ACTIVE"}));
  EXPECT_EQ(bench.Relay('A'), "NC");
  EXPECT_EQ(bench.Relay('B'), "NO");
  EXPECT_EQ(bench.Output(1), "ACTIVE");
  bench.hub->ResetLog();

  ASSERT_EQ(Event(m, bench.id, 2), DRV_OK);
  EXPECT_EQ(bench.hub->ReceivedCommands(),
            (std::vector<std::string>{"S3:INT_RELAY_A_NO", "S3:INT_RELAY_D_NC", "S3:EXT_RELAY_4_IDLE"}));
  EXPECT_EQ(bench.Relay('A'), "NO");
  EXPECT_EQ(bench.Relay('B'), "NO");
  EXPECT_EQ(bench.Relay('D'), "NC");
  EXPECT_EQ(bench.Output(4), "IDLE");

  ASSERT_EQ(m.DeInitDevice(0, bench.id), DRV_OK);
  const std::string saved = TempPath("switch-saved.ini");
  ASSERT_EQ(m.SaveConfiguration(0, bench.id, saved.c_str()), DRV_OK);
  const std::string text = ReadFile(saved);
  for (const char* line : {"DeviceID=3\n", "CentreType=0\n", "Relais1Start=2\n", "Relais5Start=1\n",
                           "Relais4Stop=2\n", "Relais8Stop=2\n", "Relais3Start=0\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << " missing in\n" << text;
  m.RemoveDeviceDriver(0, bench.id);
}

TEST(HublineSwitchE2e, DeviceErrorsBecomeStatusesWithTheUnitsDescription) {
  swm::Module& m = LoadedModule();
  Bench bench("error", "Relais1Start=1\nRelais2Start=2\n",
              {{"device-error", "S3:INT_RELAY_A_NO -> 17"}, {"error-text", "17 -> Relay coil open"}});
  const std::string relayBBefore = bench.Relay('B');
  ASSERT_EQ(m.CreateNewDeviceDriver(0, "HUBLINE2PORT", &bench.id), DRV_OK);
  ASSERT_EQ(m.LoadConfiguration(0, bench.id, bench.ini.c_str()), DRV_OK);
  ASSERT_EQ(m.InitDevice(0, bench.id), DRV_OK);
  bench.hub->ResetLog();

  const uint32_t status = Event(m, bench.id, 3);
  EXPECT_EQ(status, 0x30003A98u + 17);
  // Three attempts, each followed by the description query; relay B is never sent.
  std::vector<std::string> expected;
  for (int i = 0; i < 3; ++i) expected.insert(expected.end(), {"S3:INT_RELAY_A_NO", "EXTRAINFO ERROR 17"});
  EXPECT_EQ(bench.hub->ReceivedCommands(), expected);
  EXPECT_EQ(bench.Relay('B'), relayBBefore);
  EXPECT_EQ(m.ErrorText(bench.id, status),
            "Device returned system error code: 17.\nDescription: Relay coil open.\n"
            "Please check the manual of your device to determine the exact cause.");
  EXPECT_EQ(m.ErrorText(bench.id, 0x30000FBA), "Hubline did not return a response.");
  m.DeInitDevice(0, bench.id);
  m.RemoveDeviceDriver(0, bench.id);
}

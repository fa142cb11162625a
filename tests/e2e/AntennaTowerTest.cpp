// The KRE polarisation tower through the module's exports against the
// simulated relay box on TCP: polarisation through its relays, every tower
// value ID with float heights and with double heights, the info code of
// doubles, the operations a fixed tower lacks (events too), its wait after
// switching, and a negative wait stored as none.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "InstrumentBench.h"
#include "sim/relays/RelayUnits.h"

namespace {
struct Tower : ModuleDriver {
  explicit Tower(const std::string& ini) : ModuleDriver("KREAntennaTower", ini) {}
  uint32_t Polarize(int32_t polarization) { return m.SetValue(0, id, 1201, &polarization, nullptr); }
  int32_t Integer(uint32_t valueId) {
    int32_t value = -1;
    EXPECT_EQ(m.GetValue(0, id, valueId, &value, nullptr), 0u) << valueId;
    return value;
  }
  template <class Height>
  Height Read(uint32_t valueId) {
    Height value = -1;
    EXPECT_EQ(m.GetValue(0, id, valueId, &value, nullptr), 0u) << valueId;
    return value;
  }
};

std::vector<int> Positions(sim::Instrument& box) {
  return box.Access<sim::RelayUnit>([](sim::RelayUnit& u) { return u.Positions(); });
}
}  // namespace

TEST(AntennaTowerE2e, KreTowerSwitchesPolarisationAndAnswersEveryTowerValue) {
  InstrumentBench bench(Wire::kTcp, {{"family", "kre"}});
  sim::Instrument& box = bench.Instrument();
  Tower tower(
      bench.Ini("tower.ini", "[KREAntennaTower]\nWaitTime=200\nRelais1Start=1\nRelais3Start=4\nRelais1Stop=2\n"));
  swm::Module& m = tower.m;
  ASSERT_EQ(m.CheckDevice(0, tower.id), 0u);
  ASSERT_EQ(m.InitDevice(0, tower.id), 0u);

  const auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(tower.Polarize(2), 0u);
  // The antenna is given its "WaitTime" to turn.
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(200));
  ASSERT_TRUE(box.WaitForBytes(5, std::chrono::seconds(5)));
  EXPECT_EQ(box.ReceivedBytes(), "R1P2\n");
  EXPECT_EQ(Positions(box), (std::vector<int>{2, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(tower.Integer(1252), 2);
  box.ResetLog();
  ASSERT_EQ(tower.Polarize(1), 0u);
  ASSERT_TRUE(box.WaitForBytes(9, std::chrono::seconds(5)));
  EXPECT_EQ(box.ReceivedBytes(), "R1P1R3P4\n");
  EXPECT_EQ(Positions(box), (std::vector<int>{1, 0, 4, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(tower.Integer(1252), 1);
  EXPECT_EQ(tower.Integer(1250), 100);

  // Single-precision heights unless the host asks for doubles.
  double info = -1;
  EXPECT_EQ(m.GetInfo(0, tower.id, 3003, &info), 0u);
  EXPECT_EQ(info, 1.0);
  float single = 2.5f;
  ASSERT_EQ(m.SetValue(0, tower.id, 1200, &single, nullptr), 0u);
  EXPECT_EQ(tower.Read<float>(1251), 2.5f);
  EXPECT_EQ(tower.Read<float>(1253), 0.99f);
  EXPECT_EQ(tower.Read<float>(1254), 4.0f);
  ASSERT_EQ(m.SetSetting(0, tower.id, 4003, 1.0), 0u);
  double wide = 3.1415926535;
  ASSERT_EQ(m.SetValue(0, tower.id, 1200, &wide, nullptr), 0u);
  EXPECT_EQ(tower.Read<double>(1251), 3.1415926535);
  EXPECT_EQ(tower.Read<double>(1253), 0.99);
  EXPECT_EQ(tower.Read<double>(1254), 4.0);

  // A fixed tower cannot stop a movement; other IDs go to the driver base.
  EXPECT_EQ(m.SetValue(0, tower.id, 1202, nullptr, nullptr), 0x300000CBu);
  EXPECT_EQ(m.SetValue(0, tower.id, 1203, &wide, nullptr), 0x300000CCu);
  EXPECT_EQ(m.GetValue(0, tower.id, 1249, &wide, nullptr), 0x300000CDu);
  EXPECT_EQ(m.GetValue(0, tower.id, 1251, nullptr, nullptr), 0x300000CDu);
  double frequency = 80.0;
  EXPECT_EQ(m.SetValue(0, tower.id, 2, &frequency, nullptr), 0u);
  for (uint32_t event : {0u, 3u, 85u, 0xFFFFFFFFu}) EXPECT_EQ(tower.Event(event), 0x300000CCu) << "a tower takes no events";

  // Without its connection the polarisation fails with the stream client's status, and nothing is stored.
  ASSERT_EQ(m.DeInitDevice(0, tower.id), 0u);
  EXPECT_EQ(tower.Polarize(2), 0x30000006u);
  EXPECT_EQ(tower.Integer(1252), 1);
}

// (Every setting saved and loaded again: SettingsRoundTripTest.cpp.)
TEST(AntennaTowerE2e, KreTowerSavesANegativeWaitTimeAsZero) {
  InstrumentBench bench(Wire::kTcp);
  Tower tower(bench.Write("tower.ini", "[Stream Config]\nSelected=TCPIP\n[Stream Config.Ethernet]\n"
                                       "Address=127.0.0.1:1\n[KREAntennaTower]\nWaitTime=-5\nWait=15\n"));
  const std::string text = tower.ExpectStableSave(bench, "KREAntennaTower");
  EXPECT_NE(text.find("WaitTime=0\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Wait=15\n"), std::string::npos) << text;
}

// The relay cards through the module's exports: the MCC board and the
// Advantech card behind their simulated libraries on swmsim's bus, the
// Denkovi board on TCP. The relays read back from the simulated boards after
// events 3 and 2, the MCC library shared by two drivers, the Advantech
// read-modify-write and its polarisation tower on bit 0, the statuses and
// texts of a missing library, of a board without devices and of a library
// error.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <optional>
#include <string>
#include <vector>

#include "InstrumentBench.h"
#include "sim/relaycards/CardBoards.h"
#include "sim/relays/RelayUnits.h"

namespace {
// A card on swmsim's bus, reached through its simulated library.
sim::Instrument& Card(InstrumentBench& bench, const std::string& family, const std::string& resource,
                      sim::Simulator::Keys keys = {}) {
  keys.insert(keys.end(), {{"family", family}, {"transport", "visa"}, {"resource", resource}});
  return bench.Add(family, keys);
}

std::vector<int> Relays(sim::Instrument& board) {
  return board.Access<sim::MccBoard>([](sim::MccBoard& b) { return b.Relays(); });
}
int Output(sim::Instrument& card) { return card.Access<sim::AdvantechCard>([](sim::AdvantechCard& c) { return c.Output(); }); }
size_t Writes(sim::Instrument& card) { return card.Access<sim::AdvantechCard>([](sim::AdvantechCard& c) { return c.Writes(); }); }

std::vector<int> With(std::vector<int> relays, std::initializer_list<std::pair<int, int>> changes) {
  for (const auto& [number, value] : changes) relays[static_cast<size_t>(number - 1)] = value;
  return relays;
}
}  // namespace

TEST(RelayCardsE2e, MccBoardSwitchesEachRelayAndSharesItsLibrary) {
  swm::Module& m = LoadedModule();
  InstrumentBench bench(Wire::kBus);
  sim::Instrument& board = Card(bench, "mcc", "MCCDAQ::0::INSTR");
  const std::string ini = bench.Write(
      "mcc.ini", "[MCC_USB_ERB]\nRelais1Start=2\nRelais2Start=1\nRelais24Start=2\nRelais1Stop=1\nRelais5Stop=2\n");
  ModuleDriver first("MCC_USB_ERB24", ini), second("mcc_usb_erb24", ini);
  ASSERT_EQ(m.CheckDevice(0, first.id), 0u);
  ASSERT_EQ(m.InitDevice(0, first.id), 0u);
  ASSERT_EQ(m.InitDevice(0, second.id), 0u);

  const std::vector<int> rest(24, 0);
  ASSERT_EQ(first.Event(3), 0u);
  EXPECT_EQ(Relays(board), With(rest, {{1, 1}, {24, 1}}));
  ASSERT_EQ(first.Event(2), 0u);
  EXPECT_EQ(Relays(board), With(rest, {{5, 1}, {24, 1}}));
  EXPECT_EQ(first.Event(7), 0u);

  // The first driver lets go; the board stays open for the second.
  ASSERT_EQ(m.DeInitDevice(0, first.id), 0u);
  ASSERT_EQ(second.Event(3), 0u);
  EXPECT_EQ(Relays(board), With(rest, {{1, 1}, {5, 1}, {24, 1}}));
  ASSERT_EQ(m.DeInitDevice(0, second.id), 0u);
}

TEST(RelayCardsE2e, MccStatusesCarryTheTextsOfTheLibrary) {
  swm::Module& m = LoadedModule();
  InstrumentBench bench(Wire::kBus);
  const std::string ini = bench.Write("mcc.ini", "[MCC_USB_ERB]\nRelais1Start=2\nRelais12Start=2\n");
  {
    // No board on the bus.
    ModuleDriver driver("MCC_USB_ERB24", ini);
    const uint32_t none = m.InitDevice(0, driver.id);
    EXPECT_EQ(none, 0x3000B0F5u);
    EXPECT_EQ(driver.Text(none), "No MC Computing devices are found.");
  }
  // A board with 8 relays: relay 12 is an error of the library, after relay 1 was switched.
  sim::Instrument& board = Card(bench, "mcc", "MCCDAQ::7::INSTR", {{"relays", "8"}, {"product", "USB-ERB08"}});
  ModuleDriver driver("MCC_USB_ERB24", ini);
  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  const uint32_t failed = driver.Event(3);
  EXPECT_EQ(failed, 0x3000B158u + 9);
  EXPECT_EQ(driver.Text(failed), "Invalid digital bit number.");
  EXPECT_EQ(Relays(board), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0}));
  ASSERT_EQ(m.DeInitDevice(0, driver.id), 0u);

  ScopedVariable nothing("SWMATRIX_MCC_LIBRARY", bench.File("libnothing.so"));
  const uint32_t missing = m.CheckDevice(0, driver.id);
  EXPECT_EQ(missing, 0x3000B0F4u);
  EXPECT_EQ(driver.Text(missing), "The MC Computing Universal Library cannot be loaded. Please install the Universal Library. (" +
                                      bench.File("libnothing.so") + ": cannot open shared object file: No such file or directory)");
  EXPECT_EQ(driver.Event(3), 0x3000B0F6u);  // not open: nothing to switch
}

TEST(RelayCardsE2e, ACardThatIsNotOpenOrALibraryWithoutAFunctionSaysSo) {
  swm::Module& m = LoadedModule();
  InstrumentBench bench(Wire::kBus);
  sim::Instrument& board = Card(bench, "mcc", "MCCDAQ::0::INSTR");
  sim::Instrument& card = Card(bench, "advantech", "ADVANTECH::3::INSTR", {{"output", "6"}});
  const std::string mcc = bench.Write("mcc.ini", "[MCC_USB_ERB]\nRelais1Start=2\n");
  const std::string advantech = bench.Write("card.ini", "[PCI1761]\nRelais1Start=1\n[LabCardLib]\nDevice=3\n");
  // Another MCC driver holds the library and the board open.
  ModuleDriver holder("MCC_USB_ERB24", mcc);
  ASSERT_EQ(m.InitDevice(0, holder.id), 0u);
  const std::string wrongLibrary = SimulatedLibrary("libmccuniversal.so");
  struct Case {
    const char* key;
    std::string ini;
    bool init;  // else event 3 without InitDevice
    uint32_t status;
    std::string text;
    std::string advantechLibrary;
  };
  const Case cases[] = {
      {"MCC_USB_ERB24", mcc, false, 0x3000B0F6, "The MC Computing relay board is not open. Initialise the device first.", ""},
      {"ADVANTECHPCI1761", advantech, false, 0x3000138A, "The Advantech card is not open. Initialise the device first.", ""},
      {"ADVANTECHPCI1761", advantech, true, 0x30001389,
       "The LabCard DLL (" + wrongLibrary + ") lacks the function DRV_SelectDevice.", wrongLibrary},
  };
  for (const Case& c : cases) {
    std::optional<ScopedVariable> library;
    if (!c.advantechLibrary.empty()) library.emplace("SWMATRIX_ADVANTECH_LIBRARY", c.advantechLibrary);
    ModuleDriver driver(c.key, c.ini);
    const uint32_t status = c.init ? m.InitDevice(0, driver.id) : driver.Event(3);
    EXPECT_EQ(status, c.status) << c.key;
    EXPECT_EQ(driver.Text(status), c.text) << c.key;
  }
  EXPECT_EQ(Relays(board), std::vector<int>(24, 0)) << "nothing was switched";
  EXPECT_EQ(Output(card), 6);
}

TEST(RelayCardsE2e, AdvantechCardChangesOnlyItsRelaysBitsAndItsTowerUsesBitZero) {
  swm::Module& m = LoadedModule();
  InstrumentBench bench(Wire::kBus);
  sim::Instrument& card = Card(bench, "advantech", "ADVANTECH::3::INSTR", {{"output", "6"}});
  const std::string ini =
      bench.Write("card.ini",
                  "[PCI1761]\nRelais1Start=1\nRelais2Start=2\nRelais8Start=1\nRelais1Stop=2\nWait=20\n"
                  "[LabCardLib]\nDevice=3\n");
  {
    ModuleDriver relays("ADVANTECHPCI1761", ini);
    ASSERT_EQ(m.CheckDevice(0, relays.id), 0u);
    ASSERT_EQ(m.InitDevice(0, relays.id), 0u);
    ASSERT_EQ(relays.Event(3), 0u);
    EXPECT_EQ(Output(card), 0x85);  // bit 2 was on and stays on
    ASSERT_EQ(relays.Event(2), 0u);
    EXPECT_EQ(Output(card), 0x84);
  }

  ModuleDriver tower("ADVANTECHPCI1761ATTTRIMBLE", ini);
  ASSERT_EQ(m.InitDevice(0, tower.id), 0u);
  int32_t polarization = 0;
  ASSERT_EQ(m.GetValue(0, tower.id, 1252, &polarization, nullptr), 0u);
  EXPECT_EQ(polarization, 1);
  polarization = 2;
  ASSERT_EQ(m.SetValue(0, tower.id, 1201, &polarization, nullptr), 0u);
  EXPECT_EQ(Output(card), 0x85);
  // The polarisation it already has writes nothing.
  const size_t writes = Writes(card);
  ASSERT_EQ(m.SetValue(0, tower.id, 1201, &polarization, nullptr), 0u);
  EXPECT_EQ(Writes(card), writes);
  polarization = 0;
  ASSERT_EQ(m.GetValue(0, tower.id, 1252, &polarization, nullptr), 0u);
  EXPECT_EQ(polarization, 2);
  polarization = 1;
  ASSERT_EQ(m.SetValue(0, tower.id, 1201, &polarization, nullptr), 0u);
  EXPECT_EQ(Output(card), 0x84);
  float single = 0;
  ASSERT_EQ(m.GetValue(0, tower.id, 1251, &single, nullptr), 0u);
  EXPECT_EQ(single, 1.1f);
  ASSERT_EQ(m.SetSetting(0, tower.id, 4003, 1), 0u);
  double wide = 7.5;
  ASSERT_EQ(m.SetValue(0, tower.id, 1200, &wide, nullptr), 0u);
  ASSERT_EQ(m.GetValue(0, tower.id, 1251, &wide, nullptr), 0u);
  EXPECT_EQ(wide, 1.100000023841858);
  EXPECT_EQ(tower.Event(3), 0x300000CCu) << "a tower takes no events";
  double info = -1;
  EXPECT_EQ(m.GetInfo(0, tower.id, 3003, &info), 0u);
  EXPECT_EQ(info, 0.0);
  EXPECT_EQ(m.SetValue(0, tower.id, 1202, nullptr, nullptr), 0x300000CBu);

  // A device number the library does not know: its own result; then a library that cannot be loaded.
  ModuleDriver absent("ADVANTECHPCI1761", bench.Write("absent.ini", "[LabCardLib]\nDevice=5\n"));
  EXPECT_EQ(m.InitDevice(0, absent.id), 1u);
  ScopedVariable nothing("SWMATRIX_ADVANTECH_LIBRARY", bench.File("libnothing.so"));
  ModuleDriver unloaded("ADVANTECHPCI1761", ini);
  const uint32_t missing = m.InitDevice(0, unloaded.id);
  EXPECT_EQ(missing, 0x30001388u);
  EXPECT_EQ(unloaded.Text(missing), "Could not load LabCard DLL. (" + bench.File("libnothing.so") +
                                        ": cannot open shared object file: No such file or directory)");
}

TEST(RelayCardsE2e, DenkoviBoardSwitchesOverItsStream) {
  swm::Module& m = LoadedModule();
  InstrumentBench bench(Wire::kTcp, {{"family", "denkovi"}, {"terminator", "none"}});
  sim::Instrument& board = bench.Instrument();
  ModuleDriver driver("DAE_CB_RO16", bench.Ini("board.ini",
                                               "[DENKOVI_SwitchMatrix]\nRelais3Start=1\nRelais1Start=2\n"
                                               "Relais16Start=2\nRelais1Stop=1\n"));
  ASSERT_EQ(m.CheckDevice(0, driver.id), 0u);
  EXPECT_EQ(board.ReceivedBytes(), "ask//");
  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  board.ResetLog();
  auto positions = [&] { return board.Access<sim::RelayUnit>([](sim::RelayUnit& u) { return u.Positions(); }); };
  std::vector<int> expected(16, 0);
  ASSERT_EQ(driver.Event(3), 0u);
  ASSERT_TRUE(board.WaitForBytes(15, std::chrono::seconds(5)));
  EXPECT_EQ(board.ReceivedBytes(), "03-//01+//16+//");
  EXPECT_EQ(positions(), With(expected, {{1, 1}, {16, 1}}));
  board.ResetLog();
  ASSERT_EQ(driver.Event(2), 0u);
  ASSERT_TRUE(board.WaitForBytes(5, std::chrono::seconds(5)));
  EXPECT_EQ(board.ReceivedBytes(), "01-//");
  EXPECT_EQ(positions(), With(expected, {{16, 1}}));

  // Every relay left: nothing is sent.
  ModuleDriver idle("DAE_CB_RO16", bench.Ini("idle.ini", ""));
  ASSERT_EQ(m.InitDevice(0, idle.id), 0u);
  ASSERT_EQ(idle.Event(3), 0u);
  ASSERT_EQ(driver.Event(2), 0u);  // a marker: it arrives after anything the idle board might have sent
  ASSERT_TRUE(board.WaitForBytes(10, std::chrono::seconds(5)));
  EXPECT_EQ(board.ReceivedBytes(), "01-//01-//");
}

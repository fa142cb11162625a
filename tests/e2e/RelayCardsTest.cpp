// The relay cards through the module's exports: the MCC board and the
// Advantech card behind their simulated libraries on swmsim's bus, the
// Denkovi board on TCP. The relays read back from the simulated boards after
// events 3 and 2, the MCC library shared by two drivers, the Advantech
// read-modify-write and its polarisation tower on bit 0, the statuses and
// texts of a missing library, of a board without devices and of a library
// error, and the settings saved, loaded and saved again unchanged.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "sim/core/Simulator.h"
#include "sim/relaycards/CardBoards.h"
#include "sim/relays/RelayUnits.h"
#include "support/LoadedModule.h"
#include "support/TestFiles.h"

namespace {
std::string SimulatedLibrary(const std::string& name) { return std::string(SWM_BUILD_DIR) + "/lib/sim/" + name; }

// The simulator with its bus, and the environment that leads the module's card libraries to it.
struct CardBench {
  TestDirectory directory;
  sim::Simulator simulator;
  CardBench() {
    EXPECT_EQ(simulator.ListenBus(directory.File("bus")), "");
    setenv("SWMATRIX_SIM_BUS", directory.File("bus").c_str(), 1);
    setenv("SWMATRIX_MCC_LIBRARY", SimulatedLibrary("libmccuniversal.so").c_str(), 1);
    setenv("SWMATRIX_ADVANTECH_LIBRARY", SimulatedLibrary("libadsapi.so").c_str(), 1);
  }
  ~CardBench() { simulator.Stop(); }
  sim::Instrument& Card(const std::string& family, const std::string& resource, sim::Simulator::Keys keys = {}) {
    keys.emplace_back("family", family);
    keys.emplace_back("transport", "visa");
    keys.emplace_back("resource", resource);
    return simulator.Add(family + std::to_string(simulator.Instruments().size()), keys);
  }
  std::string Settings(const std::string& text) {
    const std::string path = directory.File("card" + std::to_string(files++) + ".ini");
    WriteFile(path, text);
    return path;
  }
  int files = 0;
};

struct Driver {
  swm::Module& m;
  uint16_t id = 0;
  Driver(swm::Module& module, const char* key, const std::string& ini = "") : m(module) {
    EXPECT_EQ(m.CreateNewDeviceDriver(0, key, &id), 0u) << key;
    if (!ini.empty()) {
      EXPECT_EQ(m.LoadConfiguration(0, id, ini.c_str()), 0u);
    }
  }
  ~Driver() {
    m.DeInitDevice(0, id);
    m.RemoveDeviceDriver(0, id);
  }
  uint32_t Event(uint32_t event) {
    double value = 0;
    return m.SetValue(0, id, 1500, &event, &value);
  }
  std::string Text(uint32_t status) { return m.ErrorText(id, status); }
};

// Loads the file, saves it, loads the saved file into a new driver and saves again: both saves are equal.
std::string SaveLoadSave(swm::Module& m, const char* key, const std::string& ini, TestDirectory& directory) {
  Driver first(m, key, ini);
  const std::string saved = directory.File(std::string(key) + "-saved.ini");
  const std::string resaved = directory.File(std::string(key) + "-resaved.ini");
  EXPECT_EQ(m.SaveConfiguration(0, first.id, saved.c_str()), 0u);
  Driver second(m, key, saved);
  EXPECT_EQ(m.SaveConfiguration(0, second.id, resaved.c_str()), 0u);
  EXPECT_EQ(ReadFile(resaved), ReadFile(saved));
  return ReadFile(saved);
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
  CardBench bench;
  sim::Instrument& board = bench.Card("mcc", "MCCDAQ::0::INSTR");
  const std::string ini = bench.Settings(
      "[MCC_USB_ERB]\nRelais1Start=2\nRelais2Start=1\nRelais24Start=2\nRelais1Stop=1\nRelais5Stop=2\n");
  Driver first(m, "MCC_USB_ERB24", ini), second(m, "mcc_usb_erb24", ini);
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
  CardBench bench;
  const std::string ini = bench.Settings("[MCC_USB_ERB]\nRelais1Start=2\nRelais12Start=2\n");
  {
    // No board on the bus.
    Driver driver(m, "MCC_USB_ERB24", ini);
    const uint32_t none = m.InitDevice(0, driver.id);
    EXPECT_EQ(none, 0x3000B0F5u);
    EXPECT_EQ(driver.Text(none), "No MC Computing devices are found.");
  }
  // A board with 8 relays: relay 12 is an error of the library, after relay 1 was switched.
  sim::Instrument& board = bench.Card("mcc", "MCCDAQ::7::INSTR", {{"relays", "8"}, {"product", "USB-ERB08"}});
  Driver driver(m, "MCC_USB_ERB24", ini);
  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  const uint32_t failed = driver.Event(3);
  EXPECT_EQ(failed, 0x3000B158u + 9);
  EXPECT_EQ(driver.Text(failed), "Invalid digital bit number.");
  EXPECT_EQ(Relays(board), (std::vector<int>{1, 0, 0, 0, 0, 0, 0, 0}));
  ASSERT_EQ(m.DeInitDevice(0, driver.id), 0u);

  setenv("SWMATRIX_MCC_LIBRARY", bench.directory.File("libnothing.so").c_str(), 1);
  const uint32_t missing = m.CheckDevice(0, driver.id);
  EXPECT_EQ(missing, 0x3000B0F4u);
  EXPECT_EQ(driver.Text(missing), "The MC Computing Universal Library cannot be loaded. Please install the Universal Library.");
  EXPECT_EQ(driver.Event(3), 0x3000B0F4u);
}

TEST(RelayCardsE2e, AdvantechCardChangesOnlyItsRelaysBitsAndItsTowerUsesBitZero) {
  swm::Module& m = LoadedModule();
  CardBench bench;
  sim::Instrument& card = bench.Card("advantech", "ADVANTECH::3::INSTR", {{"output", "6"}});
  const std::string ini =
      bench.Settings("[PCI1761]\nRelais1Start=1\nRelais2Start=2\nRelais8Start=1\nRelais1Stop=2\nWait=20\n"
                     "[LabCardLib]\nDevice=3\n");
  {
    Driver relays(m, "ADVANTECHPCI1761", ini);
    ASSERT_EQ(m.CheckDevice(0, relays.id), 0u);
    ASSERT_EQ(m.InitDevice(0, relays.id), 0u);
    ASSERT_EQ(relays.Event(3), 0u);
    EXPECT_EQ(Output(card), 0x85);  // bit 2 was on and stays on
    ASSERT_EQ(relays.Event(2), 0u);
    EXPECT_EQ(Output(card), 0x84);
  }

  Driver tower(m, "ADVANTECHPCI1761ATTTRIMBLE", ini);
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
  double info = -1;
  EXPECT_EQ(m.GetInfo(0, tower.id, 3003, &info), 0u);
  EXPECT_EQ(info, 0.0);
  EXPECT_EQ(m.SetValue(0, tower.id, 1202, nullptr, nullptr), 0x300000CBu);

  // A device number the library does not know: its own result; then a library that cannot be loaded.
  Driver absent(m, "ADVANTECHPCI1761", bench.Settings("[LabCardLib]\nDevice=5\n"));
  EXPECT_EQ(m.InitDevice(0, absent.id), 1u);
  setenv("SWMATRIX_ADVANTECH_LIBRARY", bench.directory.File("libnothing.so").c_str(), 1);
  Driver unloaded(m, "ADVANTECHPCI1761", ini);
  const uint32_t missing = m.InitDevice(0, unloaded.id);
  EXPECT_EQ(missing, 0x30001388u);
  EXPECT_EQ(unloaded.Text(missing), "Could not load LabCard DLL.");
}

TEST(RelayCardsE2e, DenkoviBoardSwitchesOverItsStream) {
  swm::Module& m = LoadedModule();
  CardBench bench;
  sim::Instrument& board =
      bench.simulator.Add("denkovi", {{"family", "denkovi"}, {"transport", "tcp"}, {"terminator", "none"}});
  const std::string stream = "[Stream Config]\nSelected=TCPIP\n[Stream Config.Ethernet]\nAddress=127.0.0.1:" +
                             std::to_string(board.Endpoint().port) + "\n";
  Driver driver(m, "DAE_CB_RO16",
                bench.Settings(stream + "[DENKOVI_SwitchMatrix]\nRelais3Start=1\nRelais1Start=2\nRelais16Start=2\n"
                                        "Relais1Stop=1\n"));
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
  Driver idle(m, "DAE_CB_RO16", bench.Settings(stream));
  ASSERT_EQ(m.InitDevice(0, idle.id), 0u);
  ASSERT_EQ(idle.Event(3), 0u);
  ASSERT_EQ(driver.Event(2), 0u);  // a marker: it arrives after anything the idle board might have sent
  ASSERT_TRUE(board.WaitForBytes(10, std::chrono::seconds(5)));
  EXPECT_EQ(board.ReceivedBytes(), "01-//01-//");
}

TEST(RelayCardsE2e, EveryCardSavesLoadsAndSavesItsSettingsUnchanged) {
  swm::Module& m = LoadedModule();
  TestDirectory directory;
  std::string mcc = "[Common]\nDescription=Relays\n[MCC_USB_ERB]\n";
  for (int n = 1; n <= 24; ++n)
    mcc += "Relais" + std::to_string(n) + "Start=" + std::to_string(n % 2 + 1) + "\nRelais" + std::to_string(n) +
           "Stop=" + std::to_string(2 - n % 2) + "\n";
  std::string advantech = "[PCI1761]\nWait=35\n";
  for (int n = 1; n <= 8; ++n)
    advantech += "Relais" + std::to_string(n) + "Start=" + std::to_string(n % 2 + 1) + "\nRelais" +
                 std::to_string(n) + "Stop=" + std::to_string(2 - n % 2) + "\n";
  advantech += "[LabCardLib]\nDevice=4\n";
  std::string denkovi = "[Stream Config]\nSelected=TCPIP\n[Stream Config.Ethernet]\nAddress=127.0.0.1:9\n"
                        "[DENKOVI_SwitchMatrix]\n";
  for (int n = 1; n <= 16; ++n)
    denkovi += "Relais" + std::to_string(n) + "Start=" + std::to_string(n % 2 + 1) + "\nRelais" + std::to_string(n) +
               "Stop=" + std::to_string(2 - n % 2) + "\n";
  const struct {
    const char* key;
    std::string settings;
    std::string piece;
  } cases[] = {{"MCC_USB_ERB24", mcc, "Relais24Start=1\nRelais1Stop=1\n"},
               {"ADVANTECHPCI1761", advantech, "Relais8Stop=2\nWait=35\n\n[LabCardLib]\nDevice=4\n"},
               {"ADVANTECHPCI1761ATTTRIMBLE", advantech, "Wait=35\n"},
               {"DAE_CB_RO16", denkovi, "Relais16Stop=2\n"}};
  for (const auto& c : cases) {
    const std::string ini = directory.File(std::string(c.key) + ".ini");
    WriteFile(ini, c.settings);
    const std::string text = SaveLoadSave(m, c.key, ini, directory);
    EXPECT_NE(text.find(c.piece), std::string::npos) << c.key << "\n" << text;
  }
}

// A Hubline relay card driven through the module's exports over the bus
// transports: GPIB (the card's default transport, also with no settings at
// all) and VISA (a GPIB resource, a LAN resource, and a LAN resource opened
// as HiSLIP), each against a simulated Hubline unit on the simulated bus
// behind the simulated vendor libraries, with the transport settings saved
// as they were given. Also: the statuses and texts of a missing or
// incomplete vendor library.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "e2e/InstrumentBench.h"
#include "sim/hubline/HublineUnit.h"

namespace {
constexpr const char* kTypeKey = "HUBLINE4PORT";

struct BusCase {
  const char* name;
  sim::Simulator::Keys unitKeys;  // where the unit is on the bus
  const char* streamTables;       // the transport's part of the INI file
  const char* savedTransport;     // what the saved file holds for it
};

const std::vector<BusCase>& Cases() {
  static const std::vector<BusCase> cases = {
      {"Gpib",
       {{"transport", "gpib"}, {"address", "1"}},
       "[Stream Config]\nSelected=GPIB\n",
       "Selected=GPIB\n"},
      {"VisaGpibResource",
       {{"transport", "gpib"}, {"address", "7"}},
       "[Stream Config]\nSelected=VISA\n[Stream Config.VISA]\nIdentifier=GPIB0::7::INSTR\n",
       "[Stream Config.VISA]\nIdentifier=GPIB0::7::INSTR\nTryHiSLIP=0\n"},
      {"VisaLanResource",
       {{"transport", "visa"}, {"resource", "TCPIP0::127.0.0.1::INSTR"}},
       "[Stream Config]\nSelected=VISA\n[Stream Config.VISA]\nIdentifier=TCPIP0::127.0.0.1::INSTR\n",
       "Selected=VISA\n"},
      // The unit answers only as HiSLIP: reaching it proves the conversion.
      {"VisaHiSLIP",
       {{"transport", "visa"}, {"resource", "TCPIP0::127.0.0.1::hislip0::INSTR"}},
       "[Stream Config]\nSelected=VISA\n[Stream Config.VISA]\nIdentifier=TCPIP0::127.0.0.1\nTryHiSLIP=1\n",
       "[Stream Config.VISA]\nIdentifier=TCPIP0::127.0.0.1\nTryHiSLIP=1\n"},
  };
  return cases;
}

const char* const kRelays = "[Common]\nDeviceID=1\n[HublineSwitch]\nRelais1Start=1\nRelais2Start=1\nRelais5Start=1\n"
                            "Relais1Stop=2\nRelais5Stop=2\n";

// The Hubline unit with its relay card in slot 1, on the bus where `where` puts it.
sim::Simulator::Keys UnitKeys(const sim::Simulator::Keys& where) {
  sim::Simulator::Keys keys{{"family", "hubline"}, {"slot1", "relay4"}};
  keys.insert(keys.end(), where.begin(), where.end());
  return keys;
}

std::vector<std::string> CardState(sim::Instrument& unit) {
  return unit.Access<sim::HublineUnit>([](sim::HublineUnit& hub) { return hub.Card(1)->Summary(); });
}

class BusStreamsE2e : public testing::TestWithParam<size_t> {};
}  // namespace

TEST_P(BusStreamsE2e, RelayCardSwitchesBothSetsAndKeepsItsTransport) {
  const BusCase& c = Cases()[GetParam()];
  swm::Module& m = LoadedModule();
  InstrumentBench bench(Wire::kBus, UnitKeys(c.unitKeys));
  sim::Instrument& unit = bench.Instrument();
  if (std::string(c.name) == "Gpib") {
    // A new driver with no settings at all reaches the unit at GPIB0, address 1.
    ModuleDriver fresh(kTypeKey);
    const uint32_t checked = m.CheckDevice(0, fresh.id);
    EXPECT_EQ(checked, 0u) << m.ErrorText(fresh.id, checked);
  }
  ModuleDriver driver(kTypeKey, bench.Write("card.ini", std::string(kRelays) + c.streamTables));
  ASSERT_TRUE(driver.created);
  const uint16_t id = driver.id;
  unit.ResetLog();
  const uint32_t checked = m.CheckDevice(0, id);
  ASSERT_EQ(checked, 0u) << m.ErrorText(id, checked);
  EXPECT_EQ(unit.ReceivedCommands(), (std::vector<std::string>{"*IDN?", "SYSTEM:KLOCK 1", "S1:*IDN?",
                                                                "SYSTEM:KLOCK 0", "S1:LOCAL", "LOCAL"}));
  ASSERT_EQ(m.InitDevice(0, id), 0u);
  unit.ResetLog();
  ASSERT_EQ(driver.Event(3), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), Joined({"S1:INT_RELAY_A_NO", "S1:INT_RELAY_B_NO", "S1:EXT_RELAY_1_ACTIVE"}));
  EXPECT_EQ(CardState(unit), std::vector<std::string>{"A=NO B=NO C=NC D=NC, out 1=ACTIVE 2=IDLE 3=IDLE 4=IDLE"});
  unit.ResetLog();
  ASSERT_EQ(driver.Event(2), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), Joined({"S1:INT_RELAY_A_NC", "S1:EXT_RELAY_1_IDLE"}));
  EXPECT_EQ(CardState(unit), std::vector<std::string>{"A=NC B=NO C=NC D=NC, out 1=IDLE 2=IDLE 3=IDLE 4=IDLE"});
  EXPECT_EQ(m.DeInitDevice(0, id), 0u);

  const std::string saved = driver.ExpectStableSave(bench, kTypeKey);
  EXPECT_NE(saved.find(c.savedTransport), std::string::npos) << saved;
}

INSTANTIATE_TEST_SUITE_P(Transports, BusStreamsE2e, testing::Range<size_t>(0, Cases().size()),
                         [](const testing::TestParamInfo<size_t>& info) { return Cases()[info.param].name; });

// A vendor library that is missing, or that lacks the functions the module
// needs (here: the other simulated library in its place), gives a status and
// a text that names the library and what is wrong; nothing crashes.
TEST(BusStreamsLibraries, MissingOrIncompleteLibrariesGiveTheirStatusAndText) {
  swm::Module& m = LoadedModule();
  InstrumentBench bench(Wire::kBus, UnitKeys({{"transport", "gpib"}, {"address", "1"}}));
  const std::string nowhere = bench.File("nowhere/libmissing.so");
  const struct {
    const char* selected;
    const char* variable;
    std::string library;
    uint32_t status;
    std::string text;
  } cases[] = {
      {"GPIB", "SWMATRIX_GPIB_LIBRARY", nowhere, 0x3000022E,
       "The GPIB library (NI-488.2) cannot be loaded. Is the GPIB software installed? (" + nowhere +
           ": cannot open shared object file: No such file or directory)"},
      {"GPIB", "SWMATRIX_GPIB_LIBRARY", SimulatedLibrary("libvisa.so"), 0x30007026,
       "System error 38: Function not implemented (" + SimulatedLibrary("libvisa.so") + ": ThreadIbsta is missing)"},
      {"VISA", "SWMATRIX_VISA_LIBRARY", nowhere, 0x300002E5,
       "Could not find VISA32.DLL. Is VISA installed? (" + nowhere +
           ": cannot open shared object file: No such file or directory)"},
      {"VISA", "SWMATRIX_VISA_LIBRARY", SimulatedLibrary("libgpib.so.0"), 0x300002E5,
       "Could not find VISA32.DLL. Is VISA installed? (" + SimulatedLibrary("libgpib.so.0") +
           ": viOpenDefaultRM, viOpen, viClose, viWrite, viRead, viGetAttribute, viSetAttribute, viClear, "
           "viStatusDesc, viFlush are missing)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.library);
    ScopedVariable library(c.variable, c.library);
    ModuleDriver driver(kTypeKey, bench.Write("lib.ini", std::string("[Stream Config]\nSelected=") + c.selected +
                                                             "\n[Stream Config.VISA]\nIdentifier=GPIB0::1::INSTR\n"));
    const uint32_t status = m.CheckDevice(0, driver.id);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(m.ErrorText(driver.id, status), c.text);
  }
}

// A configurable switch (the Wattex switch) over each bus transport it
// offers: identification, its set-up command and its "during" and "after"
// commands reach the instrument; over CompliantGPIB opening first enables
// the instrument's service requests and closing disables them.
TEST(BusStreamsConfigurableSwitch, SendsItsCommandsOverEachBusTransport) {
  const struct {
    const char* selected;
    const char* streamTables;
    const char* opening;
    const char* closing;
  } cases[] = {
      {"GPIB", "[SwitchMatrix.Stream Config.GPIB]\nPriAdr=5\n", "", ""},
      {"CompliantGPIB", "[SwitchMatrix.Stream Config.GPIB]\nPriAdr=5\n", "*CLS*SRE 48*ESE 1", "*SRE 0*ESE 0"},
      {"VISA", "[SwitchMatrix.Stream Config.VISA]\nIdentifier=GPIB0::5::INSTR\n", "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.selected);
    InstrumentBench bench(Wire::kBus, {{"family", "programmable"},
                                       {"transport", "gpib"},
                                       {"address", "5"},
                                       {"answer", "*IDN? -> SWMSIM,WATTEX,0,1.0"}});
    sim::Instrument& wattex = bench.Instrument();
    ModuleDriver driver(
        "KOVALEXWTXSWITCH",
        bench.Write("wattex.ini",
                    std::string("[SwitchMatrix.Stream Config]\nSelected=") + c.selected + "\n" + c.streamTables +
                        "[SwitchMatrix.ConfigurableDeviceDriverBase]\nGetID=*IDN?\nReturnedID=SWMSIM,WATTEX\n"
                        "Init=SYST:REM\nTimeOutTimeSeconds=2\n[SwitchMatrix]\nDuringTest=PATH A1\n"
                        "AfterTest=PATH:RESET\n"));
    swm::Module& m = driver.m;
    const uint16_t id = driver.id;
    const uint32_t checked = m.CheckDevice(0, id);
    EXPECT_EQ(checked, 0u) << m.ErrorText(id, checked);
    EXPECT_EQ(wattex.ReceivedBytes(), std::string(c.opening) + "*IDN?\n" + c.closing);
    wattex.ResetLog();
    ASSERT_EQ(m.InitDevice(0, id), 0u);
    ASSERT_EQ(driver.Event(3), 0u);
    ASSERT_EQ(driver.Event(2), 0u);
    const std::string bytes = wattex.ReceivedBytes();
    EXPECT_NE(bytes.find("SYST:REM\nPATH A1\nPATH:RESET\n"), std::string::npos) << bytes;
    EXPECT_EQ(m.DeInitDevice(0, id), 0u);
  }
}

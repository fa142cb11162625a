// A Novotronik unit driven through the module's exports against a simulated
// unit on a pseudo-terminal (every command between STX and ETX) and over
// TCP (one command per line): identification, the start-up queries, the
// switches of the rows of events 3 and 2 with their verification, a switch
// that sticks on a pole.
#include <gtest/gtest.h>

#include "InstrumentBench.h"
#include "sim/novotronik/NovotronikUnit.h"

namespace {
const std::string kRows =
    "[Novotronik]\nRow 0 Event=3\nRow 0 Pin 0=2\nRow 0 Pin 7=5\nRow 1 Event=2\nRow 1 Pin 2=1\n"
    "Row 2 Event=0\nRow 2 Pin 1=4\nRow 3 Event=2\nRow 3 Pin 4=100\n";

std::string Framed(std::initializer_list<const char*> commands) {
  std::string bytes;
  for (const char* command : commands) bytes += std::string("\x02") + command + "\x03";
  return bytes;
}

std::vector<int> Poles(sim::Instrument& unit) {
  return unit.Access<sim::NovotronikUnit>([](sim::NovotronikUnit& u) {
    std::vector<int> poles;
    for (int sw = 1; sw <= sim::NovotronikUnit::kSwitches; ++sw) poles.push_back(u.Pole(sw));
    return poles;
  });
}
}  // namespace

TEST(NovotronikE2e, SerialFramesEveryCommandBetweenStxAndEtx) {
  InstrumentBench bench(Wire::kSerial, {{"family", "novotronik"}, {"framing", "stx-etx"}, {"terminator", "none"}});
  sim::Instrument& unit = bench.Instrument();
  ModuleDriver driver("NOVOTRONIK_SWITCH_6501", bench.Ini("unit.ini", kRows));
  swm::Module& m = driver.m;
  const uint16_t id = driver.id;
  ASSERT_EQ(m.CheckDevice(0, id), 0u) << m.ErrorText(id, m.CheckDevice(0, id));
  EXPECT_EQ(unit.ReceivedBytes(), Framed({"*IDN"}));
  unit.ResetLog();
  ASSERT_EQ(m.InitDevice(0, id), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), Framed({"STI", "STM"}));
  unit.ResetLog();

  EXPECT_EQ(driver.Event(SWM_EVENT_InitialisationStarted), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), Framed({"SES01P02", "STS", "SES08P05", "STS"}));
  EXPECT_EQ(Poles(unit), (std::vector<int>{2, 0, 0, 0, 0, 0, 0, 5}));
  unit.ResetLog();
  // Row 2 has no event: event 0 sends nothing. Row 3 does nothing on event 2.
  EXPECT_EQ(driver.Event(0), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_TestStopped), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), Framed({"SES03P01", "STS"}));
  EXPECT_EQ(Poles(unit), (std::vector<int>{2, 0, 1, 0, 0, 0, 0, 5}));
  EXPECT_EQ(m.DeInitDevice(0, id), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_TestStopped), 0x30001F41u);
  EXPECT_EQ(m.ErrorText(id, 0x30001F41u).rfind("The device is not connected: ", 0), 0u) << m.ErrorText(id, 0x30001F41u);
  // A port that does not exist: the stream is not open.
  ModuleDriver absent("NOVOTRONIK_SWITCH",
                      bench.Write("absent.ini", "[Stream Config]\nSelected=RS-232\n[Stream Config.RS232]\nCOMPort=" +
                                                    std::to_string(InstrumentBench::kComPort + 5) + "\n"));
  EXPECT_EQ(m.InitDevice(0, absent.id), 0x30001F41u);
  const std::string com = "COM" + std::to_string(InstrumentBench::kComPort + 5);
  EXPECT_NE(m.ErrorText(absent.id, 0x30001F41u).find(com + " is /dev/ttyS"), std::string::npos)
      << "the port, its device and how it maps: " << m.ErrorText(absent.id, 0x30001F41u);
}

TEST(NovotronikE2e, TcpLinesStickingSwitchWrongUnitAndSettings) {
  InstrumentBench bench(Wire::kTcp, {{"family", "novotronik"}, {"framing", "plain"}, {"stuck", "8:3"}});
  sim::Instrument& unit = bench.Instrument();
  ModuleDriver driver("NOVOTRONIK_SWITCH", bench.Ini("unit.ini", kRows));
  swm::Module& m = driver.m;
  const uint16_t id = driver.id;
  ASSERT_EQ(m.CheckDevice(0, id), 0u);
  ASSERT_EQ(m.InitDevice(0, id), 0u);
  const uint32_t stuck = driver.Event(SWM_EVENT_InitialisationStarted);
  EXPECT_EQ(stuck, 0x30006DC5u);
  EXPECT_EQ(m.ErrorText(id, stuck),
            "Setting the switch 08 to pole 05 has not been correctly carried out by the device, because it currently "
            "is still set to pole 03.");
  // Switch 1 at once; switch 8 twice, each time verified ten times.
  std::vector<std::string> expected{"*IDN", "STI", "STM", "SES01P02", "STS"};
  for (int attempt = 0; attempt < 2; ++attempt) {
    expected.push_back("SES08P05");
    expected.insert(expected.end(), 10, "STS");
  }
  EXPECT_EQ(unit.ReceivedCommands(), expected);
  EXPECT_TRUE(unit.ReceivedBytes().starts_with("*IDN\nSTI\nSTM\nSES01P02\n"));
  EXPECT_EQ(m.DeInitDevice(0, id), 0u);

  // The 6511 key expects another unit.
  ModuleDriver other("NOVOTRONIK_SWITCH_6511", bench.Ini("other.ini", ""));
  const uint32_t wrong = m.CheckDevice(0, other.id);
  EXPECT_EQ(wrong, 0x30000096u);
  EXPECT_EQ(other.Text(wrong),
            "The received identification of the device (\"NOVOTRONIK,GTS6501,SWMSIM,1.0\") is not matching with the "
            "expected identification (\"NOVOTRONIK,GTS6511\").");
}

TEST(NovotronikE2e, TheSerialTerminatorsStayWithTheSerialConnection) {
  // The TCP bench first: the serial bench's ports directory must be the one in effect.
  InstrumentBench tcp(Wire::kTcp, {{"family", "novotronik"}, {"framing", "plain"}});
  InstrumentBench serial(Wire::kSerial, {{"family", "novotronik"}, {"framing", "stx-etx"}, {"terminator", "none"}});
  ModuleDriver driver("NOVOTRONIK_SWITCH", serial.Ini("serial.ini", kRows));
  swm::Module& m = driver.m;
  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  EXPECT_EQ(serial.TakeBytes(), Framed({"STI", "STM"}));
  ASSERT_EQ(m.DeInitDevice(0, driver.id), 0u);

  // The same driver moved to TCP frames with line feeds and reads the unit's lines.
  ASSERT_EQ(m.LoadConfiguration(0, driver.id, tcp.Ini("tcp.ini", kRows).c_str()), 0u);
  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_InitialisationStarted), 0u);
  EXPECT_EQ(tcp.TakeBytes(), "STI\nSTM\nSES01P02\nSTS\nSES08P05\nSTS\n");
  ASSERT_EQ(m.DeInitDevice(0, driver.id), 0u);

  // And back on the serial port, ETX again.
  ASSERT_EQ(m.LoadConfiguration(0, driver.id, serial.Ini("serial.ini", kRows).c_str()), 0u);
  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  EXPECT_EQ(serial.TakeBytes(), Framed({"STI", "STM"}));
}

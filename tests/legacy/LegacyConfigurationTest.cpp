// The settings of the legacy bus classes in INI files: the GPIB table with
// its default wait, the RS232 table with its record, the GPIB/RS232 selector
// and the VISA identifier.
#include <gtest/gtest.h>

#include "LegacyTestBench.h"
#include "LogCollector.h"
#include "legacy/GPIBRS232.h"
#include "legacy/NI488GPIB.h"
#include "legacy/RS232Configuration.h"
#include "legacy/Visa.h"
#include "support/SettingsFile.h"
#include "support/TestFiles.h"

namespace {
// Each test's INI file, in a directory of its own.
class LegacyConfiguration : public testing::Test {
protected:
  TestDirectory directory;
  const std::string file = directory.File("device.ini");
};
}  // namespace

TEST_F(LegacyConfiguration, GPIBSettingsLoadAndSaveInTheirTable) {
  NI488GPIB gpib(GPIB1, 9, 0, 100);
  EXPECT_EQ(gpib.SaveConfiguration(0, file.c_str()), 0u);
  EXPECT_EQ(ReadFile(file), "[GPIB]\nBoard=1\nPriAdr=9\nSecAdr=0\nWait=0\nClear=1\nReaddress=1\n");

  struct Case {
    const char* text;
    GPIBBoardNumbers board;
    int primary, secondary;
    unsigned long wait;
    bool clear, readdress;
  };
  const Case cases[] = {
      {"[GPIB]\nBoard=2\nPriAdr=12\nSecAdr=96\nWait=0\nClear=0\nReaddress=0\n", GPIB2, 12, 96, 100, false, false},
      {"[GPIB]\nWait=250\n", GPIB1, 9, 0, 250, true, true},
      {"[gpib]\nwait=0\nclear=NO\n", GPIB1, 9, 0, 100, false, true},
      {"[Other]\nBoard=3\n", GPIB1, 9, 0, 100, true, true},
  };
  for (const Case& c : cases) {
    NI488GPIB loaded(GPIB1, 9, 0, 100);
    WriteFile(file, c.text);
    EXPECT_EQ(loaded.LoadConfiguration(0, file.c_str()), 0u);
    EXPECT_EQ(loaded.GetBoard(), c.board) << c.text;
    EXPECT_EQ(loaded.GetPrimaryAddress(), c.primary) << c.text;
    EXPECT_EQ(loaded.GetSecondaryAddress(), c.secondary) << c.text;
    EXPECT_EQ(loaded.GetWait(), c.wait) << c.text << " (a stored 0 takes the default wait)";
    EXPECT_EQ(loaded.GetClear(), c.clear) << c.text;
    EXPECT_EQ(loaded.GetReaddress(), c.readdress) << c.text;
  }
  NI488GPIB noDefault(GPIB0, 1, 0, 0);
  WriteFile(file, "[GPIB]\nWait=0\n");
  EXPECT_EQ(noDefault.LoadConfiguration(0, file.c_str()), 0u);
  EXPECT_EQ(noDefault.GetWait(), 0u);
}

TEST_F(LegacyConfiguration, GPIBKeysMayCarryAPrefixAndAreChecked) {
  NI488GPIBConfiguration configuration(GPIB3, 4, 100, 0, "Relay");
  ASSERT_EQ(SaveFile(configuration, file), 0u);
  EXPECT_EQ(ReadFile(file),
            "[GPIB]\nRelayBoard=3\nRelayPriAdr=4\nRelaySecAdr=100\nRelayWait=0\nRelayClear=1\nRelayReaddress=1\n");
  const struct {
    GPIBBoardNumbers board;
    int primary, secondary;
    bool valid;
  } cases[] = {{GPIB0, 0, 0, true},    {GPIB3, 30, 126, true}, {GPIB0, 31, 0, false},  {GPIB0, -1, 0, false},
               {GPIB0, 5, 95, false},  {GPIB0, 5, 127, false}, {GPIB_INVALID, 5, 0, false},
               {static_cast<GPIBBoardNumbers>(4), 5, 0, false}};
  for (const auto& c : cases) {
    NI488GPIBConfiguration candidate(c.board, c.primary, c.secondary);
    EXPECT_EQ(candidate.IsValid(), c.valid) << c.board << " " << c.primary << " " << c.secondary;
  }
}

TEST_F(LegacyConfiguration, RS232SettingsLoadAndSaveWithOneRecord) {
  LogCollector log;
  RS232Configuration configuration(3, Br19200, Even, Data7, Stop2, 0);
  ASSERT_EQ(SaveFile(configuration, file), 0u);
  EXPECT_EQ(ReadFile(file), "[RS232]\nCOMPort=3\nParity=2\nDataBits=7\nBaudRate=19200\nStopBits=2\nImplementation=0\n");

  WriteFile(file, "[RS232]\nCOMPort=0\nParity=1\nDataBits=8\nBaudRate=115200\nStopBits=1\nImplementation=1\n");
  RS232Configuration loaded;
  ASSERT_EQ(LoadFile(loaded, file), 0u);
  EXPECT_EQ(loaded.GetCOMPort(), 1) << "at least port 1";
  EXPECT_EQ(loaded.GetParity(), Odd);
  EXPECT_EQ(loaded.GetDataBits(), Data8);
  EXPECT_EQ(loaded.GetBaudRate(), Br115200);
  EXPECT_EQ(loaded.GetStopBits(), Stop15);
  EXPECT_EQ(loaded.GetImplementation(), RS232Configuration::kNativeImplementation);
  const auto records = LogCollector::Containing(log.UntilMarker(), {"RS232Implementation"});
  ASSERT_EQ(records.size(), 2u) << "one record for the save, one for the load";
  EXPECT_NE(records[1].find(";LoadProgramSettings;RS232Configuration;Note;!general;RS232Implementation;"
                            "description;a19:RS232Implementation;COMPort;i1;Baudrate;i115200;DataBits;i8;Parity;i1;"
                            "StopBits;i1;Implementation;i1"),
            std::string::npos)
      << records[1];
}

TEST_F(LegacyConfiguration, TheSelectorReadsAndWritesOnlyCommunication) {
  WriteFile(file, "[GPIBRS232]\nCommunication=1\nOther=5\n");
  GPIBRS232 selector;
  EXPECT_FALSE(selector.IsGPIB()) << "RS232 by default";
  ASSERT_EQ(LoadFile(selector, file), 0u);
  EXPECT_TRUE(selector.IsGPIB());
  selector.SetCommunication(7);
  EXPECT_FALSE(selector.IsGPIB()) << "anything but 1 is RS232";
  ASSERT_EQ(SaveFile(selector, file), 0u);
  EXPECT_EQ(ReadFile(file), "[GPIBRS232]\nCommunication=7\nOther=5\n");
}

TEST_F(LegacyConfiguration, TheVisaIdentifierIsStored) {
  Visa visa;
  EXPECT_EQ(visa.GetIdentifier(), "Insert the Visa identification here");
  visa.SetIdentifier("TCPIP0::192.168.0.5::INSTR");
  ASSERT_EQ(SaveFile(visa, file), 0u);
  EXPECT_EQ(ReadFile(file), "[VISA]\nIdentifier=TCPIP0::192.168.0.5::INSTR\n");
  Visa loaded;
  ASSERT_EQ(LoadFile(loaded, file), 0u);
  EXPECT_EQ(loaded.GetIdentifier(), "TCPIP0::192.168.0.5::INSTR");
}

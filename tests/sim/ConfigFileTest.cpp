// The configuration file: good files and bad ones, each bad one with a clear error.
// (Reading a file, and the error for a missing one: the Program tests run swmsim on files.)
#include <gtest/gtest.h>

#include "sim/core/ConfigFile.h"

namespace {

TEST(ConfigFile, AGoodFileGivesTheSimulatorAndEveryInstrument) {
  const char* text = R"(# a bench
; another comment
[simulator]
ports = /tmp/ports
control = /tmp/ctl
bus = /tmp/bus
board_address = 21
portmapper = 111
web = 8080

[instrument dmm]
family = scpi
transport = tcp
port = 0
idn = "ACME, DMM100,1234,1.0 "
answer = MEAS? -> +1.0E+00

[instrument  meter ]
transport = pty
com = 3
terminator = CRLF
fault = late 200, garbage

[instrument ps]
transport = gpib
address = 5
secondary = 96
)";
  sim::SimulatorConfig config;
  std::string error;
  ASSERT_TRUE(sim::ParseConfig(text, "bench.ini", &config, &error)) << error;
  EXPECT_EQ(config.portsDirectory, "/tmp/ports");
  EXPECT_EQ(config.controlPath, "/tmp/ctl");
  EXPECT_EQ(config.busPath, "/tmp/bus");
  EXPECT_EQ(config.boardAddress, 21);
  EXPECT_EQ(config.portmapper, 111);
  EXPECT_EQ(config.web, 8080);
  ASSERT_EQ(config.instruments.size(), 3u);
  EXPECT_EQ(config.instruments[0].name, "dmm");
  EXPECT_EQ(config.instruments[0].line, 11);
  ASSERT_EQ(config.instruments[0].entries.size(), 5u);
  EXPECT_EQ(config.instruments[0].entries[3].key, "idn");
  EXPECT_EQ(config.instruments[0].entries[3].value, "ACME, DMM100,1234,1.0 ");  // quotes keep spaces
  EXPECT_EQ(config.instruments[0].entries[3].line, 15);
  EXPECT_EQ(config.instruments[1].name, "meter");
  EXPECT_EQ(config.instruments[2].entries.size(), 3u);

  sim::BuiltInstrument built;
  int line = 0;
  ASSERT_TRUE(sim::BuildInstrument("ps", config.instruments[2].entries, &built, &error, &line));
  EXPECT_EQ(built.settings.resource, "GPIB0::5::0::INSTR");
  ASSERT_TRUE(sim::BuildInstrument("meter", config.instruments[1].entries, &built, &error, &line));
  EXPECT_EQ(built.settings.readTerminator, sim::Terminator::kCrLf);
  EXPECT_EQ(built.settings.faults.lateMs, 200u);
  EXPECT_TRUE(built.settings.faults.garbage);
}

TEST(ConfigFile, BadFilesGiveTheLineAndTheReason) {
  const struct {
    const char* text;
    const char* error;
  } cases[] = {
      {"", "test.ini:0: no [instrument NAME] section"},
      {"key = value\n", "test.ini:1: 'key' before any section"},
      {"[simulator\n", "test.ini:1: section header without ']'"},
      {"[device x]\n", "test.ini:1: unknown section '[device x]'"},
      {"[instrument]\n", "test.ini:1: unknown section"},
      {"[instrument a b]\n", "test.ini:1: unknown section"},
      {"[instrument d m m]\n", "test.ini:1: unknown section"},
      {"[instrument a/b]\n", "test.ini:1: bad instrument name 'a/b'"},
      {"[instrument a]\ntransport=tcp\n[instrument a]\n", "test.ini:3: instrument 'a' already defined on line 1"},
      {"[simulator]\ncolour = red\n", "test.ini:2: unknown key 'colour' in [simulator]"},
      {"[simulator]\nboard-address = 31\n", "test.ini:2: bad board-address '31'"},
      {"[simulator]\nportmapper = 65536\n", "test.ini:2: bad portmapper port '65536'"},
      {"[simulator]\nweb = -1\n", "test.ini:2: bad web port '-1' (0 to 65535)"},
      {"[instrument a]\ntransport = tcp\ndevice = inst0\n", "test.ini:3: key 'device' does not apply to transport tcp"},
      {"[instrument a]\ntransport = vxi11\ndevice = a b\n", "test.ini:3: bad device name 'a b'"},
      {"[simulator]\nports =\n", "test.ini:2: 'ports' needs a value"},
      {"[instrument a]\ntransport tcp\n", "test.ini:2: expected KEY = VALUE, got 'transport tcp'"},
      {"[instrument a]\n= tcp\n", "test.ini:2: a value without a key"},
      {"[instrument a]\nfamily = scpi\n", "test.ini:1: instrument 'a' has no transport"},
      {"[instrument a]\ntransport = carrier-pigeon\n", "test.ini:2: unknown transport 'carrier-pigeon'"},
      {"[instrument a]\ntransport = tcp\nfamily = toaster\n", "test.ini:1: unknown family 'toaster' (scpi, hubline, programmable, "},
      {"[instrument a]\ntransport = tcp\nport = 70000\n", "test.ini:3: bad port '70000'"},
      {"[instrument a]\ntransport = tcp\nport = -1\n", "test.ini:3: bad port"},
      {"[instrument a]\ntransport = tcp\ncom = 1\n", "test.ini:3: key 'com' does not apply to transport tcp"},
      {"[instrument a]\ntransport = tcp\nterminator = semicolon\n", "test.ini:3: bad terminator 'semicolon'"},
      {"[instrument a]\ntransport = tcp\nfault = fire\n", "test.ini:3: unknown fault 'fire'"},
      {"[instrument a]\ntransport = tcp\nseed = x\n", "test.ini:3: bad seed 'x'"},
      {"[instrument a]\ntransport = tcp\nanswer = X? 1\n", "test.ini:3: 'answer' needs COMMAND -> ANSWER"},
      {"[instrument a]\ntransport = tcp\nanswer-re = ( -> 1\n", "test.ini:3: bad regular expression '('"},
      {"[instrument a]\ntransport = tcp\nvolume = 11\n", "test.ini:3: unknown key 'volume' for family scpi"},
      {"[instrument hub]\nfamily = hubline\ntransport = tcp\nslot2 = relay4\nslot2_boxes = 7\n",
       "test.ini:5: slot2-boxes needs 0 to 4, not '7'"},
      {"[instrument a]\ntransport = gpib\n", "test.ini:1: gpib instrument 'a' needs an address"},
      {"[instrument a]\ntransport = gpib\naddress = 31\n", "test.ini:3: bad GPIB primary address '31'"},
      {"[instrument a]\ntransport = gpib\naddress = 1\nsecondary = 5\n", "test.ini:4: bad GPIB secondary address '5'"},
      {"[instrument a]\ntransport = gpib\naddress = 1\nboard = 4\n", "test.ini:4: bad GPIB board '4'"},
      {"[instrument a]\ntransport = visa\n", "test.ini:1: visa instrument 'a' needs a resource"},
      {"[instrument a]\ntransport = visa\nresource = A B\n", "test.ini:3: bad resource name 'A B'"},
      {"[instrument a]\ntransport = tcp\nidn = a\\\n", "test.ini:3: a backslash ends the text"},
  };
  for (const auto& each : cases) {
    sim::SimulatorConfig config;
    config.controlPath = "untouched";
    std::string error;
    EXPECT_FALSE(sim::ParseConfig(each.text, "test.ini", &config, &error)) << each.text;
    EXPECT_EQ(error.substr(0, std::string(each.error).size()), each.error) << each.text;
    EXPECT_EQ(config.controlPath, "untouched");  // a failed parse leaves the result alone
  }
}

TEST(ConfigFile, BinaryJunkIsAnErrorNotACrash) {
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk.push_back(static_cast<char>((i * 7919) % 256));
  sim::SimulatorConfig config;
  std::string error;
  EXPECT_FALSE(sim::ParseConfig(junk, "junk", &config, &error));
  EXPECT_EQ(error.substr(0, 5), "junk:");
  const char withNul[] = "[instrument a]\ntransport = tcp\nidn = a\0b\n";
  EXPECT_FALSE(sim::ParseConfig(std::string(withNul, sizeof withNul - 1), "nul", &config, &error));
  EXPECT_EQ(error, "nul:3: NUL byte in the line");
}

}  // namespace

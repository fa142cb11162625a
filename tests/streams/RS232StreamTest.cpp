// The serial transport: its configuration, the termination options, and
// exchanges with a simulated instrument on a pseudo-terminal, with and
// without sharing the port.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "streams/SerialInstrument.h"
#include "streams/rs232/RS232DeviceStream.h"
#include "support/SettingsFile.h"
#include "support/TestFiles.h"

namespace {
using Keys = sim::Simulator::Keys;
constexpr Status kShortRead = 0x3000012E;

std::shared_ptr<RS232DeviceStream> Transport(DeviceStreamClientWithStream& client) {
  return std::dynamic_pointer_cast<RS232DeviceStream>(client.TransportStream());
}

TEST(RS232Configuration, DefaultsAreSavedAsTheTableRS232) {
  TestDirectory directory;
  RS232DeviceStreamConfiguration configuration;
  EXPECT_EQ(configuration.GetIDString(), "RS232:COM1");
  EXPECT_EQ(configuration.GetStreamTypeName(), "RS-232");
  EXPECT_EQ(configuration.GetCommunicationFamily(), "Serial");
  EXPECT_TRUE(configuration.GetFirstLineControl());
  EXPECT_FALSE(configuration.GetSecondLineControl());
  ASSERT_EQ(SaveFile(configuration, directory.File("a.ini")), 0u);
  EXPECT_EQ(ReadFile(directory.File("a.ini")),
            "[RS232]\nCOMPort=1\nParity=0\nDataBits=8\nBaudRate=19200\nStopBits=0\nSendTermination=0\n"
            "ReceiveTermination=0\nCOMPortSharing=0\nNewLineReturnIsEndOfString=1\n");
}

TEST(RS232Configuration, LoadingKeepsTheLowEightBitsOfThePortAndAtLeastPortOne) {
  struct Case {
    std::string file;
    int current;
    int port;
  };
  const Case cases[] = {
      {"[RS232]\nCOMPort=3\n", 1, 3},    {"[RS232]\nCOMPort=257\n", 1, 1}, {"[RS232]\nCOMPort=300\n", 1, 44},
      {"[RS232]\nBaudRate=9600\n", 5, 5}, {"[RS232]\nCOMPort=0\n", 5, 1},   {"[Other]\nCOMPort=9\n", 0, 1},
  };
  TestDirectory directory;
  const std::string file = directory.File("a.ini");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    WriteFile(file, c.file);
    RS232DeviceStreamConfiguration configuration;
    configuration.SetCOMPort(c.current);
    ASSERT_EQ(LoadFile(configuration, file), 0u);
    EXPECT_EQ(configuration.GetCOMPort(), c.port);
  }
  WriteFile(file,
            "[RS232]\nParity=2\nDataBits=7\nBaudRate=115200\nStopBits=2\nSendTermination=3\nReceiveTermination=1\n"
            "COMPortSharing=yes\nNewLineReturnIsEndOfString=0\n");
  RS232DeviceStreamConfiguration loaded;
  ASSERT_EQ(LoadFile(loaded, file), 0u);
  EXPECT_EQ(loaded.GetParity(), Even);
  EXPECT_EQ(loaded.GetDataBits(), Data7);
  EXPECT_EQ(loaded.GetBaudRate(), Br115200);
  EXPECT_EQ(loaded.GetStopBits(), Stop2);
  EXPECT_EQ(loaded.GetSendTermination(), CarrierReturnPlusLineFeed);
  EXPECT_EQ(loaded.GetReceiveTermination(), CarrierReturn);
  EXPECT_TRUE(loaded.GetCOMPortSharing());
  EXPECT_FALSE(loaded.GetNewLineReturnIsEndOfString());
}

TEST(RS232Configuration, ValidityAndOrder) {
  RS232DeviceStreamConfiguration a, b;
  for (const auto& [port, valid] : std::vector<std::pair<int, bool>>{{0, false}, {1, true}, {65534, true}, {65535, false}}) {
    a.SetCOMPort(port);
    EXPECT_EQ(a.IsValid(), valid) << port;
  }
  a.SetCOMPort(2);
  b.SetCOMPort(3);
  EXPECT_TRUE(a < b);
  EXPECT_FALSE(b < a);
  b.SetCOMPort(2);
  EXPECT_FALSE(a < b);
  EXPECT_FALSE(b < a);
  b.SetBaudRate(Br115200);
  EXPECT_TRUE(a < b);
}

TEST(RS232Stream, TerminationOptionsAndTheOperationCompleteQuery) {
  DeviceStreamSettings none;
  none.sendTerminationEnabled = false;
  DeviceStreamSettings lineFeed;  // the default: "\n" enabled
  DeviceStreamSettings crlf;
  crlf.sendTermination = "\r\n";
  struct Case {
    std::string text;
    bool opc;
    const DeviceStreamSettings* settings;
    CommunicationTerminationOption option;
    std::string sent;
  };
  const Case cases[] = {
      {"A", false, &none, CarrierReturnPlusLineFeed, "A\r\n"},
      {"A\r\n", false, &none, CarrierReturnPlusLineFeed, "A\r\n"},
      {"A\r", false, &none, CarrierReturnPlusLineFeed, "A\r\r\n"},
      {"A", false, &none, CarrierReturn, "A\r"},
      {"A\r", false, &none, CarrierReturn, "A\r"},
      {"A", false, &none, LineFeed, "A\n"},
      {"A", false, &none, NoTermination, "A"},
      {"", false, &none, CarrierReturnPlusLineFeed, ""},
      {"", false, &none, LineFeed, ""},
      {"A", false, &lineFeed, NoTermination, "A\n"},
      {"A\n", false, &lineFeed, NoTermination, "A\n"},
      {"A", false, &lineFeed, CarrierReturn, "A\n\r"},
      {"A", false, &crlf, CarrierReturnPlusLineFeed, "A\r\n"},
      {"*RST", true, &none, CarrierReturnPlusLineFeed, "*RST;*OPC?\r\n"},
      {"*RST", true, &lineFeed, NoTermination, "*RST;*OPC?\n"},
      {"", true, &none, NoTermination, "*OPC?"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RS232DeviceStream::Terminated(c.text, c.opc, *c.settings, c.option), c.sent)
        << c.text << " option " << c.option;
}

TEST(RS232Stream, AnExchangeOverThePseudoTerminalAndARestartedInstrument) {
  SerialInstrument bench(Keys{{"idn", kDmmIdn}});
  SerialInstrument::Configuration(bench.client)->SetBaudRate(Br115200);
  SerialInstrument::Configuration(bench.client)->SetStopBits(Stop2);
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  auto transport = Transport(bench.client);
  ASSERT_TRUE(transport);
  EXPECT_TRUE(transport->PortOpen());
  EXPECT_EQ(transport->GetLockName(), L"Global\\VANTORIX:DS:RS232:COM" + std::to_wstring(bench.com));
  std::string answer;
  ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
  EXPECT_EQ(bench.dmm->ReceivedBytes(), "*IDN?\n");
  const auto line = bench.dmm->State()["transport_state"]["line"];
  EXPECT_EQ(line["baud"], 115200);
  EXPECT_EQ(line["stop_bits"], 2);

  // Waiting for the operation to complete: one line, its answer read and dropped.
  ASSERT_EQ(bench.client.Write(0, "*RST", true), 0u);
  ASSERT_EQ(bench.client.WriteRead(0, "*OPC?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, "1\n");
  EXPECT_EQ(bench.dmm->ReceivedCommands(), (std::vector<std::string>{"*IDN?", "*RST;*OPC?", "*OPC?"}));

  // A restarted instrument gives a clear status at once until the stream is connected again.
  bench.dmm->Restart();
  bench.client.SetTimeout(0, 3 * kSlowMachineSeconds);
  Status status = 0;
  const double seconds = SecondsOf([&] { status = bench.client.WriteRead(0, "*IDN?", answer, 100, 1); });
  EXPECT_NE(status, 0u);
  EXPECT_NE(status, kShortRead);
  EXPECT_LT(seconds, kSlowMachineSeconds);
  EXPECT_FALSE(StreamErrorText(bench.client, status).empty()) << std::hex << status;
  ASSERT_EQ(bench.client.DisconnectStream(0), 0u);
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
}

TEST(RS232Stream, SilentCutAndOversizedAnswers) {
  SerialInstrument bench(Keys{{"idn", kDmmIdn}, {"fault", "noanswer"}}, 1.0);
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  std::string answer;
  ASSERT_EQ(bench.client.Write(0, "*IDN?", false), 0u);
  Status status = 0;
  // A signal every 10 ms neither lengthens nor shortens the wait.
  const double seconds = SecondsUnderSignals(1.0, [&] { status = bench.client.Read(0, answer, 100); });
  EXPECT_EQ(status, kShortRead);
  ExpectEndedAtTimeout(seconds, 1.0);
  bench.dmm->ClearFaults();

  bench.client.SetTimeout(0, 0.3);
  bench.dmm->SetFault(sim::FaultKind::kCutShort, 5);
  ASSERT_EQ(bench.client.Write(0, "*IDN?", false), 0u);
  EXPECT_EQ(bench.client.Read(0, answer, 100), kShortRead);
  EXPECT_EQ(answer, "ACME,");
  bench.dmm->ClearFaults();

  // The count ends a read; what is left is cleared before the next exchange.
  bench.dmm->SetFault(sim::FaultKind::kTooLong, 99);
  ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer.size(), 100u);
  EXPECT_EQ(answer.back(), '\n');
  bench.dmm->SetFault(sim::FaultKind::kTooLong, 100);
  ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer.size(), 100u);
  EXPECT_NE(answer.back(), '\n');
  bench.dmm->ClearFaults();
  ASSERT_TRUE(bench.WaitForCommands(4));
  ASSERT_EQ(bench.client.WriteRead(0, "*OPC?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, "1\n");
}

TEST(RS232Stream, ASharedPortIsOpenOnlyDuringAnExchange) {
  SerialInstrument bench(Keys{{"idn", kDmmIdn}});
  SerialInstrument::Configuration(bench.client)->SetCOMPortSharing(true);
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  auto transport = Transport(bench.client);
  EXPECT_FALSE(transport->PortOpen());
  EXPECT_TRUE(bench.client.IsConnected());
  std::string answer;
  ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
  EXPECT_FALSE(transport->PortOpen());
  EXPECT_TRUE(bench.client.IsConnected());
  {
    DeviceStreamClientWithStream::DeviceStreamLocker locker(bench.client, 0);
    ASSERT_EQ(locker.Lock(1.0), 0u);
    EXPECT_TRUE(transport->PortOpen());
    ASSERT_EQ(bench.client.WriteRead(0, "*OPC?", answer, 100, 1), 0u);
    EXPECT_TRUE(transport->PortOpen());  // the outer lock keeps it open
  }
  EXPECT_FALSE(transport->PortOpen());

  // Another program may use the port between exchanges, and a port that was
  // replaced meanwhile (an adapter pulled and plugged in again) is simply opened anew.
  bench.dmm->Restart();
  ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
  ASSERT_EQ(bench.client.DisconnectStream(0), 0u);
  EXPECT_FALSE(transport->IsConnected());
}

TEST(RS232Stream, TwoDriversShareOnePortAndAMissingPortIsReported) {
  SerialInstrument bench(Keys{{"idn", kDmmIdn}});
  DeviceStreamClientWithStream second;
  bench.Offer(second);
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  ASSERT_EQ(second.ConnectStream(0, true), 0u);
  auto transport = Transport(bench.client);
  EXPECT_EQ(second.TransportStream(), bench.client.TransportStream());
  std::string answer;
  ASSERT_EQ(second.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  ASSERT_EQ(bench.client.DisconnectStream(0), 0u);
  EXPECT_TRUE(transport->PortOpen());
  ASSERT_EQ(second.WriteRead(0, "*OPC?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, "1\n");
  ASSERT_EQ(second.DisconnectStream(0), 0u);
  EXPECT_FALSE(transport->PortOpen());

  // A port without a device: the port object's status and text.
  DeviceStreamClientWithStream missing;
  bench.Offer(missing);
  SerialInstrument::Configuration(missing)->SetCOMPort(bench.com + 1);
  StreamLockCleanup cleanup("RS232:COM" + std::to_string(bench.com + 1));
  const Status status = missing.ConnectStream(0, true);
  EXPECT_NE(status, 0u);
  EXPECT_FALSE(missing.IsConnected());
  EXPECT_FALSE(StreamErrorText(missing, status).empty()) << std::hex << status;
}

TEST(RS232Stream, TheOlderSerialTableIsTakenOverAndWritten) {
  TestDirectory directory;
  const std::string file = directory.File("driver.ini");
  WriteFile(file, "[RS232]\nCOMPort=7\nBaudRate=9600\nParity=1\n[Stream Config]\nSelected=RS-232\n");
  StreamTestDriver driver;
  driver.client.Manager().AddStreamConfiguration("RS-232");
  driver.client.Manager().AddStreamConfiguration("TCPIP");
  auto serial = std::dynamic_pointer_cast<RS232DeviceStreamConfiguration>(
      driver.client.Manager().GetConfiguration("RS-232"));
  ASSERT_TRUE(serial);
  serial->SetDataBits(Data7);  // not in the older table: kept
  ASSERT_EQ(driver.LoadConfiguration(0, file.c_str()), 0u);
  EXPECT_EQ(driver.client.Manager().GetSelectedTypeName(), "RS-232");
  EXPECT_EQ(serial->GetCOMPort(), 7);
  EXPECT_EQ(serial->GetBaudRate(), Br9600);
  EXPECT_EQ(serial->GetParity(), Odd);
  EXPECT_EQ(serial->GetDataBits(), Data7);

  // The stream's own table, when there is one, comes after the older one.
  WriteFile(file, "[RS232]\nCOMPort=7\n[Stream Config]\nSelected=RS-232\n[Stream Config.RS232]\nCOMPort=8\n");
  ASSERT_EQ(driver.LoadConfiguration(0, file.c_str()), 0u);
  EXPECT_EQ(serial->GetCOMPort(), 8);

  const std::string saved = directory.File("saved.ini");
  ASSERT_EQ(driver.SaveConfiguration(0, saved.c_str()), 0u);
  const std::string text = ReadFile(saved);
  EXPECT_NE(text.find("[Stream Config.RS232]\nCOMPort=8\n"), std::string::npos) << text;
  EXPECT_NE(text.find("[RS232]\nCOMPort=8\nParity=1\nDataBits=7\nBaudRate=9600\nStopBits=0\n"), std::string::npos)
      << text;
}
}  // namespace

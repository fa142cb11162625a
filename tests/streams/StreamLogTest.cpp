// The log records of a connection, an exchange and a failure, read from a
// private log socket. Each step writes fewer records than the socket queues.
#include <gtest/gtest.h>

#include "legacy/LogCollector.h"
#include "streams/ScriptedStream.h"
#include "streams/SimulatedInstrument.h"
#include "streams/TestConfiguration.h"
#include "streams/tcp/EthernetDeviceStream.h"

namespace {
size_t Count(const std::vector<std::string>& records, std::initializer_list<std::string> texts) {
  return LogCollector::Containing(records, texts).size();
}

TEST(StreamLog, ATcpConnectionAnExchangeAndTheDisconnection) {
  SimulatedInstrument bench("TCPIP", {{"transport", "tcp"}, {"idn", "ACME,DMM100,1234,1.0"}});
  LogCollector log;
  EthernetDeviceStream stream;
  const std::string port = std::to_string(bench.port);

  ASSERT_EQ(stream.Connect(0, bench.client.SelectedConfiguration(), 1), 0u);
  auto records = log.UntilMarker();
  EXPECT_EQ(Count(records, {"!logb;", ";Connect;NetworkBasedDeviceStream;Note;", "ETHER:127.0.0.1:" + port}), 1u);
  EXPECT_EQ(Count(records, {"!loge;", ";Connect;NetworkBasedDeviceStream;Complete;"}), 1u);
  EXPECT_EQ(Count(records, {"SetLockName(Global\\VANTORIX:DS:ETHER:127.0.0.1:" + port + ")"}), 1u);
  EXPECT_EQ(Count(records, {"DetermineIPAddress(tcpip://127.0.0.1:" + port + ")"}), 2u);
  EXPECT_EQ(Count(records, {"!logb;", ";InternalConnect;NetworkBasedDeviceStream;Note;", "InternalConnect()"}), 1u);
  EXPECT_EQ(Count(records, {"!loge;", ";InternalConnect;NetworkBasedDeviceStream;Complete;", "Connected"}), 1u);

  std::string answer;
  ASSERT_EQ(stream.Write(0, "*IDN?", false), 0u);
  ASSERT_EQ(stream.Read(0, answer, 100), 0u);
  records = log.UntilMarker();
  // The exact bytes and the instrument, as swmlog --capture takes them.
  const std::string named = "Stream;a" + std::to_string(port.size() + 10) + ":127.0.0.1:" + port;
  EXPECT_EQ(Count(records, {";Write;NetworkBasedDeviceStream;Note;", "Write(\"*IDN?\")",
                            named + ";WireSent;a12:2a49444e3f0a"}),
            1u);
  EXPECT_EQ(Count(records, {";Read;NetworkBasedDeviceStream;Note;", "Read(\"ACME,DMM100,1234,1.0",
                            named + ";WireReceived;a42:41434d452c444d4d3130302c313233342c312e300a"}),
            1u);

  ASSERT_EQ(stream.Disconnect(0, 1), 0u);
  records = log.UntilMarker();
  EXPECT_EQ(Count(records, {";Disconnect;NetworkBasedDeviceStream;Note;", "Disconnect()"}), 1u);
  EXPECT_EQ(Count(records, {";InternalDisconnect;NetworkBasedDeviceStream;Note;", "InternalDisconnect()"}), 1u);
}

TEST(StreamLog, AnHttpExchangeLogsTheCommandOfTheRequestAndTheBody) {
  SimulatedInstrument bench("HTTP", {{"transport", "http"}, {"idn", "ACME"}});
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  LogCollector log;
  std::string answer;
  ASSERT_EQ(bench.client.WriteRead(0, "/*IDN?", answer, 100, 1), 0u);
  const auto records = log.UntilMarker();
  const std::string port = std::to_string(bench.port);
  const std::string named = "Stream;a" + std::to_string(port.size() + 10) + ":127.0.0.1:" + port;
  EXPECT_EQ(Count(records, {";Write;HTTPDeviceStream;Note;", named + ";WireSent;a10:2a49444e3f"}), 1u);
  EXPECT_EQ(Count(records, {";Read;HTTPDeviceStream;Note;", named + ";WireReceived;a10:41434d450a"}), 1u);
}

TEST(StreamLog, TheClientLogsItsConnectionAndItsHooks) {
  LogCollector log;
  DeviceStreamClientWithStream client;
  client.Manager().AddStreamConfiguration("Scripted", std::make_shared<TestConfiguration>("Scripted"));
  client.SetEmbeddedStream(std::make_shared<DeviceStreamBaseDecorator>(std::make_shared<ScriptedStream>()));
  client.Manager().SetSelectedTypeName("NotRegistered");
  EXPECT_NE(client.ConnectStream(0, false), 0u);
  const auto records = log.UntilMarker();
  EXPECT_EQ(Count(records, {"!logb;", ";ConnectStream;DeviceStreamClientWithStreamBase;Note;"}), 1u);
  EXPECT_EQ(Count(records, {";PredefineStreamConfiguration;DeviceStreamClientWithStreamBase;Note;"}), 1u);
  EXPECT_EQ(Count(records, {"!loge;", ";ConnectStream;DeviceStreamClientWithStreamBase;Error;"}), 1u);
  EXPECT_EQ(Count(records, {";AfterStreamConnectConfiguration;"}), 0u);
}

TEST(StreamLog, AClosedConnectionAndItsErrorText) {
  SimulatedInstrument bench("TCPIP", {{"transport", "tcp"}, {"fault", "drop 3"}}, 0.5);
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  LogCollector log;
  std::string answer, text;
  EXPECT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), networkstatus::kNotConnected);
  auto records = log.UntilMarker();
  EXPECT_EQ(Count(records, {";Read;NetworkBasedDeviceStream;Error;", "Socket closed by other end"}), 1u);
  bench.client.GetErrorString(0, networkstatus::kNotConnected, text);
  records = log.UntilMarker();
  const std::string expected = "Ethernet not connected (" + bench.Address() + ": the instrument closed the connection)";
  EXPECT_EQ(text, expected);
  EXPECT_EQ(Count(records, {"DeviceStreamClient::DeviceStreamConfigurationManager GetErrorString() returns " + expected}),
            1u);
  // The settings keep the reason once the stream is released (a failed check releases it).
  bench.client.DisconnectStream(0);
  text.clear();
  bench.client.GetErrorString(0, networkstatus::kNotConnected, text);
  EXPECT_EQ(text, expected);
}
}  // namespace

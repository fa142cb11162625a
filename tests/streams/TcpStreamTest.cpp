// The TCP transport against a simulated instrument: bytes on the wire,
// answers, time-outs, the size limit, faults, reconnection, and pauses
// between failed reads (with what every network transport does in
// NetworkStreamsTest.cpp).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <functional>

#include "framework/HostCall.h"
#include "streams/SimulatedInstrument.h"
#include "streams/tcp/EthernetDeviceStream.h"
#include "support/LoopbackPort.h"

namespace {
constexpr Status kNotConnected = networkstatus::kNotConnected;

// The descriptor of this process's connection to the loopback port (the
// end whose peer is the port), or -1.
int ClientSocketTo(uint16_t port) {
  for (int fd = 3; fd < 4096; ++fd) {
    sockaddr_in peer{};
    socklen_t size = sizeof peer;
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &size) == 0 && peer.sin_family == AF_INET &&
        ntohs(peer.sin_port) == port)
      return fd;
  }
  return -1;
}

std::shared_ptr<NetworkBasedDeviceStream> Transport(DeviceStreamClientWithStream& client) {
  return std::dynamic_pointer_cast<NetworkBasedDeviceStream>(client.TransportStream());
}

TEST(TcpStream, ACommandAndItsTerminatorLeaveInOneWriteWithoutNagle) {
  // The instrument takes each piece of data that arrives in one read as one command.
  SimulatedInstrument bench("TCPIP", {{"transport", "tcp"}, {"idn", kDmmIdn}, {"read-terminator", "none"}});
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  auto transport = Transport(bench.client);
  ASSERT_TRUE(transport);
  EXPECT_TRUE(transport->NagleOff());
  EXPECT_EQ(transport->GetEffectiveAddress(), "tcpip://127.0.0.1:" + std::to_string(bench.port));

  std::string answer;
  ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
  // Each write is waited for, so that two writes never arrive as one piece.
  ASSERT_EQ(bench.client.SetSendTermination(0, "\r\n", true), 0u);
  ASSERT_EQ(bench.client.Write(0, "*RST", false), 0u);
  ASSERT_TRUE(bench.WaitForCommands(2));
  ASSERT_EQ(bench.client.Write(0, "*CLS\r\n", false), 0u);  // not terminated twice
  ASSERT_TRUE(bench.WaitForCommands(3));
  ASSERT_EQ(bench.client.SetSendTermination(0, "\n", false), 0u);
  ASSERT_EQ(bench.client.Write(0, "RAW", false), 0u);
  ASSERT_TRUE(bench.WaitForCommands(4));
  EXPECT_EQ(bench.dmm.ReceivedCommands(), (std::vector<std::string>{"*IDN?\n", "*RST\r\n", "*CLS\r\n", "RAW"}));
}

TEST(TcpStream, AnswersEndAtTheTerminatorUnlessInABinaryBlockOrAtTheCountWithoutOne) {
  SimulatedInstrument bench("TCPIP", {{"transport", "tcp"},
                                      {"answer", "BLK? -> #15AB\\nCD"},
                                      {"answer", "CR? -> X\\rY"}});
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  EXPECT_TRUE(bench.client.GetUsedCommunication("TCPIP"));
  EXPECT_FALSE(bench.client.GetUsedCommunication("GPIB"));
  EXPECT_FALSE(bench.client.GetUsedCommunication("Serial"));
  std::string block;
  ASSERT_EQ(bench.client.WriteReadBinaryBlock(0, "BLK?", block, 9), 0u);
  EXPECT_EQ(block, "#15AB\nCD\n");
  // The receive terminator ends answers again afterwards.
  EXPECT_TRUE(bench.client.GetStreamSettings().receiveTerminationEnabled);
  std::string answer;
  ASSERT_EQ(bench.client.WriteRead(0, "BLK?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, "#15AB\n");
  EXPECT_EQ(bench.client.Read(0, answer, 100), 0u);
  EXPECT_EQ(answer, "CD\n");

  // Another terminator; a cleared input forgets what was left over.
  ASSERT_EQ(bench.client.SetReceiveTermination(0, "\r", true), 0u);
  ASSERT_EQ(bench.client.WriteRead(0, "CR?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, "X\r");
  // What was left over is dropped; without a carriage return the time-out ends the read.
  bench.client.SetTimeout(0, 0.2);
  ASSERT_EQ(bench.client.WriteRead(0, "*OPC?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, "1\n");
  // Without a receive terminator the count ends the read.
  bench.dmm.SetFault(sim::FaultKind::kTooLong, 100);
  ASSERT_EQ(bench.client.SetReceiveTermination(0, "\n", false), 0u);
  EXPECT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 30, 1), 0u);
  EXPECT_EQ(answer.size(), 30u);
}

TEST(TcpStream, WaitingForOperationCompleteSendsASecondQueryAndDropsItsAnswerAndASilentInstrumentEndsIt) {
  SimulatedInstrument bench("TCPIP", {{"transport", "tcp"}});
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  ASSERT_EQ(bench.client.Write(0, "*RST", true), 0u);
  std::string answer;
  ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, "SWMSIM,SCPI-INSTRUMENT,0,1.0\n");
  EXPECT_EQ(bench.dmm.ReceivedCommands(), (std::vector<std::string>{"*RST", "*OPC?", "*IDN?"}));
  // A silent instrument never reports operation complete.
  bench.dmm.SetFault(sim::FaultKind::kNoAnswer);
  bench.client.SetTimeout(0, 0.2);
  EXPECT_EQ(bench.client.Write(0, "*RST", true), streamstatus::kOperationCompleteTimedOut);
}

// A command written on a connection the instrument has closed would be lost
// without an error: the stream connects again and sends it.
TEST(TcpStream, AnInstrumentRestartedBetweenExchangesIsConnectedAgain) {
  SimulatedInstrument bench("TCPIP", {{"transport", "tcp"}, {"idn", kDmmIdn}}, 3 * kSlowMachineSeconds);
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  std::string answer;
  ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  const DeviceStreamPtr transport = bench.client.TransportStream();
  for (bool clearFirst : {true, false}) {
    bench.dmm.Restart();
    bench.dmm.ResetLog();
    if (clearFirst) {
      EXPECT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
      EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
    } else {
      EXPECT_EQ(bench.client.Write(0, "*RST", false), 0u);
    }
    ASSERT_TRUE(bench.WaitForCommands(1));
    EXPECT_EQ(bench.dmm.ReceivedCommands().front(), clearFirst ? "*IDN?" : "*RST");
  }
  EXPECT_EQ(bench.client.TransportStream(), transport);
}

TEST(TcpStream, ARefusingInstrumentIsNotConnectedAfterTheTimeout) {
  SimulatedInstrument bench("TCPIP", {{"transport", "tcp"}, {"fault", "refuse"}}, 0.3);
  Status status = 0;
  const double seconds = SecondsOf([&] { status = bench.client.ConnectStream(0, true); });
  EXPECT_EQ(status, kNotConnected);
  EXPECT_GE(seconds, 0.3);
  EXPECT_FALSE(bench.client.IsConnected());
  EXPECT_EQ(bench.client.DisconnectStream(0), 0u);

  // One attempt per host call: an instrument that is away costs a call one
  // time-out; connecting again in the same call is not even tried (the
  // instrument back meanwhile is not reached), the next call tries.
  hostcall::Begin();
  EXPECT_EQ(bench.client.ConnectStream(0, true), kNotConnected);
  bench.dmm.ClearFault(sim::FaultKind::kRefuse);
  EXPECT_EQ(bench.client.ConnectStream(0, true), kNotConnected) << "tried again in the same call";
  EXPECT_NE(StreamErrorText(bench.client, kNotConnected).find(bench.Address()), std::string::npos)
      << "the reason of the attempt made";
  hostcall::Begin();
  EXPECT_EQ(bench.client.ConnectStream(0, true), 0u);
  EXPECT_EQ(bench.client.DisconnectStream(0), 0u);
  hostcall::End();

  // An address that cannot be looked up.
  DeviceStreamClientWithStream lost;
  bench.Offer(lost, "TCPIP");
  lost.SelectedConfigurationAs<NetworkBasedDeviceStreamConfig>()->SetAddress("[::1]:5025");
  StreamLockCleanup cleanup("ETHER:[::1]:5025");
  EXPECT_EQ(lost.ConnectStream(0, true), networkstatus::kUnsupportedHostType);
}

// "Ethernet not connected" says which address and why: a port where nothing
// listens, a read on a stream that was never connected (an instrument that
// closed the connection: StreamLog.AClosedConnectionAndItsErrorText).
TEST(TcpStream, NotConnectedNamesTheAddressAndTheReason) {
  SimulatedInstrument bench("TCPIP", {{"transport", "tcp"}}, 0.2);
  const LoopbackPort bound(LoopbackPort::kRefusing);
  const std::string refusing = bound.Address();
  DeviceStreamClientWithStream refused;
  bench.Offer(refused, "TCPIP");
  refused.SelectedConfigurationAs<NetworkBasedDeviceStreamConfig>()->SetAddress(refusing);
  SetClientTimeout(refused, 0.2);
  StreamLockCleanup cleanup("ETHER:" + refusing);
  std::string answer;

  const struct {
    const char* what;
    std::function<Status()> call;
    std::string text;
  } cases[] = {
      {"refused", [&] { return refused.ConnectStream(0, true); },
       "Ethernet not connected (" + refusing + ": Connection refused)"},
      {"never connected", [&] { return Transport(refused)->Read(0, answer, 10); },
       "Ethernet not connected (" + refusing + ": no connection is open (initialise the device first))"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Status status = c.call();
    EXPECT_EQ(status, kNotConnected);
    EXPECT_EQ(StreamErrorText(refused, status), c.text);
  }
}

TEST(TcpStream, ErrorTexts) {
  ASSERT_TRUE(EnsureWxRuntime());
  EthernetDeviceStream stream;
  const std::pair<Status, std::string> cases[] = {
      {0x300002D0, "Ethernet Address Has No Server"},
      {0x300002D1, "Ethernet Address Has No Port"},
      {0x300002D2, "Ethernet Unsupported Host Type"},
      {0x300002D3, "Ethernet not connected"},
      {0x300002D4, "Ethernet Write Error detected"},
      {0x300002D5, "Ethernet Read Error detected"},
      {0x300002D6, "Ethernet Timeout detected"},
      {0x300002D7, "All data from HTTP request is read"},
      {0x300002D8, "Could not connect to the specified address and port (). The receiving address should be a "
                   "local address and port."},
      {0x300002D9, "Ethernet server object could not be created"},
      {0x300002E4, "The response of a TCPIP controlled device is larger than expected."},
      {0x30000001, ""},
  };
  for (const auto& [code, text] : cases) {
    std::string got;
    EXPECT_EQ(stream.GetErrorString(0, code, got), 0u);
    EXPECT_EQ(got, text) << std::hex << code;
  }
}

// A read whose socket keeps failing pauses between its retries, but never
// beyond its time-out.
TEST(TcpReadRecovery, PausesBetweenFailedReadsEndWithTheTimeOut) {
  constexpr double kTimeout = 0.5;
  SimulatedInstrument bench("TCPIP", {{"transport", "tcp"}}, kTimeout);
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  const int fd = ClientSocketTo(bench.port);
  ASSERT_GE(fd, 0);
  // Every read on the connection now fails with an error that is retried:
  // the descriptor becomes a pipe whose reader is gone (not a socket).
  int pipeEnds[2];
  ASSERT_EQ(pipe(pipeEnds), 0);
  close(pipeEnds[0]);
  ASSERT_EQ(dup2(pipeEnds[1], fd), fd);
  close(pipeEnds[1]);
  std::string answer;
  Status status = 0;
  const double seconds = SecondsOf([&] { status = bench.client.Read(0, answer, 100); });
  EXPECT_NE(status, 0u);
  EXPECT_EQ(answer, "");
  EXPECT_LE(seconds, kTimeout * 1.1 + 0.05);
  bench.client.DisconnectStream(0);
}
}  // namespace

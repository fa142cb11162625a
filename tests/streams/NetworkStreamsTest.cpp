// What the network transports (TCP, UDP, HTTP) have in common, each against
// a simulated instrument: a silent instrument, answers cut short, garbled or
// dropped, an answer that fills or exceeds the count, two drivers on one
// stream, and (TCP and UDP) an interrupted read.
#include <gtest/gtest.h>

#include <memory>
#include <thread>

#include "streams/SimulatedInstrument.h"
#include "streams/udp/UDPDeviceStream.h"

namespace {
struct NetworkTransport {
  const char* type;       // the stream type the client offers
  const char* simulated;  // the instrument's transport
  Status cutShort;        // the read of an answer cut short (a datagram is whole as it comes)
  Status dropped;         // the read of an answer whose connection closed part-way
  bool connectedAfterDrop;
};

const NetworkTransport kTransports[] = {
    {"TCPIP", "tcp", streamstatus::kReadTimedOut, networkstatus::kNotConnected, false},
    {"UDP", "udp", 0, 0, true},
    {"HTTP", "http", streamstatus::kReadTimedOut, networkstatus::kReadError, true},
};

class NetworkStream : public testing::TestWithParam<NetworkTransport> {
protected:
  // UDP streams bind a free local port, so that tests may run side by side.
  void SetUp() override { UDPDeviceStream::SetDefaultLocalPort(0); }
  void TearDown() override { UDPDeviceStream::SetDefaultLocalPort(UDPDeviceStream::kDefaultLocalPort); }

  // An instrument on the transport, with these keys besides.
  std::unique_ptr<SimulatedInstrument> Bench(const sim::Simulator::Keys& more, double timeoutSeconds = 1.0) {
    sim::Simulator::Keys keys{{"transport", GetParam().simulated}};
    keys.insert(keys.end(), more.begin(), more.end());
    return std::make_unique<SimulatedInstrument>(GetParam().type, keys, timeoutSeconds);
  }
};

// (An HTTP request waits for its reply when it is written, the other
// transports when the answer is read: the two are timed together. A server
// that sent no reply at all fails the request itself.) A signal every 10 ms
// neither lengthens nor shortens the wait.
TEST_P(NetworkStream, ASilentInstrumentEndsTheQueryAtTheTimeoutWhileSignalsArrive) {
  auto bench = Bench({{"fault", "noanswer"}});
  ASSERT_EQ(bench->client.ConnectStream(0, true), 0u);
  std::string answer;
  Status written = 1, read = 0;
  const double seconds = SecondsUnderSignals(1.0, [&] {
    written = bench->client.Write(0, "*IDN?", false);
    read = bench->client.Read(0, answer, 100);
  });
  const bool http = std::string(GetParam().type) == "HTTP";
  EXPECT_EQ(written, http ? streamstatus::kReadTimedOut : 0u);
  EXPECT_EQ(read, http ? networkstatus::kAllHttpDataRead : streamstatus::kReadTimedOut);
  EXPECT_EQ(answer, "");
  ExpectEndedAtTimeout(seconds, 1.0);
}

// A closed connection ends the read at once; afterwards a restarted
// instrument answers (TCP connects again, UDP needs no connection, HTTP opens
// one per request).
TEST_P(NetworkStream, CutShortGarbledAndDroppedAnswersAndARestartedInstrument) {
  const NetworkTransport& transport = GetParam();
  auto bench = Bench({{"idn", kDmmIdn}}, 0.3);
  ASSERT_EQ(bench->client.ConnectStream(0, true), 0u);
  std::string answer;

  bench->dmm.SetFault(sim::FaultKind::kCutShort, 5);
  ASSERT_EQ(bench->client.Write(0, "*IDN?", false), 0u);
  EXPECT_EQ(bench->client.Read(0, answer, 100), transport.cutShort);
  EXPECT_EQ(answer, "ACME,");
  bench->dmm.ClearFaults();

  bench->dmm.SetFault(sim::FaultKind::kGarbage);
  ASSERT_EQ(bench->client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer.size(), std::string(kDmmIdn).size() + 1);
  EXPECT_NE(answer, std::string(kDmmIdn) + "\n");
  EXPECT_EQ(answer.back(), '\n');
  bench->dmm.ClearFaults();

  bench->dmm.SetFault(sim::FaultKind::kDrop, 6);
  bench->client.SetTimeout(0, 3 * kSlowMachineSeconds);
  Status written = 1, read = 1;
  const double seconds = SecondsOf([&] {
    written = bench->client.Write(0, "*IDN?", false);
    read = bench->client.Read(0, answer, 100);
  });
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(read, transport.dropped);
  EXPECT_EQ(answer, "ACME,D");
  EXPECT_LT(seconds, kSlowMachineSeconds);
  EXPECT_EQ(bench->client.IsConnected(), transport.connectedAfterDrop);
  bench->dmm.ClearFaults();

  bench->dmm.Restart();
  ASSERT_EQ(bench->client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
}

TEST_P(NetworkStream, AnAnswerMayFillTheCountButNotExceedIt) {
  auto bench = Bench({{"fault", "toolong 99"}});
  ASSERT_EQ(bench->client.ConnectStream(0, true), 0u);
  std::string answer;
  // 99 bytes and the terminator: exactly the count of 100.
  ASSERT_EQ(bench->client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer.size(), 100u);
  EXPECT_EQ(answer.back(), '\n');
  bench->dmm.SetFault(sim::FaultKind::kTooLong, 100);
  EXPECT_EQ(bench->client.WriteRead(0, "*IDN?", answer, 100, 1), streamstatus::kResponseTooLarge);
  EXPECT_EQ(answer.size(), 100u);
  EXPECT_EQ(answer.find('\n'), std::string::npos);
}

TEST_P(NetworkStream, TwoDriversShareOneStreamUntilTheLastLeaves) {
  auto bench = Bench({{"idn", kDmmIdn}});
  DeviceStreamClientWithStream second;
  bench->Offer(second, GetParam().type);
  ASSERT_EQ(bench->client.ConnectStream(0, true), 0u);
  ASSERT_EQ(second.ConnectStream(0, true), 0u);
  EXPECT_EQ(second.TransportStream(), bench->client.TransportStream());
  const std::string lockId = SimulatedInstrument::IdPrefix(GetParam().type) + bench->Address();
  EXPECT_EQ(second.TransportStream()->GetLockName(), L"Global\\VANTORIX:DS:" + wxString(lockId).ToStdWstring());
  std::string answer;
  ASSERT_EQ(bench->client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  ASSERT_EQ(second.WriteRead(0, "*OPC?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, "1\n");
  ASSERT_EQ(bench->client.DisconnectStream(0), 0u);
  EXPECT_TRUE(second.IsConnected());
  ASSERT_EQ(second.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
  auto transport = second.TransportStream();
  ASSERT_EQ(second.DisconnectStream(0), 0u);
  EXPECT_FALSE(transport->IsConnected());
  EXPECT_FALSE(bench->client.IsConnected());
  EXPECT_EQ(bench->dmm.ReceivedCommands(), (std::vector<std::string>{"*IDN?", "*OPC?", "*IDN?"}));
}

// The socket transports: an HTTP read has nothing to wait for.
class SocketStream : public NetworkStream {};

TEST_P(SocketStream, AnInterruptEndsAWaitingReadAndTheConnection) {
  auto bench = Bench({{"idn", kDmmIdn}, {"fault", "noanswer"}}, 30.0);
  ASSERT_EQ(bench->client.ConnectStream(0, true), 0u);
  ASSERT_EQ(bench->client.Write(0, "*IDN?", false), 0u);
  ASSERT_TRUE(bench->WaitForCommands(1));
  Status status = 0;
  std::string answer;
  const double seconds = SecondsOf([&] {
    std::thread reader([&] { status = bench->client.Read(0, answer, 100); });
    bench->client.InterruptWait();
    reader.join();
  });
  EXPECT_EQ(status, networkstatus::kNotConnected);
  EXPECT_LT(seconds, kSlowMachineSeconds);
  EXPECT_FALSE(bench->client.IsConnected());
  bench->dmm.ClearFaults();
  ASSERT_EQ(bench->client.DisconnectStream(0), 0u);
  ASSERT_EQ(bench->client.ConnectStream(0, true), 0u);
  ASSERT_EQ(bench->client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
}

std::string TypeName(const testing::TestParamInfo<NetworkTransport>& info) { return info.param.type; }

INSTANTIATE_TEST_SUITE_P(Transports, NetworkStream, testing::ValuesIn(kTransports), TypeName);
INSTANTIATE_TEST_SUITE_P(Transports, SocketStream, testing::ValuesIn(kTransports, kTransports + 2), TypeName);
}  // namespace

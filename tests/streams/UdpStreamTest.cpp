// The UDP transport against a simulated instrument: one datagram per
// command, one per answer, late answers and the local port (with what
// every network transport does in NetworkStreamsTest.cpp).
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "streams/SimulatedInstrument.h"
#include "streams/udp/UDPDeviceStream.h"

namespace {
// Streams of these tests bind a free local port, so that tests may run side by side.
struct AnyLocalPort {
  AnyLocalPort() { UDPDeviceStream::SetDefaultLocalPort(0); }
  ~AnyLocalPort() { UDPDeviceStream::SetDefaultLocalPort(UDPDeviceStream::kDefaultLocalPort); }
};

std::shared_ptr<UDPDeviceStream> Transport(DeviceStreamClientWithStream& client) {
  return std::dynamic_pointer_cast<UDPDeviceStream>(client.TransportStream());
}

TEST(UdpStream, EachCommandIsOneDatagramAndEachAnswerOneRead) {
  AnyLocalPort anyPort;
  SimulatedInstrument bench("UDP", {{"transport", "udp"}, {"idn", kDmmIdn}, {"read-terminator", "none"}});
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  auto transport = Transport(bench.client);
  ASSERT_TRUE(transport);
  EXPECT_NE(transport->BoundLocalPort(), 0u);

  std::string answer;
  ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
  ASSERT_EQ(bench.client.Write(0, "*CLS\n", false), 0u);
  ASSERT_TRUE(bench.WaitForCommands(2));
  EXPECT_EQ(bench.dmm.ReceivedCommands(), (std::vector<std::string>{"*IDN?\n", "*CLS\n"}));
}

TEST(UdpStream, BindsTheDefaultLocalPortUnlessToldOtherwise) {
  ASSERT_TRUE(EnsureWxRuntime());
  UDPDeviceStream stream;
  EXPECT_EQ(stream.GetLocalPort(), 51456);
  {
    AnyLocalPort anyPort;
    UDPDeviceStream other;
    EXPECT_EQ(other.GetLocalPort(), 0);
  }
  // A port that another socket holds cannot be bound: the text names it.
  AnyLocalPort anyPort;
  SimulatedInstrument bench("UDP", {{"transport", "udp"}});
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  const uint16_t taken = Transport(bench.client)->BoundLocalPort();
  DeviceStreamClientWithStream second;
  bench.Offer(second, "UDP");
  UDPDeviceStream blocked;
  blocked.SetLocalPort(taken);
  const Status status = blocked.Connect(0, second.SelectedConfiguration(), 1);
  EXPECT_EQ(status, networkstatus::kCannotBind);
  EXPECT_EQ(StreamErrorText(blocked, status),
            "Could not connect to the specified address and port (0.0.0.0:" + std::to_string(taken) +
                "). The receiving address should be a local address and port.");
}

TEST(UdpStream, LateAnswersAreWaitedForByTheRetriesAndOnlyTheInstrumentsDatagramsAreAnswers) {
  AnyLocalPort anyPort;
  // Each read waits 0.2 s; the answer leaves 1 s after the command, so it
  // comes in one of the later reads (100 reads leave ample time).
  SimulatedInstrument bench("UDP", {{"transport", "udp"}, {"idn", kDmmIdn}, {"fault", "late 1000"}}, 0.2);
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  std::string answer;
  ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 100), 0u);
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");

  // Another program on this computer sends to the stream's port before the
  // instrument answers: its datagram is not the answer.
  bench.dmm.SetFault(sim::FaultKind::kLate, 300);
  bench.client.SetTimeout(0, 1.0);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  to.sin_port = htons(Transport(bench.client)->BoundLocalPort());
  const int other = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ASSERT_EQ(bench.client.Write(0, "*IDN?", false), 0u);
  const std::string forged = "FORGED\n";
  ASSERT_EQ(sendto(other, forged.data(), forged.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to),
            static_cast<ssize_t>(forged.size()));
  EXPECT_EQ(bench.client.Read(0, answer, 100), 0u);
  EXPECT_EQ(answer, std::string(kDmmIdn) + "\n");
  close(other);

  // Two reads end long before an answer that leaves after the slowest machine's margin.
  bench.client.SetTimeout(0, 0.2);
  bench.dmm.SetFault(sim::FaultKind::kLate, static_cast<size_t>(1000 * kSlowMachineSeconds));
  ASSERT_EQ(bench.client.WriteRead(0, "*IDN?", answer, 100, 2), 0u);
  EXPECT_EQ(answer, "");
}
}  // namespace

// Two processes exchanging with one instrument through one stream lock: no
// exchange of one comes between the two commands of an exchange of the other.
#include <gtest/gtest.h>

#include <cstdio>

#include "streams/SimulatedInstrument.h"
#include "support/ChildProcess.h"

namespace {
constexpr int kExchanges = 300;

// One process's part: each exchange is two commands sent under one lock.
int ExchangeUnderTheLock(const SimulatedInstrument& bench, int process, const ChildProcess::Channel& channel) {
  DeviceStreamClientWithStream client;
  bench.Offer(client, "TCPIP");
  if (client.ConnectStream(0, true) != 0) return 10;
  client.SetTimeout(0, 10.0);
  channel.Send('r');
  if (channel.Receive() != 'g') return 11;
  const std::string name = "P" + std::to_string(process);
  for (int n = 0; n < kExchanges; ++n) {
    DeviceStreamClientWithStream::DeviceStreamLocker locker(client, 0);
    if (locker.Lock(10.0) != 0) return 12;
    if (client.Write(0, name + ":BEGIN " + std::to_string(n), false) != 0) return 13;
    std::string answer;
    if (client.WriteRead(0, name + ":END " + std::to_string(n) + "?", answer, 100, 1) != 0) return 14;
    if (answer != std::to_string(process) + " " + std::to_string(n) + "\n") return 15;
  }
  return client.DisconnectStream(0) == 0 ? 0 : 16;
}

TEST(NamedStreamLock, TwoProcessesTakeTurnsWithWholeExchanges) {
  SimulatedInstrument bench("TCPIP", {{"transport", "tcp"},
                                      {"accept-re", "^P[12]:BEGIN [0-9]+$"},
                                      {"answer-re", "^P([12]):END ([0-9]+)\\?$ -> $1 $2"}});
  ChildProcess first([&](const ChildProcess::Channel& c) { return ExchangeUnderTheLock(bench, 1, c); });
  ChildProcess second([&](const ChildProcess::Channel& c) { return ExchangeUnderTheLock(bench, 2, c); });
  ASSERT_EQ(first.Receive(), 'r');
  ASSERT_EQ(second.Receive(), 'r');
  first.Send('g');
  second.Send('g');
  EXPECT_EQ(first.Wait(), 0);
  EXPECT_EQ(second.Wait(), 0);

  const std::vector<std::string> commands = bench.dmm.ReceivedCommands();
  ASSERT_EQ(commands.size(), 4u * kExchanges);
  int next[3] = {0, 0, 0};
  for (size_t i = 0; i < commands.size(); i += 2) {
    int process = 0, n = 0, endProcess = 0, endN = 0;
    ASSERT_EQ(std::sscanf(commands[i].c_str(), "P%d:BEGIN %d", &process, &n), 2) << i << ": " << commands[i];
    ASSERT_EQ(std::sscanf(commands[i + 1].c_str(), "P%d:END %d?", &endProcess, &endN), 2)
        << i + 1 << ": " << commands[i + 1] << " follows " << commands[i];
    ASSERT_EQ(endProcess, process) << "exchanges interleaved at " << i;
    ASSERT_EQ(endN, n);
    ASSERT_TRUE(process == 1 || process == 2);
    ASSERT_EQ(n, next[process]++);
  }
}
}  // namespace

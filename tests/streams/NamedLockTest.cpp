// Two processes exchanging with one instrument through one stream lock: no
// exchange of one comes between the two commands of an exchange of the other.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// A stream lock that another account created (open to all, as an older
// version made them) is refused at once: the exchange fails with 0x3000019F
// and a text that names the object and its owner.
TEST(NamedStreamLock, ALockOfAnotherAccountGivesItsStatusAtOnce) {
  if (geteuid() != 0) GTEST_SKIP() << "giving a lock object to another user needs root";
  SimulatedInstrument bench("TCPIP", {{"transport", "tcp"}, {"idn", kDmmIdn}});
  const std::wstring lock = Mutex::StreamLockName(wxString(SimulatedInstrument::IdPrefix("TCPIP") + bench.Address()).ToStdWstring());
  const std::string object =
      "/dev/shm" + NamedSharedMutex::ObjectNameFor(NamedSharedMutex::NamespacePrefix() + wxString(lock).utf8_string());
  const int fd = open(object.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666);
  ASSERT_GE(fd, 0) << object;
  ASSERT_EQ(fchown(fd, 65534, 65534), 0);
  ASSERT_EQ(fchmod(fd, 0666), 0);
  close(fd);
  Status status = bench.client.ConnectStream(0, true);
  std::string answer;
  if (status == 0) status = bench.client.WriteRead(0, "*IDN?", answer, 100, 1);
  EXPECT_EQ(status, 0x3000019Fu);
  EXPECT_EQ(StreamErrorText(bench.client, status),
            "The device stream's lock cannot be used: " + object +
                " belongs to nobody (65534) (mode 0666), not to this account; accounts that share instruments set "
                "SWMATRIX_LOCK_GROUP.");
  EXPECT_TRUE(bench.dmm.ReceivedCommands().empty()) << "nothing is sent without the lock";
  unlink(object.c_str());
}
}  // namespace

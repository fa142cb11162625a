// The HiSLIP server, spoken to by a client written from the protocol
// (HislipClient.h): sessions and versions, queries with message IDs, the
// status byte, device clear, locks between two clients, service requests,
// and errors that end one connection only.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "HislipClient.h"
#include "SimTestIo.h"
#include "sim/core/Simulator.h"
#include "sim/hislip/HislipMessage.h"

namespace {

using hisliptest::HislipClient;
using hisliptest::kAsync;
using hisliptest::kSync;

constexpr uint32_t kFirstId = HislipClient::kFirstMessageId;

struct HislipServer : ::testing::Test {
  sim::Simulator simulator;
  sim::Instrument& dmm = simulator.Add(
      "dmm", {{"transport", "hislip"}, {"port", "0"}, {"idn", "ACME,DMM100,1234,1.0"}});
  uint16_t port = dmm.Endpoint().port;
};

TEST(HislipMessages, HeaderBytesAndTheReader) {
  EXPECT_EQ(sim::hislip::Encode(7, 1, 0xFFFFFF02, "ab"),
            std::string("HS\x07\x01\xFF\xFF\xFF\x02\0\0\0\0\0\0\0\x02" "ab", 18));
  sim::hislip::MessageReader reader(4);
  // A header in two pieces, a payload over the limit skipped, then a message without payload.
  EXPECT_TRUE(reader.Feed(std::string("HS\x06\0\0\0\0\x05\0\0\0\0", 12)).empty());
  auto messages = reader.Feed(std::string("\0\0\0\x06" "123456" "HS\x15\x01\0\0\0\0\0\0\0\0\0\0\0\0", 26));
  ASSERT_EQ(messages.size(), 2u);
  EXPECT_EQ(std::tie(messages[0].type, messages[0].parameter, messages[0].length, messages[0].dropped),
            std::make_tuple(uint8_t{6}, 5u, uint64_t{6}, true));
  EXPECT_EQ(std::tie(messages[1].type, messages[1].control, messages[1].payload),
            std::make_tuple(uint8_t{21}, uint8_t{1}, std::string()));
  EXPECT_TRUE(reader.Feed("HX").empty());
  EXPECT_TRUE(reader.Failed());
}

TEST_F(HislipServer, NegotiatesTheVersionAndAnswersQueriesWithTheirMessageIds) {
  struct {
    uint16_t offered, expected;
  } versions[] = {{0x0100, 0x0100}, {0x0101, 0x0100}, {0x0200, 0x0200}, {0x0301, 0x0200}};
  for (const auto& version : versions) {
    HislipClient client(port, version.offered);
    ASSERT_TRUE(client.Ready()) << version.offered;
    EXPECT_EQ(client.ServerVersion(), version.expected) << version.offered;
    EXPECT_EQ(client.InitializeResponse().control, 0) << "synchronized mode, no encryption";
  }
  HislipClient client(port, 0x0200, "");  // an empty sub-address means the instrument's own
  ASSERT_TRUE(client.Ready());
  const auto size = client.Ask(15, 0, 0, sim::hislip::U64Bytes(4096));
  ASSERT_TRUE(size);
  EXPECT_EQ(std::tie(size->type, size->payload), std::make_tuple(uint8_t{16}, sim::hislip::U64Bytes(1u << 20)));
  EXPECT_EQ(client.Query("*IDN?\n"), "ACME,DMM100,1234,1.0\n");
  // A query split over Data and DataEnd; the answer carries the ID of the DataEnd.
  ASSERT_TRUE(client.Send(kSync, 6, 0, kFirstId + 2, "*ID"));
  ASSERT_TRUE(client.Send(kSync, 7, 0, kFirstId + 4, "N?"));
  const auto answer = client.Receive(kSync);
  ASSERT_TRUE(answer);
  EXPECT_EQ(std::tie(answer->type, answer->parameter, answer->payload),
            std::make_tuple(uint8_t{7}, kFirstId + 4, std::string("ACME,DMM100,1234,1.0\n")));
  EXPECT_EQ(dmm.ReceivedCommands(), (std::vector<std::string>{"*IDN?", "*IDN?"}));
  // A trigger message reaches the instrument.
  ASSERT_TRUE(client.Send(kSync, 12, 0, kFirstId + 6));
  EXPECT_EQ(client.Ask(24, 0, 0)->type, 25);  // a round trip on the other channel orders the check
  EXPECT_EQ(dmm.State()["instrument"]["triggers"], 1);
  const auto remote = client.Ask(10, 5, kFirstId + 6);
  EXPECT_EQ(remote->type, 11);
  EXPECT_EQ(dmm.State()["transport_state"]["remote"], true);
  EXPECT_EQ(dmm.State()["transport_state"]["local_lockout"], true);
}

TEST_F(HislipServer, StatusByteDeviceClearAndServiceRequest) {
  HislipClient client(port);
  ASSERT_TRUE(client.Ready());
  auto status = [&](uint8_t rmt) { return client.Ask(21, rmt, client.MessageId() - 2)->control; };
  EXPECT_EQ(client.Query("*IDN?"), "ACME,DMM100,1234,1.0\n");
  EXPECT_EQ(status(0), 0x10) << "MAV: the answer was sent and not reported delivered";
  EXPECT_EQ(status(1), 0x00) << "RMT-delivered ends MAV";

  // Device clear: the acknowledgement on both channels, then message IDs start over.
  ASSERT_TRUE(client.Send(kSync, 6, 0, client.MessageId(), "*IDN"));  // half a command, cleared away
  const auto acknowledged = client.Ask(19, 0, 0);
  EXPECT_EQ(acknowledged->type, 23);
  ASSERT_TRUE(client.Send(kSync, 8, 0, 0));
  const auto complete = client.Receive(kSync);
  ASSERT_TRUE(complete);
  EXPECT_EQ(complete->type, 9);
  client.ResetMessageId();
  EXPECT_EQ(client.Query("*IDN?"), "ACME,DMM100,1234,1.0\n");
  EXPECT_EQ(dmm.State()["transport_state"]["device_clears"], 1);
  EXPECT_EQ(status(1), 0x00);

  // *SRE 16: message available requests service; the request arrives on the asynchronous channel.
  ASSERT_TRUE(client.Write("*SRE 16", true));
  ASSERT_TRUE(client.Write("*IDN?"));
  const auto request = client.Receive(kAsync);
  ASSERT_TRUE(request);
  EXPECT_EQ(request->type, 20);
  EXPECT_EQ(request->control & 0x40, 0x40);
  EXPECT_EQ(client.Receive(kSync)->payload, "ACME,DMM100,1234,1.0\n");
  EXPECT_EQ(status(1), 0x40) << "the request stays until the status byte is read";
  EXPECT_EQ(status(1), 0x00);
}

TEST_F(HislipServer, LocksHoldASecondClientBack) {
  HislipClient first(port);
  std::optional<HislipClient> secondClient(std::in_place, port);
  HislipClient& second = *secondClient;
  ASSERT_TRUE(first.Ready() && second.Ready());
  EXPECT_NE(first.SessionId(), second.SessionId());
  auto lock = [](HislipClient& client, uint32_t timeoutMs, const std::string& name = "") {
    return client.Ask(4, 1, timeoutMs, name)->control;
  };
  auto release = [](HislipClient& client) { return client.Ask(4, 0, client.MessageId() - 2)->control; };
  auto info = [](HislipClient& client) {
    const auto response = client.Ask(24, 0, 0);
    return std::make_pair(response->control, response->parameter);
  };
  EXPECT_EQ(lock(first, 0), 1);
  EXPECT_EQ(lock(first, 0), 3) << "a session holds one lock at most";
  EXPECT_EQ(info(second), std::make_pair(uint8_t{1}, 1u));
  const int64_t start = simtest::NowMs();
  EXPECT_EQ(lock(second, 100), 0) << "not granted within its time-out";
  EXPECT_GE(simtest::NowMs() - start, 100);
  // The second client's query waits for the lock; the holder's goes ahead.
  ASSERT_TRUE(second.Write("*IDN?"));
  EXPECT_EQ(first.Query("*IDN?"), "ACME,DMM100,1234,1.0\n");
  EXPECT_EQ(dmm.CommandCount(), 1u);
  // A lock request that waits is granted at the release.
  ASSERT_TRUE(second.Send(kAsync, 4, 1, 5000));
  EXPECT_EQ(release(first), 1);
  EXPECT_EQ(second.Receive(kAsync)->control, 1);
  EXPECT_EQ(second.Receive(kSync)->payload, "ACME,DMM100,1234,1.0\n");
  EXPECT_EQ(release(second), 1);
  EXPECT_EQ(release(second), 3) << "nothing held";
  // A shared lock is held by both at once, and the exclusive one waits for both.
  EXPECT_EQ(lock(first, 0, "bench"), 1);
  EXPECT_EQ(lock(second, 0, "bench"), 1);
  EXPECT_EQ(info(first), std::make_pair(uint8_t{0}, 2u));
  HislipClient third(port);
  EXPECT_EQ(lock(third, 0), 0);
  EXPECT_EQ(lock(third, 0, "other"), 0);
  EXPECT_EQ(release(first), 2);
  // A session that ends gives its lock up.
  ASSERT_TRUE(third.Send(kAsync, 4, 1, 5000));
  secondClient.reset();
  EXPECT_EQ(third.Receive(kAsync)->control, 1);
}

TEST_F(HislipServer, MalformedMessagesEndTheirConnectionOnly) {
  HislipClient bystander(port);
  ASSERT_TRUE(bystander.Ready());
  struct {
    const char* what;
    bool initialise;  // the bad message comes after a complete session set-up
    hisliptest::Channel channel;
    std::string bytes;
    uint8_t type, code;  // of the answer: 2 FatalError (the connection ends) or 3 Error
  } cases[] = {
      {"no HS prologue", true, kSync, std::string("XS\x07\0\0\0\0\0\0\0\0\0\0\0\0\0", 16), 2, 1},
      {"no HS prologue before initializing", false, kSync, "GET / HTTP/1.0\r\n\r\n", 2, 1},
      {"data before Initialize", false, kSync, std::string("HS\x07\0\xFF\xFF\xFF\0\0\0\0\0\0\0\0\0", 16), 2, 3},
      {"a second Initialize", true, kSync, std::string("HS\0\0\x01\0\0\0\0\0\0\0\0\0\0\0", 16), 2, 3},
      {"an unknown message type", true, kSync, std::string("HS\x63\0\0\0\0\0\0\0\0\0\0\0\0\0", 16), 3, 1},
      {"an asynchronous type on the synchronous channel", true, kSync,
       std::string("HS\x15\0\0\0\0\0\0\0\0\0\0\0\0\0", 16), 3, 1},
      {"a vendor-defined type", true, kAsync, std::string("HS\xC8\0\0\0\0\0\0\0\0\0\0\0\0\0", 16), 3, 3},
      {"an unknown remote/local code", true, kAsync, std::string("HS\x0A\x09\0\0\0\0\0\0\0\0\0\0\0\0", 16), 3, 2},
      {"a maximum message size of 3 bytes", true, kAsync, std::string("HS\x0F\0\0\0\0\0\0\0\0\0\0\0\0\x03" "abc", 19), 3, 0},
      {"a message over the maximum size", true, kSync,
       std::string("HS\x07\0\xFF\xFF\xFF\0\0\0\0\0\0\x10\0\x01", 16) + std::string(0x100001, 'x'), 3, 4},
      {"an async lock name of 4 GiB", true, kAsync, std::string("HS\x04\x01\0\0\0\0\0\0\0\x01\0\0\0\0", 16), 2, 1},
  };
  for (const auto& c : cases) {
    HislipClient client(port, 0x0200, "hislip0", c.initialise);
    ASSERT_EQ(client.Ready(), c.initialise) << c.what;
    const hisliptest::Channel channel = c.channel;
    ASSERT_TRUE(client.SendRaw(channel, c.bytes)) << c.what;
    const auto answer = client.Receive(channel);
    ASSERT_TRUE(answer) << c.what;
    EXPECT_EQ(std::tie(answer->type, answer->control), std::tie(c.type, c.code)) << c.what << ": " << answer->payload;
    EXPECT_FALSE(answer->payload.empty()) << c.what;
    if (c.type == 2) {
      EXPECT_TRUE(client.Closed(channel)) << c.what;
      if (c.initialise) {
        EXPECT_TRUE(client.Closed(channel == kSync ? kAsync : kSync)) << c.what;
      }
    } else {
      EXPECT_EQ(client.Query("*IDN?"), "ACME,DMM100,1234,1.0\n") << c.what;
    }
    EXPECT_EQ(bystander.Query("*IDN?"), "ACME,DMM100,1234,1.0\n") << c.what;
  }
  // A session that names another sub-address, or an asynchronous channel for no session.
  HislipClient wrongDevice(port, 0x0200, "hislip7");
  EXPECT_FALSE(wrongDevice.Ready());
  EXPECT_TRUE(wrongDevice.Closed(kSync));
  EXPECT_EQ(bystander.Query("*IDN?"), "ACME,DMM100,1234,1.0\n");
}

}  // namespace

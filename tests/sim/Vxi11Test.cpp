// ONC RPC framing, the VXI-11 core channel and the portmapper, spoken to
// with hand-built records over loopback sockets.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <thread>

#include "SimTestIo.h"
#include "sim/core/Simulator.h"
#include "sim/rpc/RecordMarking.h"
#include "sim/rpc/Xdr.h"
#include "sim/transport/Sockets.h"

namespace {

using sim::rpc::XdrReader;
using sim::rpc::XdrWriter;

constexpr uint32_t kCore = 0x0607AF;
constexpr uint32_t kAbort = 0x0607B0;
constexpr uint32_t kPortmapper = 100000;

TEST(RpcFraming, BytesOnTheWire) {
  EXPECT_EQ(XdrWriter().U32(0x0607AF).I32(-2).Opaque("abcde").Bytes(),
            std::string("\x00\x06\x07\xAF\xFF\xFF\xFF\xFE\x00\x00\x00\x05" "abcde\x00\x00\x00", 20));
  EXPECT_EQ(sim::rpc::MarkRecord("xyz"), std::string("\x80\x00\x00\x03xyz", 7));

  struct {
    const char* what;
    std::string bytes;
    size_t maxBytes;
    bool ok;
  } opaques[] = {
      {"padded", std::string("\x00\x00\x00\x02hi\x00\x00", 8), 10, true},
      {"padding missing", std::string("\x00\x00\x00\x02hi", 6), 10, false},
      {"over its limit", std::string("\x00\x00\x00\x02hi\x00\x00", 8), 1, false},
      {"length cut off", std::string("\x00\x00\x00", 3), 10, false},
  };
  for (const auto& item : opaques) {
    XdrReader reader(item.bytes);
    const std::string data = reader.Opaque(item.maxBytes);
    EXPECT_EQ(reader.Ok(), item.ok) << item.what;
    EXPECT_EQ(data, item.ok ? "hi" : "") << item.what;
  }

  // Two fragments make one record, whatever the pieces the stream brings.
  sim::rpc::RecordReader records;
  EXPECT_TRUE(records.Feed(std::string("\x00\x00\x00\x02" "ab\x80\x00", 8)).empty());
  EXPECT_EQ(records.Feed(std::string("\x00\x01" "c\x80\x00\x00\x00", 7)),
            (std::vector<std::string>{"abc", ""}));
  EXPECT_TRUE(records.Feed(std::string("\x81\x00\x00\x01", 4)).empty());  // over 16 MiB
  EXPECT_TRUE(records.Failed());
}

// A client of one RPC program on a TCP port.
class RpcClient {
public:
  explicit RpcClient(uint16_t port, uint32_t version = 1) : fd_(simtest::ConnectTcp(port)), version_(version) {
    EXPECT_TRUE(fd_.valid());
  }

  void Send(uint32_t program, uint32_t procedure, const std::string& arguments, uint32_t version = 0,
            uint32_t rpcVersion = 2) {
    if (version == 0) version = version_;
    XdrWriter call;
    call.U32(++xid_).U32(0).U32(rpcVersion).U32(program).U32(version).U32(procedure);
    call.U32(1).Opaque(std::string(20, 'u')).U32(0).Opaque("");  // some credentials, no verifier
    simtest::SendAll(fd_.get(), sim::rpc::MarkRecord(call.Bytes() + arguments));
  }
  // The next reply: its words up to the accept status, then the results.
  std::string Receive(std::vector<uint32_t>* head, size_t headWords = 6) {
    const std::string mark = simtest::ReadCount(fd_.get(), 4);
    const std::string record = simtest::ReadCount(fd_.get(), XdrReader(mark).U32() & 0x7FFFFFFF);
    XdrReader reader(record);
    head->clear();
    for (size_t i = 0; i < headWords; ++i) head->push_back(reader.U32());
    EXPECT_TRUE(reader.Ok()) << "a reply of " << record.size() << " bytes";
    return std::string(reader.Rest());
  }
  // A successful call's results.
  std::string Call(uint32_t program, uint32_t procedure, const std::string& arguments) {
    Send(program, procedure, arguments);
    std::vector<uint32_t> head;
    std::string results = Receive(&head);
    EXPECT_EQ(head, (std::vector<uint32_t>{xid_, 1, 0, 0, 0, 0})) << "procedure " << procedure;
    return results;
  }
  uint32_t Xid() const { return xid_; }

private:
  simtest::Fd fd_;
  uint32_t version_;
  uint32_t xid_ = 0x1000;
};

std::vector<uint32_t> Words(const std::string& bytes) {
  XdrReader reader(bytes);
  std::vector<uint32_t> words;
  while (!reader.Rest().empty()) words.push_back(reader.U32());
  return words;
}

std::string CreateLink(const std::string& device, bool lock = false) {
  return XdrWriter().U32(7).U32(lock).U32(0).Opaque(device).Bytes();
}
std::string Generic(uint32_t link) { return XdrWriter().U32(link).U32(0).U32(0).U32(1000).Bytes(); }
std::string WriteArguments(uint32_t link, const std::string& data) {
  return XdrWriter().U32(link).U32(1000).U32(0).U32(8).Opaque(data).Bytes();  // END
}
std::string ReadArguments(uint32_t link, uint32_t size, uint32_t timeoutMs, int termChar = -1) {
  return XdrWriter().U32(link).U32(size).U32(timeoutMs).U32(0).U32(termChar < 0 ? 0 : 128)
      .I32(termChar < 0 ? 0 : termChar).Bytes();
}
// device_read's error, reason and data.
std::tuple<uint32_t, uint32_t, std::string> ReadResult(const std::string& results) {
  XdrReader reader(results);
  const uint32_t error = reader.U32(), reason = reader.U32();
  std::string data = reader.Opaque();
  EXPECT_TRUE(reader.Ok() && reader.Rest().empty());
  return {error, reason, data};
}

TEST(Vxi11, QueriesReadsAndTimeOutsOfTheCoreChannel) {
  sim::Simulator simulator;
  sim::Instrument& scope =
      simulator.Add("scope", {{"transport", "vxi11"}, {"idn", "ACME,SCOPE,1,1"}, {"device", "inst1"}});
  const uint16_t port = scope.Endpoint().port;
  RpcClient client(port);
  EXPECT_EQ(Words(client.Call(kCore, 10, CreateLink("inst0"))), (std::vector<uint32_t>{3, 0, port, 1u << 20}));
  EXPECT_EQ(Words(client.Call(kCore, 10, CreateLink("inst1"))), (std::vector<uint32_t>{0, 1, port, 1u << 20}));

  EXPECT_EQ(Words(client.Call(kCore, 11, WriteArguments(1, "*IDN?\n*OPC?\n"))), (std::vector<uint32_t>{0, 12}));
  struct {
    const char* what;
    std::string arguments;
    uint32_t error, reason;
    std::string data;
  } reads[] = {
      {"up to the termination character", ReadArguments(1, 100, 1000, ','), 0, 2, "ACME,"},
      {"up to the requested size", ReadArguments(1, 3, 1000), 0, 1, "SCO"},
      {"up to the end of the answer", ReadArguments(1, 100, 1000), 0, 4, "PE,1,1\n"},
      {"the next answer, ending in both", ReadArguments(1, 100, 1000, '\n'), 0, 6, "1\n"},
      {"nothing to read: io_timeout", ReadArguments(1, 100, 50), 15, 0, ""},
      {"an unknown link", ReadArguments(9, 100, 50), 4, 0, ""},
  };
  for (const auto& read : reads) {
    const int64_t start = simtest::NowMs();
    const auto [error, reason, data] = ReadResult(client.Call(kCore, 12, read.arguments));
    EXPECT_EQ(std::tie(error, reason, data), std::tie(read.error, read.reason, read.data)) << read.what;
    if (read.error == 15) {
      EXPECT_GE(simtest::NowMs() - start, 50) << read.what;
    }
  }
  EXPECT_EQ(scope.ReceivedCommands(), (std::vector<std::string>{"*IDN?", "*OPC?"}));

  // A command split over writes without END waits for the rest.
  EXPECT_EQ(Words(client.Call(kCore, 11, XdrWriter().U32(1).U32(1000).U32(0).U32(0).Opaque("*ES").Bytes())),
            (std::vector<uint32_t>{0, 3}));
  EXPECT_EQ(Words(client.Call(kCore, 11, WriteArguments(1, "E 1;*SRE 32;*OPC"))), (std::vector<uint32_t>{0, 16}));
  EXPECT_EQ(scope.ReceivedCommands().back(), "*ESE 1;*SRE 32;*OPC");
  EXPECT_EQ(Words(client.Call(kCore, 13, Generic(1))), (std::vector<uint32_t>{0, 0x60}));  // ESB and RQS
  EXPECT_EQ(Words(client.Call(kCore, 14, Generic(1))), (std::vector<uint32_t>{0}));
  EXPECT_EQ(scope.State()["instrument"]["triggers"], 1);

  // A read that waits is ended by device_abort on the abort channel, then by device_clear.
  client.Send(kCore, 12, ReadArguments(1, 100, 60000));
  const int64_t deadline = simtest::NowMs() + simtest::kPatienceMs;
  while (scope.State()["transport_state"]["reads_waiting"] == 0 && simtest::NowMs() < deadline)
    std::this_thread::yield();
  RpcClient abort(port);
  EXPECT_EQ(Words(abort.Call(kAbort, 1, XdrWriter().U32(1).Bytes())), (std::vector<uint32_t>{0}));
  std::vector<uint32_t> head;
  EXPECT_EQ(ReadResult(client.Receive(&head)), std::make_tuple(23u, 0u, std::string()));
  EXPECT_EQ(head[0], client.Xid());
  EXPECT_EQ(Words(client.Call(kCore, 15, Generic(1))), (std::vector<uint32_t>{0}));
  EXPECT_EQ(scope.State()["transport_state"]["device_clears"], 1);

  EXPECT_EQ(Words(client.Call(kCore, 23, XdrWriter().U32(1).Bytes())), (std::vector<uint32_t>{0}));
  EXPECT_EQ(Words(client.Call(kCore, 11, WriteArguments(1, "*OPC?\n"))), (std::vector<uint32_t>{4, 0}));
}

TEST(Vxi11, LocksLinksAndRefusedCalls) {
  sim::Simulator simulator;
  const uint16_t port = simulator.Add("dmm", {{"transport", "vxi11"}}).Endpoint().port;
  RpcClient first(port), second(port);
  EXPECT_EQ(Words(first.Call(kCore, 10, CreateLink("inst0"))).at(1), 1u);
  EXPECT_EQ(Words(second.Call(kCore, 10, CreateLink("inst0"))).at(1), 2u);
  const std::string lock = XdrWriter().U32(1).U32(0).U32(0).Bytes();
  struct {
    const char* what;
    RpcClient& client;
    uint32_t procedure;
    std::string arguments;
    std::vector<uint32_t> results;
  } calls[] = {
      {"the NULL procedure", first, 0, "", {}},
      {"lock", first, 18, lock, {0}},
      {"a lock that waits up to its lock_timeout", second, 18, XdrWriter().U32(2).U32(1).U32(50).Bytes(), {11}},
      {"write under another's lock", second, 11, WriteArguments(2, "*CLS\n"), {11, 0}},
      {"a link of another connection", second, 11, WriteArguments(1, "*CLS\n"), {4, 0}},
      {"unlock without the lock", second, 19, XdrWriter().U32(2).Bytes(), {12}},
      {"create_link with lock while locked", second, 10, CreateLink("inst0", true), {11, 0, port, 1u << 20}},
      {"the lock holder writes", first, 11, WriteArguments(1, "*CLS\n"), {0, 5}},
      {"unlock", first, 19, XdrWriter().U32(1).Bytes(), {0}},
      {"then the other writes", second, 11, WriteArguments(2, "*CLS\n"), {0, 5}},
      {"no interrupt channel elsewhere than loopback", first, 25,
       XdrWriter().U32(0x0A000001).U32(4000).U32(0x0607B1).U32(1).U32(0).Bytes(), {6}},
      {"no interrupt channel to destroy", first, 26, "", {6}},
  };
  for (const auto& call : calls) {
    const int64_t start = simtest::NowMs();
    EXPECT_EQ(Words(call.client.Call(kCore, call.procedure, call.arguments)), call.results) << call.what;
    if (call.procedure == 18 && call.results[0] == 11) {
      EXPECT_GE(simtest::NowMs() - start, 50) << call.what;
    }
  }
  EXPECT_TRUE(Words(first.Call(kAbort, 0, "")).empty()) << "the abort channel's NULL procedure";
  // A waiting lock is granted when the holder unlocks.
  EXPECT_EQ(Words(first.Call(kCore, 18, lock)), std::vector<uint32_t>{0});
  second.Send(kCore, 18, XdrWriter().U32(2).U32(1).U32(60000).Bytes());
  EXPECT_EQ(Words(first.Call(kCore, 19, XdrWriter().U32(1).Bytes())), std::vector<uint32_t>{0});
  std::vector<uint32_t> head;
  EXPECT_EQ(Words(second.Receive(&head)), std::vector<uint32_t>{0});
  EXPECT_EQ(Words(first.Call(kCore, 11, WriteArguments(1, "*CLS\n"))), (std::vector<uint32_t>{11, 0}));

  // Refused calls: {program, version, procedure, RPC version} and the reply's words after the xid.
  struct {
    const char* what;
    uint32_t program, version, procedure, rpcVersion;
    std::vector<uint32_t> reply;
  } refused[] = {
      {"unknown procedure", kCore, 1, 99, 2, {1, 0, 0, 0, 3}},
      {"another program", 0x0607B1, 1, 30, 2, {1, 0, 0, 0, 1}},
      {"another version", kCore, 2, 10, 2, {1, 0, 0, 0, 2, 1, 1}},
      {"another RPC version", kCore, 1, 10, 3, {1, 1, 0, 2, 2}},
  };
  for (const auto& call : refused) {
    first.Send(call.program, call.procedure, "", call.version, call.rpcVersion);
    std::vector<uint32_t> head;
    std::vector<uint32_t> reply = Words(first.Receive(&head, 1));
    EXPECT_EQ(head[0], first.Xid()) << call.what;
    EXPECT_EQ(reply, call.reply) << call.what;
  }
}

TEST(Vxi11, ServiceRequestsOverTheInterruptChannel) {
  sim::Simulator simulator;
  const uint16_t port = simulator.Add("dmm", {{"transport", "vxi11"}}).Endpoint().port;
  // The client's interrupt server.
  std::string error;
  uint16_t interruptPort = 0;
  sim::transport::FileDescriptor listener = sim::transport::ListenTcp(0, &interruptPort, &error);
  ASSERT_TRUE(listener.Valid()) << error;
  RpcClient client(port);
  EXPECT_EQ(Words(client.Call(kCore, 10, CreateLink("inst0"))).at(1), 1u);
  const std::string channel = XdrWriter().U32(0x7F000001).U32(interruptPort).U32(0x0607B1).U32(1).U32(0).Bytes();
  EXPECT_EQ(Words(client.Call(kCore, 25, channel)), std::vector<uint32_t>{0});
  EXPECT_EQ(Words(client.Call(kCore, 25, channel)), std::vector<uint32_t>{29}) << "already established";
  ASSERT_TRUE(sim::transport::WaitForReadable(listener.Get(), simtest::kPatienceMs));
  const simtest::Fd interrupts(sim::transport::AcceptConnection(listener.Get()).Release());
  EXPECT_EQ(Words(client.Call(kCore, 20, XdrWriter().U32(1).U32(1).Opaque("scope-7").Bytes())), std::vector<uint32_t>{0});
  // Message available requests service: the answer to *IDN? waits in the output queue.
  EXPECT_EQ(Words(client.Call(kCore, 11, WriteArguments(1, "*SRE 16;*IDN?\n"))), (std::vector<uint32_t>{0, 14}));
  const std::string mark = simtest::ReadCount(interrupts.get(), 4);
  ASSERT_EQ(mark.size(), 4u);
  const std::string record = simtest::ReadCount(interrupts.get(), XdrReader(mark).U32() & 0x7FFFFFFF);
  XdrReader call(record);
  std::vector<uint32_t> words;
  for (int i = 0; i < 10; ++i) words.push_back(call.U32());
  EXPECT_EQ(std::vector<uint32_t>(words.begin() + 1, words.end()),
            (std::vector<uint32_t>{0, 2, 0x0607B1, 1, 30, 0, 0, 0, 0}));  // CALL of device_intr_srq
  EXPECT_EQ(call.Opaque(), "scope-7");
  EXPECT_EQ(Words(client.Call(kCore, 13, Generic(1))), (std::vector<uint32_t>{0, 0x50}));
  EXPECT_EQ(Words(client.Call(kCore, 26, "")), std::vector<uint32_t>{0});
  bool closed = false;
  simtest::ReadToEnd(interrupts.get(), &closed);
  EXPECT_TRUE(closed) << "destroy_intr_chan ends the connection";
}

TEST(Portmapper, ListsTheVxi11ProgramsOfEveryVxi11Instrument) {
  sim::Simulator simulator;
  simulator.Add("raw", {{"transport", "tcp"}});
  const uint16_t core = simulator.Add("scope", {{"transport", "vxi11"}}).Endpoint().port;
  const uint16_t other = simulator.Add("other", {{"transport", "vxi11"}}).Endpoint().port;
  ASSERT_EQ(simulator.ListenPortmapper(0), "");
  const uint16_t port = simulator.PortmapperPort();
  const auto getPort = [](uint32_t program, uint32_t protocol) {
    return XdrWriter().U32(program).U32(1).U32(protocol).U32(0).Bytes();
  };
  RpcClient client(port, 2);
  struct {
    std::string arguments;
    uint32_t port;
  } queries[] = {{getPort(kCore, 6), core}, {getPort(kAbort, 6), core}, {getPort(kCore, 17), 0},
                 {getPort(0x0607B1, 6), 0}};
  for (const auto& query : queries) EXPECT_EQ(Words(client.Call(kPortmapper, 3, query.arguments)), std::vector<uint32_t>{query.port});
  EXPECT_EQ(Words(client.Call(kPortmapper, 4, "")),
            (std::vector<uint32_t>{1, kPortmapper, 2, 6, port, 1, kPortmapper, 2, 17, port,
                                   1, kCore, 1, 6, core, 1, kAbort, 1, 6, core,
                                   1, kCore, 1, 6, other, 1, kAbort, 1, 6, other, 0}));

  // The same question in a datagram.
  simtest::Fd udp = simtest::ConnectUdp(port);
  XdrWriter call;
  call.U32(77).U32(0).U32(2).U32(kPortmapper).U32(2).U32(3).U32(0).Opaque("").U32(0).Opaque("");
  simtest::SendAll(udp.get(), call.Bytes() + getPort(kCore, 6));
  EXPECT_EQ(Words(simtest::ReceiveDatagram(udp.get())), (std::vector<uint32_t>{77, 1, 0, 0, 0, 0, core}));
}

}  // namespace

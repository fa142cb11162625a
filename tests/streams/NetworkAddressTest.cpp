// Address texts of the network transports: defaults, URIs, host forms; and
// one instrument, one lock: texts that name the same server and port give
// one lock name, while the ID string keeps the text as typed.
#include <gtest/gtest.h>

#include "streams/SimulatedInstrument.h"
#include "streams/http/HTTPDeviceStreamConfig.h"
#include "streams/tcp/EthernetDeviceStreamConfig.h"
#include "streams/tcp/NetworkAddress.h"
#include "streams/udp/UDPDeviceStreamConfig.h"

namespace {
TEST(NetworkAddress, TheTextFillsInServerAndPortOverTheDefaults) {
  ASSERT_TRUE(EnsureWxRuntime());
  struct Case {
    std::string text;
    std::string effective;
  };
  const Case cases[] = {
      {"", "tcpip://192.168.0.10:7895"},
      {"10.1.2.3", "tcpip://10.1.2.3:7895"},
      {"10.1.2.3:5025", "tcpip://10.1.2.3:5025"},
      {"tcpip://10.1.2.3", "tcpip://10.1.2.3:7895"},
      {"tcpip://meter.lab:5025", "tcpip://meter.lab:5025"},
      {"http://meter.lab/ignored/path", "tcpip://meter.lab:7895"},
      {"localhost:80", "tcpip://localhost:80"},
      {"10.1.2.3:0", "tcpip://10.1.2.3:7895"},
      {"10.1.2.3:abc", "tcpip://10.1.2.3:7895"},
      {"10.1.2.3:70000", "tcpip://10.1.2.3:7895"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NetworkAddress::FromText(c.text, "192.168.0.10", 7895).Effective(), c.effective) << c.text;
  }
}

TEST(NetworkAddress, EachTransportHasItsDefaultsTableAndIdString) {
  ASSERT_TRUE(EnsureWxRuntime());
  EthernetDeviceStreamConfig tcp;
  UDPDeviceStreamConfig udp;
  HTTPDeviceStreamConfig http;
  EXPECT_EQ(tcp.GetEffectiveAddress().Effective(), "tcpip://192.168.0.10:7895");
  EXPECT_EQ(udp.GetEffectiveAddress().Effective(), "tcpip://localhost:63452");
  EXPECT_EQ(http.GetEffectiveAddress().Effective(), "tcpip://www.example.com:80");
  tcp.SetAddress("10.0.0.7:5025");
  udp.SetAddress("10.0.0.7:5025");
  http.SetAddress("http://10.0.0.7/");
  EXPECT_EQ(tcp.GetIDString(), "ETHER:10.0.0.7:5025");
  EXPECT_EQ(udp.GetIDString(), "UDP:10.0.0.7:5025");
  EXPECT_EQ(http.GetIDString(), "HTTP:http://10.0.0.7/");
  EXPECT_EQ(http.GetEffectiveAddress().Effective(), "tcpip://10.0.0.7:80");
  EXPECT_EQ(tcp.GetStreamTypeName(), "TCPIP");
  EXPECT_EQ(udp.GetStreamTypeName(), "UDP");
  EXPECT_EQ(http.GetStreamTypeName(), "HTTP");
  // (The tables of TCP and HTTP show in the saved files of StreamPanelsTest.cpp
  // and IdentificationTest.cpp.)
  EXPECT_EQ(udp.GetTable(), "Ethernet");
}

TEST(NetworkAddress, LookupRefusesWhatIsNotAnIPv4HostWithAPort) {
  ASSERT_TRUE(EnsureWxRuntime());
  struct Case {
    std::string effective;
    Status status;
  };
  const Case cases[] = {
      {"tcpip://127.0.0.1:5025", 0},
      {"tcpip://localhost:5025", 0},
      {"tcpip://[::1]:5025", networkstatus::kUnsupportedHostType},
      {"tcpip://[v7.future]:5025", networkstatus::kUnsupportedHostType},
      {"tcpip://127.0.0.1", networkstatus::kNoPort},
      {"tcpip://:5025", networkstatus::kNoServer},
      // Digits and dots that are no address fail in the resolver itself, without asking the network.
      {"tcpip://999.0.0.1:5025", networkstatus::kNoServer},
  };
  for (const Case& c : cases) {
    wxIPV4address address;
    EXPECT_EQ(NetworkAddress::Resolve(c.effective, address), c.status) << c.effective;
    if (c.status == 0) {
      EXPECT_EQ(address.IPAddress(), "127.0.0.1") << c.effective;
      EXPECT_EQ(address.Service(), 5025u) << c.effective;
    }
  }
}

TEST(StreamLockName, AddressTextsOfOneInstrumentShareTheLock) {
  EthernetDeviceStreamConfig plain, withScheme, upper, other;
  // Only names are compared here: nothing connects to these addresses.
  plain.SetAddress("10.0.0.7:5025");
  withScheme.SetAddress("tcpip://10.0.0.7:5025");
  upper.SetAddress("TCPIP://10.0.0.7:5025");
  other.SetAddress("10.0.0.7:5026");
  EXPECT_EQ(plain.GetLockID(), "ETHER:10.0.0.7:5025");
  EXPECT_EQ(withScheme.GetLockID(), plain.GetLockID());
  EXPECT_EQ(upper.GetLockID(), plain.GetLockID());
  EXPECT_NE(other.GetLockID(), plain.GetLockID());
  EXPECT_EQ(withScheme.GetIDString(), "ETHER:tcpip://10.0.0.7:5025") << "the ID string stays as typed";
  EthernetDeviceStreamConfig defaultPort;
  defaultPort.SetAddress("Bench-Host");
  EXPECT_EQ(defaultPort.GetLockID(), "ETHER:bench-host:7895");
}

TEST(StreamLockName, ConnectedStreamsOfBothTextsTakeOneLock) {
  SimulatedInstrument bench("TCPIP", {{"transport", "tcp"}});
  DeviceStreamClientWithStream second;
  bench.Offer(second, "TCPIP");
  second.SelectedConfigurationAs<NetworkBasedDeviceStreamConfig>()->SetAddress("tcpip://" + bench.Address());
  ASSERT_EQ(bench.client.ConnectStream(0, true), 0u);
  ASSERT_EQ(second.ConnectStream(0, true), 0u);
  const auto first = bench.client.TransportStream();
  const auto other = second.TransportStream();
  ASSERT_TRUE(first && other);
  EXPECT_EQ(other->GetLockName(), first->GetLockName());
  EXPECT_EQ(second.DisconnectStream(0), 0u);
  EXPECT_EQ(bench.client.DisconnectStream(0), 0u);
}
}  // namespace

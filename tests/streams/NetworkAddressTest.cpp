// Address texts of the network transports: defaults, URIs, host forms.
#include <gtest/gtest.h>

#include "streams/StreamTestSupport.h"
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
}  // namespace

// One instrument, one lock: network address texts that name the same server
// and port give one lock name, while the ID string keeps the text as typed.
#include <gtest/gtest.h>

#include "streams/SimulatedInstrument.h"
#include "streams/tcp/EthernetDeviceStreamConfig.h"

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

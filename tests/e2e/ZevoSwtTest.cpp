// The USB relay box driven through the module's exports against a simulated
// box on a pseudo-terminal: the relay byte of each state on the line, an echo
// with its high bits set accepted, and the settings saved unchanged.
#include <gtest/gtest.h>

#include "sim/relaybox/RelayBox.h"
#include "DriverSteps.h"

TEST(ZevoSwtE2e, RelayBytesEchoesAndSettings) {
  swm::Module& m = LoadedModule();
  // The echo leaves after the driver has cleared its input (900 ms) and before it reads (1000 ms).
  SimulatorBench bench(Transport::kSerial,
                       {{"family", "relaybox"}, {"terminator", "none"}, {"high-bits", "0xF0"}, {"fault", "late 950"}});
  sim::Instrument& unit = bench.Instrument();
  const uint16_t id = CreateDriver(bench, "ZEVOSWT",
                                   LegacySerialSection() +
                                       "[ZevoSwt]\nRelais1Start=1\nRelais4Start=1\nRelais2Stop=1\nRelais3Stop=1\nRelais4Stop=1\n");
  ASSERT_EQ(m.InitDevice(0, id), 0u);
  EXPECT_EQ(SendEvent(id, SWM_EVENT_InitialisationStarted), 0u);
  // Relays 1 and 4: one byte 0x09, answered by 0xF9 and not sent again.
  EXPECT_EQ(unit.ReceivedBytes(), "\x09");
  EXPECT_EQ(unit.Access<sim::RelayBox>([](sim::RelayBox& box) { return box.Relays(); }), 0x09);
  EXPECT_EQ(SendEvent(id, SWM_EVENT_FrequencyChanged, 100.0), 0u);
  EXPECT_EQ(SendEvent(id, SWM_EVENT_TestStopped), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), "\x09\x0E");
  EXPECT_EQ(unit.Access<sim::RelayBox>([](sim::RelayBox& box) { return box.Relays(); }), 0x0E);
  EXPECT_EQ(m.DeInitDevice(0, id), 0u);
  // Sending on a closed port is the serial layer's error, with its text.
  const uint32_t closed = SendEvent(id, SWM_EVENT_InitialisationStarted);
  EXPECT_EQ(closed, 0x3000012Cu);
  EXPECT_EQ(m.ErrorText(id, closed), "The serial port is not open.");

  const std::string saved = ExpectStableSave(bench, id, "ZEVOSWT");
  for (const char* line : {"Relais1Start=1\n", "Relais2Start=0\n", "Relais4Start=1\n", "Relais1Stop=0\n",
                           "Relais3Stop=1\n", "BaudRate=9600\n"})
    EXPECT_NE(saved.find(line), std::string::npos) << line << " missing in\n" << saved;
  m.RemoveDeviceDriver(0, id);
}

TEST(ZevoSwtE2e, ABoxThatReportsByItselfPassesTheCheckAndIsSwitched) {
  swm::Module& m = LoadedModule();
  // No echo: the box reports its relays every 50 ms, so a report comes after each clearing.
  SimulatorBench bench(Transport::kSerial,
                       {{"family", "relaybox"}, {"terminator", "none"}, {"echo", "never"}, {"report-every", "50"}});
  sim::Instrument& unit = bench.Instrument();
  const uint16_t id =
      CreateDriver(bench, "ZEVOSWT", LegacySerialSection() + "[ZevoSwt]\nRelais2Start=1\nRelais3Start=1\n");
  EXPECT_EQ(m.CheckDevice(0, id), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), "");
  ASSERT_EQ(m.InitDevice(0, id), 0u);
  EXPECT_EQ(SendEvent(id, SWM_EVENT_InitialisationStarted), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), "\x06");
  EXPECT_EQ(SendEvent(id, SWM_EVENT_TestStopped), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), std::string("\x06\x00", 2));
  EXPECT_EQ(unit.Access<sim::RelayBox>([](sim::RelayBox& box) { return box.Relays(); }), 0);
  EXPECT_EQ(m.DeInitDevice(0, id), 0u);
  m.RemoveDeviceDriver(0, id);
}

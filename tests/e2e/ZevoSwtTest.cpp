// The USB relay box driven through the module's exports against a simulated
// box on a pseudo-terminal: the relay byte of each state on the line, an echo
// with its high bits set accepted, a box that never echoes the state failing
// the event, and the settings (the stored port speed
// and format too, though the port always opens at 9600 8N1) saved unchanged.
#include <gtest/gtest.h>

#include "InstrumentBench.h"
#include "sim/relaybox/RelayBox.h"

TEST(ZevoSwtE2e, RelayBytesEchoesAndSettings) {
  // The echo leaves after the driver has cleared its input (900 ms) and before it reads (1000 ms).
  InstrumentBench bench(Wire::kSerial,
                        {{"family", "relaybox"}, {"terminator", "none"}, {"high-bits", "0xF0"}, {"fault", "late 950"}});
  sim::Instrument& unit = bench.Instrument();
  ModuleDriver driver("ZEVOSWT",
                      bench.Write("box.ini", LegacySerialSection() + "BaudRate=19200\nDataBits=7\nParity=2\nStopBits=2\n"
                                                                     "[ZevoSwt]\nRelais1Start=1\nRelais4Start=1\n"
                                                                     "Relais2Stop=1\nRelais3Stop=1\nRelais4Stop=1\n"));
  swm::Module& m = driver.m;
  const uint16_t id = driver.id;
  ASSERT_EQ(m.InitDevice(0, id), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_InitialisationStarted), 0u);
  // Relays 1 and 4: one byte 0x09, answered by 0xF9 and not sent again.
  EXPECT_EQ(unit.ReceivedBytes(), "\x09");
  EXPECT_EQ(unit.Access<sim::RelayBox>([](sim::RelayBox& box) { return box.Relays(); }), 0x09);
  EXPECT_EQ(driver.Event(SWM_EVENT_FrequencyChanged, 100.0), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_TestStopped), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), "\x09\x0E");
  EXPECT_EQ(unit.Access<sim::RelayBox>([](sim::RelayBox& box) { return box.Relays(); }), 0x0E);
  // A box that never echoes the state sent (its relays stuck at 1 and 2)
  // has not confirmed it: after every round the event fails with a text.
  unit.Set("stuck", "0x03");
  const uint32_t unconfirmed = driver.Event(SWM_EVENT_InitialisationStarted);
  EXPECT_EQ(unconfirmed, 0x3000009Au);
  EXPECT_EQ(m.ErrorText(id, unconfirmed), "The relay box did not confirm its new state in 20 rounds (last answer: 0xF3).");
  EXPECT_EQ(unit.ReceivedBytes(), "\x09\x0E" + std::string(20, '\x09'));
  unit.Set("stuck", "none");
  EXPECT_EQ(m.DeInitDevice(0, id), 0u);
  // Sending on a closed port is the serial layer's error, with its text naming the port.
  const uint32_t closed = driver.Event(SWM_EVENT_InitialisationStarted);
  EXPECT_EQ(closed, 0x3000012Cu);
  EXPECT_EQ(m.ErrorText(id, closed).rfind("The serial port is not open: COM" + std::to_string(InstrumentBench::kComPort) +
                                              " is the link ", 0), 0u) << m.ErrorText(id, closed);

  const std::string saved = driver.ExpectStableSave(bench, "ZEVOSWT");
  for (const char* line : {"Relais1Start=1\n", "Relais2Start=0\n", "Relais4Start=1\n", "Relais1Stop=0\n",
                           "Relais3Stop=1\n",
                           // The port opened at 9600 8N1; the stored settings are kept.
                           "BaudRate=19200\n", "DataBits=7\n", "Parity=2\n", "StopBits=2\n"})
    EXPECT_NE(saved.find(line), std::string::npos) << line << " missing in\n" << saved;
}

TEST(ZevoSwtE2e, ABoxThatReportsByItselfPassesTheCheckAndIsSwitched) {
  // No echo: the box reports its relays every 50 ms, so a report comes after each clearing.
  InstrumentBench bench(Wire::kSerial,
                        {{"family", "relaybox"}, {"terminator", "none"}, {"echo", "never"}, {"report-every", "50"}});
  sim::Instrument& unit = bench.Instrument();
  ModuleDriver driver("ZEVOSWT",
                      bench.Write("box.ini", LegacySerialSection() + "[ZevoSwt]\nRelais2Start=1\nRelais3Start=1\n"));
  swm::Module& m = driver.m;
  const uint16_t id = driver.id;
  EXPECT_EQ(m.CheckDevice(0, id), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), "");
  ASSERT_EQ(m.InitDevice(0, id), 0u);
  EXPECT_EQ(driver.Event(SWM_EVENT_InitialisationStarted), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), "\x06");
  EXPECT_EQ(driver.Event(SWM_EVENT_TestStopped), 0u);
  EXPECT_EQ(unit.ReceivedBytes(), std::string("\x06\x00", 2));
  EXPECT_EQ(unit.Access<sim::RelayBox>([](sim::RelayBox& box) { return box.Relays(); }), 0);
  EXPECT_EQ(m.DeInitDevice(0, id), 0u);
}

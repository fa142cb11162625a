// The EUT status reporter through the module's exports against the
// simulated EUT controller program on TCP: the exact lines a sequence of
// events produces, the information items sent from the host's automation
// objects and received into them, the absence of the query without a
// test's items, and stream failures as statuses.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "InstrumentBench.h"
#include "sim/eutcontroller/EutController.h"
#include "support/FakeAutomation.h"

namespace {
// Waits until the lines have arrived, each with its line end.
bool WaitForLines(sim::Instrument& controller, const std::vector<std::string>& lines) {
  size_t bytes = 0;
  for (const std::string& line : lines) bytes += line.size() + 1;
  return controller.WaitForBytes(bytes, std::chrono::seconds(5));
}

void Forget(sim::Instrument& controller) {
  controller.ResetLog();
  controller.Access<sim::EutController>([](sim::EutController& c) { c.Reset(); });
}

std::vector<std::string> Lines(sim::Instrument& controller) {
  return controller.Access<sim::EutController>([](sim::EutController& c) { return c.Lines(); });
}
}  // namespace

TEST(EUTStatusE2e, ReportsEveryEventLineAndExchangesInformationItems) {
  InstrumentBench bench(Wire::kTcp,
                        {{"family", "eutcontroller"}, {"testinfo", "Operator = Smith"}, {"testinfo", "Model=New"}});
  sim::Instrument& controller = bench.Instrument();
  // The host's objects outlive the driver that holds references to them.
  FakeItems eutItems;
  eutItems.Add("Model", "X1");
  eutItems.Add("a=b", "x\r\ny");
  eutItems.Add("", "");  // nothing to tell: skipped
  FakeAutomationBase eut;
  eut.objects["InformationItems"] = &eutItems;
  FakeItems testItems;
  testItems.Add("Model", "old");
  testItems.Add("Lab", "EMC 1");
  testItems.Add("Model", "older");
  ModuleDriver driver("VTXEUTSTATUS", bench.Write("eut.ini", bench.StreamSections("EUTController")));
  ASSERT_TRUE(driver.created);
  swm::Module& m = driver.m;

  // Before the connection is opened an event line cannot go out.
  EXPECT_EQ(driver.Event(9, 0), 0x30000006u);

  SwmAutomation* eutPointer = &eut;
  SwmAutomation* itemsPointer = &testItems;
  ASSERT_EQ(m.SetValue(0, driver.id, 3, &eutPointer, &itemsPointer), 0u);

  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  EXPECT_EQ(Lines(controller),
            (std::vector<std::string>{"TEST START", "EUTINFO Model=X1", "EUTINFO ab=xy", "TESTINFO Model=old",
                                      "TESTINFO Lab=EMC 1", "TESTINFO Model=older", "TESTINFO?"}));
  // Both items named Model take the served value; an unknown name is added.
  EXPECT_EQ(testItems.Texts(), (std::vector<std::string>{"Model=New", "Lab=EMC 1", "Model=New", "Operator=Smith"}));
  EXPECT_TRUE(testItems.ItemsReleased());
  EXPECT_TRUE(eutItems.ItemsReleased());
  EXPECT_EQ(eutItems.references, 1u);

  Forget(controller);
  const struct {
    uint32_t event;
    double value;
  } events[] = {{7, 123.5}, {9, 0}, {46, 12.25}, {10, 0}, {7, 80}, {52, 90}, {63, 1.0}, {63, 1.5},
                {3, 0},     {1, 0}, {24, 3},     {2, 0}};
  for (const auto& e : events) ASSERT_EQ(driver.Event(e.event, e.value), 0u) << e.event;
  const std::vector<std::string> expected{"FREQUENCY 1.235E+08 HZ", "DWELLTIME START",
                                          "FIELDSTRENGTH 12.25 V/M", "DWELLTIME END",
                                          "FREQUENCY 8E+07 HZ",     "TURNTABLE 90 DEGREES",
                                          "POLARIZATION HORIZONTAL", "POLARIZATION VERTICAL",
                                          "TEST END"};
  ASSERT_TRUE(WaitForLines(controller, expected)) << controller.ReceivedBytes();
  EXPECT_EQ(Lines(controller), expected);
  // An event line ends in its own line feed; the stream adds no second one.
  EXPECT_TRUE(controller.ReceivedBytes().starts_with("FREQUENCY 1.235E+08 HZ\nDWELLTIME START\n"));

  // Without the test's items the EUT's are still sent, and nothing is asked.
  ASSERT_EQ(m.DeInitDevice(0, driver.id), 0u);
  Forget(controller);
  SwmAutomation* none = nullptr;
  ASSERT_EQ(m.SetValue(0, driver.id, 3, &eutPointer, &none), 0u);
  ASSERT_EQ(m.InitDevice(0, driver.id), 0u);
  // An item line is ended by the stream's send terminator.
  ASSERT_TRUE(controller.WaitForBytes(42, std::chrono::seconds(5)));
  EXPECT_EQ(controller.ReceivedBytes(), "TEST START\nEUTINFO Model=X1\nEUTINFO ab=xy\n");
  EXPECT_EQ(Lines(controller), (std::vector<std::string>{"TEST START", "EUTINFO Model=X1", "EUTINFO ab=xy"}));

  // After DeInitDevice the next line fails with the stream client's status.
  ASSERT_EQ(m.DeInitDevice(0, driver.id), 0u);
  EXPECT_EQ(driver.Event(2, 0), 0x30000006u);
  ASSERT_EQ(m.SetValue(0, driver.id, 3, &none, &none), 0u);
  EXPECT_EQ(eut.references, 1u);
}

// A controller that answers "TESTINFO?" with lines that never end: the
// query ends when its time-out has passed, and InitDevice fails with a text.
TEST(EUTStatusE2e, TestInformationThatNeverEndsIsCutAtTheQueryTimeOut) {
  const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(listen(listener, 1), 0);
  ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size), 0);
  // Sends a line every 10 ms once asked, for 20 s at most, until the driver closes.
  std::thread controller([listener] {
    const int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    std::string received;
    char buffer[256];
    while (received.find("TESTINFO?") == std::string::npos) {
      const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
      if (got <= 0) break;
      received.append(buffer, static_cast<size_t>(got));
    }
    const std::string line = "TESTINFO Model=New\n";
    for (int n = 0; n < 2000 && send(fd, line.data(), line.size(), MSG_NOSIGNAL) > 0; ++n)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    close(fd);
  });
  InstrumentBench bench(Wire::kTcp);
  FakeItems testItems;
  testItems.Add("Model", "old");
  FakeAutomationBase eut;
  ModuleDriver driver("VTXEUTSTATUS",
                      bench.Write("eut.ini", "[EUTController]\nQueryTimeoutMilliseconds=300\n"
                                             "[EUTController.Stream Config]\nSelected=TCPIP\n"
                                             "[EUTController.Stream Config.Ethernet]\nAddress=127.0.0.1:" +
                                                 std::to_string(ntohs(address.sin_port)) + "\n"));
  SwmAutomation* eutPointer = &eut;
  SwmAutomation* itemsPointer = &testItems;
  EXPECT_EQ(driver.m.SetValue(0, driver.id, 3, &eutPointer, &itemsPointer), 0u);
  const auto start = std::chrono::steady_clock::now();
  const uint32_t status = driver.m.InitDevice(0, driver.id);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_EQ(status, 0x30000099u);
  EXPECT_NE(driver.Text(status).find("QueryTimeoutMilliseconds"), std::string::npos) << driver.Text(status);
  EXPECT_LT(seconds, 5.0) << "the time-out is 0.3 s";
  EXPECT_EQ(testItems.Texts(), (std::vector<std::string>{"Model=New"})) << "the lines read before are kept";
  // Closing the connection ends the controller's lines.
  driver.m.DeInitDevice(0, driver.id);
  SwmAutomation* none = nullptr;
  driver.m.SetValue(0, driver.id, 3, &none, &none);
  controller.join();
  close(listener);
}

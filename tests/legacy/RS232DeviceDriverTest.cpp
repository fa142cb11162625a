// The legacy serial port against a simulated instrument on a pseudo-terminal
// linked as COMn in a temporary ports directory: line settings, exchanges,
// terminations, time-outs with short reads, faults, the port lock,
// and the VISA implementation over the same port.
#include "legacy/RS232DeviceDriver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <future>
#include <nlohmann/json.hpp>

#include "LegacyTestBench.h"
#include "LogCollector.h"
#include "legacy/RS232RunTimeDataTermios.h"
#include "legacy/RS232SharedDeviceDriver.h"
#include "legacy/SystemErrorStatus.h"
#include "platform/NamedSharedMutex.h"

namespace {

constexpr int kPort = 41;  // a port number no real serial device of this machine has

class RS232Test : public ::testing::Test {
protected:
  LegacyTestBench bench_{"rs232"};
  sim::Instrument& meter_ = bench_.AddSerial("meter", kPort, {{"idn", "ACME,METER9,77,3.2"}});
  RS232DeviceDriver port_{kPort};
};

}  // namespace

TEST_F(RS232Test, OpensThePortWithItsSettingsAndExchanges) {
  ASSERT_EQ(port_.Open(Br19200, None, Data8, Stop2), 0u);
  EXPECT_TRUE(port_.IsOpen());
  EXPECT_EQ(port_.ImplementationName(), "termios");
  const nlohmann::json line = meter_.State()["transport_state"]["line"];
  EXPECT_EQ(line["baud"], 19200);
  EXPECT_EQ(line["stop_bits"], 2);
  EXPECT_EQ(line["canonical"], false) << "the port_ is raw";

  EXPECT_EQ(port_.Write("*IDN?\n"), 0u);
  std::string answer;
  EXPECT_EQ(port_.OptimizedRead(&answer, 100, 2000), 0u) << "the line feed ends the read";
  EXPECT_EQ(answer, "ACME,METER9,77,3.2\n");
  EXPECT_EQ(meter_.ReceivedBytes(), "*IDN?\n");

  EXPECT_EQ(port_.Write("*OPC?\n"), 0u);
  EXPECT_EQ(port_.Read(&answer, 2), 0u) << "exactly the count asked for";
  EXPECT_EQ(answer, "1\n");
  EXPECT_EQ(port_.Close(), 0u);
  EXPECT_FALSE(port_.IsOpen());
  EXPECT_EQ(port_.Write("*RST\n"), 0x3000012Cu);
  EXPECT_EQ(port_.Read(&answer, 1), 0x3000012Cu);
  EXPECT_NE(ErrorText(port_, 0x3000012C).find("not open"), std::string::npos);
}

TEST_F(RS232Test, ReadsEndAtTerminatorsPatternsAndCounts) {
  ASSERT_EQ(meter_.Set("terminator", "crlf"), "");
  ASSERT_EQ(meter_.Set("answer", "DATA? -> 12.5;7.25"), "");
  port_.SetEndOfString(false);  // only the terminators given end a read
  ASSERT_EQ(port_.Open(), 0u);
  std::string answer;
  ASSERT_EQ(port_.Write("DATA?\r\n"), 0u);
  EXPECT_EQ(port_.OptimizedRead(&answer, 100, 2000, "\r\n"), 0u);
  EXPECT_EQ(answer, "12.5;7.25\r\n");
  ASSERT_EQ(port_.Write("DATA?\r\n"), 0u);
  EXPECT_EQ(port_.OptimizedRead(&answer, 4, 2000), 0u) << "the count ends it";
  EXPECT_EQ(answer, "12.5");
  EXPECT_EQ(port_.OptimizedRead(&answer, 100, 2000, {}, ";[0-9.]+\r\n$"), 0u);
  EXPECT_EQ(answer, ";7.25\r\n") << "the pattern matched only once the whole rest had come";
}

TEST_F(RS232Test, ATimeOutGivesAShortRead) {
  ASSERT_EQ(port_.Open(), 0u);
  ASSERT_EQ(port_.SetTimeout(150), 0u);
  meter_.SetFault(sim::FaultKind::kNoAnswer);
  std::string answer;
  ASSERT_EQ(port_.Write("*IDN?\n"), 0u);
  EXPECT_EQ(port_.Read(&answer, 10), 0x3000012Eu);
  EXPECT_TRUE(answer.empty());
  EXPECT_EQ(port_.OptimizedRead(&answer, 10, 150), 0x3000012Eu);
  EXPECT_NE(ErrorText(port_, 0x3000012E).find("time-out"), std::string::npos);
  meter_.ClearFaults();
  ASSERT_EQ(port_.Write("*OPC?\n"), 0u);
  EXPECT_EQ(port_.Read(&answer, 5), 0x3000012Eu) << "fewer bytes than requested";
  EXPECT_EQ(answer, "1\n");
}

TEST_F(RS232Test, SlowAndGarbledAnswers) {
  ASSERT_EQ(port_.Open(), 0u);
  std::string answer;
  meter_.SetFault(sim::FaultKind::kLate, 120);
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(port_.Write("*OPC?\n"), 0u);
  EXPECT_EQ(port_.OptimizedRead(&answer, 100, 3000), 0u);
  EXPECT_EQ(answer, "1\n");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(120));
  meter_.ClearFaults();

  meter_.SetFault(sim::FaultKind::kGarbage);
  ASSERT_EQ(port_.Write("*IDN?\n"), 0u);
  EXPECT_EQ(port_.OptimizedRead(&answer, 100, 2000), 0u);
  ASSERT_EQ(answer.size(), 19u) << "same length, terminator kept";
  EXPECT_EQ(answer.find_first_of("\r\n"), 18u) << "garbage holds no line end before the terminator";
  EXPECT_NE(answer, "ACME,METER9,77,3.2\n");
}

TEST_F(RS232Test, ADroppedLineAndARemovedPort) {
  ASSERT_EQ(port_.Open(), 0u);
  meter_.SetFault(sim::FaultKind::kDrop, 3);
  std::string answer;
  ASSERT_EQ(port_.Write("*IDN?\n"), 0u);
  EXPECT_EQ(port_.OptimizedRead(&answer, 100, 200), 0x3000012Eu);
  EXPECT_EQ(answer, "ACM");
  ASSERT_EQ(port_.Write("*OPC?\n"), 0u);
  EXPECT_EQ(port_.OptimizedRead(&answer, 100, 150), 0x3000012Eu) << "the line is dead";
  EXPECT_EQ(answer, "");
  meter_.ClearFaults();
  ASSERT_EQ(port_.Close(), 0u);

  meter_.SetFault(sim::FaultKind::kRefuse);
  const Status status = port_.Open();
  EXPECT_EQ(status, systemerror::ToStatus(ENOENT)) << "the COM41 link is gone";
  EXPECT_NE(ErrorText(port_, status).find("No such file or directory"), std::string::npos);
  meter_.ClearFaults();
  EXPECT_EQ(port_.Open(), 0u);
}

TEST_F(RS232Test, APortThatCannotBeOpenedIsNamedWithItsDeviceInEnglish) {
  // Without a link COMn is /dev/ttyS(n-1); a link that leads nowhere is named with its target.
  const std::string ports = std::getenv("SWMATRIX_PORTS");
  std::filesystem::create_symlink("/nonexistent/ttyUSB9", ports + "/COM" + std::to_string(kPort + 101));
  struct Case {
    int comPort;
    std::vector<std::string> named;
  } cases[] = {
      {kPort + 100, {"COM141 is /dev/ttyS140", "no link COM141 in " + ports, "$SWMATRIX_PORTS"}},
      {kPort + 101, {"COM142 is the link " + ports + "/COM142 to /nonexistent/ttyUSB9"}},
  };
  for (const Case& c : cases) {
    LogCollector log;
    RS232DeviceDriver port(c.comPort);
    const Status status = port.Open();
    EXPECT_EQ(status, systemerror::ToStatus(ENOENT));
    EXPECT_FALSE(port.IsOpen());
    const std::string text = ErrorText(port, status);
    EXPECT_TRUE(text.starts_with("The serial port cannot be opened: COM")) << text;
    EXPECT_TRUE(text.ends_with("System error 2: No such file or directory")) << text;
    for (const std::string& part : c.named) EXPECT_NE(text.find(part), std::string::npos) << text;
    EXPECT_EQ(LogCollector::Containing(log.UntilMarker(), {"The serial port cannot be opened: ", c.named[0]}).size(), 1u);
    EXPECT_EQ(port.Write("X"), RS232DeviceDriver::kNotOpen);
    EXPECT_NE(ErrorText(port, RS232DeviceDriver::kNotOpen).find(c.named[0]), std::string::npos)
        << "a write after the failed opening names the port too";
  }
}

TEST_F(RS232Test, TimeOutsHaveAFloorOf100Milliseconds) {
  ASSERT_EQ(port_.Open(), 0u);
  const auto* termios = dynamic_cast<const RS232RunTimeDataTermios*>(port_.RunTimeData());
  ASSERT_NE(termios, nullptr);
  EXPECT_EQ(termios->Timeout(), 3000u) << "the time-out set when opening";
  EXPECT_EQ(port_.SetTimeout(20), 0u);
  EXPECT_EQ(termios->Timeout(), 100u);
  EXPECT_EQ(port_.SetTimeout(1500), 0u);
  EXPECT_EQ(termios->Timeout(), 1500u);
  EXPECT_EQ(port_.SetMinimumTimeout(500), 0u);
  EXPECT_EQ(termios->Timeout(), 1500u) << "a minimum below the time-out changes nothing";
  EXPECT_EQ(port_.SetMinimumTimeout(2500), 0u);
  EXPECT_EQ(termios->Timeout(), 2500u);
}

TEST_F(RS232Test, ThePortLockIsSharedByItsUsers) {
  RS232DeviceDriver first(kPort), second(kPort), other(kPort + 1), byNode(kPort + 2);
  // The adapter's own node (a link, as /dev/ttyUSB0 is) to the device that COMn links to.
  const std::string node = bench_.Path("ttyUSB0");
  std::filesystem::create_symlink(meter_.Endpoint().device, node);
  byNode.SetDevicePath(node);
  ASSERT_EQ(first.Lock(1000), 0u);
  // Another thread (as another driver would) does not get it, by the COM port or by the node.
  for (RS232DeviceDriver* contender : {&second, &byNode}) {
    std::future<Status> attempt = std::async(std::launch::async, [&] { return contender->Lock(50); });
    EXPECT_EQ(attempt.get(), 0x300001A1u) << contender->GetDevicePath();
  }
  std::future<Status> elsewhere = std::async(std::launch::async, [&] {
    const Status status = other.Lock(50);
    other.Unlock();
    return status;
  });
  EXPECT_EQ(elsewhere.get(), 0u) << "another port has a lock of its own";
  EXPECT_EQ(first.Unlock(), 0u);
  std::future<Status> after = std::async(std::launch::async, [&] {
    const Status status = second.Lock(1000);
    second.Unlock();
    return status;
  });
  EXPECT_EQ(after.get(), 0u);
  for (int port : {kPort, kPort + 1}) {
    const std::wstring name = RS232DeviceDriver::PortLockName(port);
    NamedSharedMutex::Remove(std::string(name.begin(), name.end()));
  }
}

TEST_F(RS232Test, WithoutVisaTheNativeFunctionsOpenThePort) {
  setenv("SWMATRIX_VISA_LIBRARY", bench_.Path("libnovisa.so").c_str(), 1);
  RS232DeviceDriver port(kPort, Br9600, None, Data8, Stop1, 0);
  ASSERT_EQ(port.Open(), 0u);
  EXPECT_EQ(port.ImplementationName(), "termios");
  ASSERT_EQ(port.Write("*OPC?\n"), 0u);
  std::string answer;
  EXPECT_EQ(port.OptimizedRead(&answer, 10, 2000), 0u);
  EXPECT_EQ(answer, "1\n");
}

TEST_F(RS232Test, TheVisaImplementationFallsBackFromTheAliasToASRL) {
  LogCollector log;
  RS232DeviceDriver port(kPort, Br38400, None, Data8, Stop2, 0);
  ASSERT_EQ(port.Open(), 0u);
  EXPECT_EQ(port.ImplementationName(), "VISA");
  const std::vector<std::string> records = log.UntilMarker();
  EXPECT_EQ(LogCollector::Containing(records, {"No VISA alias COM41: opening ASRL41::INSTR"}).size(), 1u);
  EXPECT_EQ(meter_.State()["transport_state"]["line"]["baud"], 38400);
  EXPECT_EQ(meter_.State()["transport_state"]["line"]["stop_bits"], 2);
  ASSERT_EQ(port.Write("*IDN?\n"), 0u);
  std::string answer;
  EXPECT_EQ(port.OptimizedRead(&answer, 100, 2000), 0u);
  EXPECT_EQ(answer, "ACME,METER9,77,3.2\n");
  ASSERT_EQ(port.Write("*OPC?\n"), 0u);
  EXPECT_EQ(port.Read(&answer, 10), 0x3000012Eu) << "the termination character ends the read early";
  EXPECT_EQ(answer, "1\n");
  meter_.SetFault(sim::FaultKind::kNoAnswer);
  ASSERT_EQ(port.SetTimeout(100), 0u);
  ASSERT_EQ(port.Write("*IDN?\n"), 0u);
  EXPECT_EQ(port.Read(&answer, 10), 0x3000012Eu);
  EXPECT_EQ(answer, "");
  EXPECT_EQ(port.ClearInputBuffer(), 0u);
  EXPECT_EQ(port.ClearOutputBuffer(), 0u);
}

TEST_F(RS232Test, ASharedPortIsOpenForTheLifetimeOfItsObject) {
  {
    RS232SharedDeviceDriver shared(kPort, Br57600);
    EXPECT_EQ(shared.ConstructionStatus(), 0u);
    EXPECT_TRUE(shared.IsOpen());
    EXPECT_EQ(meter_.State()["transport_state"]["line"]["baud"], 57600);
    ASSERT_EQ(shared.Write("*OPC?\n"), 0u);
    std::string answer;
    EXPECT_EQ(shared.OptimizedRead(&answer, 10, 2000), 0u);
    EXPECT_EQ(answer, "1\n");
  }
  RS232SharedDeviceDriver missing(kPort + 100);
  EXPECT_EQ(missing.ConstructionStatus(), systemerror::ToStatus(ENOENT));
  EXPECT_FALSE(missing.IsOpen());
}

TEST_F(RS232Test, ALineThatWentAwayIsReportedAndThePortOpensAgain) {
  ASSERT_EQ(port_.Open(), 0u);
  meter_.Hangup();  // as if the adapter had been pulled and plugged in again
  std::string answer;
  EXPECT_EQ(port_.Write("*IDN?\n"), systemerror::ToStatus(EIO));
  EXPECT_EQ(port_.OptimizedRead(&answer, 100, 200), systemerror::ToStatus(EIO)) << "no waiting on a dead line";
  ASSERT_EQ(port_.Open(), 0u);
  ASSERT_EQ(port_.Write("*OPC?\n"), 0u);
  EXPECT_EQ(port_.OptimizedRead(&answer, 10, 2000), 0u);
  EXPECT_EQ(answer, "1\n");
}

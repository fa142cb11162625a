// The RSIB and FTDI D2XX transports against instruments of the simulator
// behind the simulated librsib.so and libftd2xx.so: the operation-complete
// wait on the event status register, time-outs, the chip's MPSSE opening
// sequence and its failures, and missing libraries.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <future>
#include <nlohmann/json.hpp>

#include "legacy/LogCollector.h"
#include "streams/LibraryStreamBench.h"
#include "streams/ftdi/FTD2xxLibrary.h"
#include "streams/ftdi/FTD2xxStatus.h"
#include "streams/ftdi/FTDID2xxDeviceStreamConfiguration.h"
#include "streams/rsib/RSIBDeviceStream.h"
#include "streams/rsib/RSIBDeviceStreamConfig.h"
#include "streams/rsib/RSIBDllWrapper.h"
#include "streams/rsib/RSIBStatus.h"

namespace {
using namespace std::chrono_literals;

// Each test its own address (and so its own stream lock), as tests run side by side.
struct RsibBench : LibraryStreamBench {
  explicit RsibBench(const std::string& address, sim::Simulator::Keys keys = {})
      : LibraryStreamBench("rsib", "RSIB", "RSIB:" + address),
        meter(bench.Simulator().Add("meter", With(address, std::move(keys)))) {
    Configuration<RSIBDeviceStreamConfig>()->SetAddress(address);
  }
  static sim::Simulator::Keys With(const std::string& address, sim::Simulator::Keys keys) {
    keys.emplace_back("transport", "visa");
    keys.emplace_back("resource", "TCPIP0::" + address + "::INSTR");
    return keys;
  }
  sim::Instrument& meter;
};

TEST(RsibStream, AWriteWithOperationCompleteReturnsOnlyAfterTheInstrumentSetsBitZero) {
  RsibBench rsib("127.0.0.1", {{"hold-operation-complete", "yes"}, {"accept", "INIT"}});
  ASSERT_EQ(rsib.client.ConnectStream(0, true), 0u);
  rsib.client.SetTimeout(0, 20.0);  // the wait ends by the instrument, never by the time-out
  EXPECT_EQ(rsib.meter.ReceivedCommands(), (std::vector<std::string>{"*SRE 48", "*ESE 1"}));

  std::atomic<bool> released{false};
  auto write = std::async(std::launch::async, [&] {
    const Status status = rsib.client.Write(0, "INIT", true);
    return std::make_pair(status, released.load());
  });
  ASSERT_TRUE(rsib.meter.WaitForCommands(4, 10s));  // "INIT" and "*OPC" have arrived
  EXPECT_NE(write.wait_for(0s), std::future_status::ready);
  EXPECT_EQ(rsib.meter.State()["instrument"]["esr"], 0);
  released = true;
  ASSERT_EQ(rsib.meter.Set("hold-operation-complete", "no"), "");
  const auto [status, afterRelease] = write.get();
  EXPECT_EQ(status, 0u);
  EXPECT_TRUE(afterRelease);
  EXPECT_EQ(rsib.meter.ReceivedCommands(),
            (std::vector<std::string>{"*SRE 48", "*ESE 1", "INIT", "*OPC", "*ESR?"}));

  // Without the hold the bit is set at once; the exchange reads the answer through RSDLLilrd.
  std::string answer;
  ASSERT_EQ(rsib.client.Write(0, "*RST", true), 0u);
  ASSERT_EQ(rsib.client.WriteRead(0, "*IDN?", answer, 100, 1), 0u);
  EXPECT_EQ(answer, "SWMSIM,SCPI-INSTRUMENT,0,1.0\n");
  auto transport = std::dynamic_pointer_cast<RSIBDeviceStream>(rsib.client.TransportStream());
  ASSERT_TRUE(transport);
  EXPECT_EQ(transport->GetLockName(), L"Global\\VANTORIX:DS:RSIB:127.0.0.1");

  rsib.client.DisconnectStream(0);
  const auto commands = rsib.meter.ReceivedCommands();
  ASSERT_GE(commands.size(), 2u);
  EXPECT_EQ(std::vector<std::string>(commands.end() - 2, commands.end()),
            (std::vector<std::string>{"*SRE 0", "*ESE 0"}));
  EXPECT_EQ(transport->Write(0, "*RST", false), streamstatus::kNotConnected);
}

// The library counts its time-out in whole seconds, as a short.
TEST(RsibStream, TheTimeoutReachesTheLibraryInWholeSecondsAndEndsReadsAndWaitsAndNoInstrumentMeansNoConnection) {
  RsibBench rsib("127.0.0.2", {{"hold-operation-complete", "yes"}});
  ASSERT_EQ(rsib.client.ConnectStream(0, true), 0u);
  // In milliseconds these would not fit a short.
  for (double seconds : {40.0, 1e9}) ASSERT_EQ(rsib.client.SetTimeout(0, seconds), 0u) << seconds;

  rsib.meter.SetFault(sim::FaultKind::kNoAnswer);
  ASSERT_EQ(rsib.client.SetTimeout(0, 0.3), 0u);  // rounded up to one second
  std::string answer;
  ASSERT_EQ(rsib.client.Write(0, "*IDN?", false), 0u);
  Status status = 0;
  double seconds = SecondsOf([&] { status = rsib.client.Read(0, answer, 100); });
  EXPECT_EQ(status, streamstatus::kReadTimedOut);
  EXPECT_EQ(answer, "");
  EXPECT_GE(seconds, 1.0);
  EXPECT_LE(seconds, 1.1);
  EXPECT_EQ(rsib.ErrorText(status), "RSIB: the instrument did not answer within the time-out.");
  EXPECT_EQ(rsib.client.TransportStream()->GetLastSystemError(), 5u) << "the library's time-out error";

  seconds = SecondsOf([&] { status = rsib.client.Write(0, "INIT", true); });
  EXPECT_EQ(status, streamstatus::kOperationCompleteTimedOut);
  EXPECT_GE(seconds, 1.0);
  EXPECT_LE(seconds, 1.1);
  EXPECT_EQ(rsib.ErrorText(status), "RSIB: the instrument did not report operation complete within the time-out.");

  // No instrument at the address.
  rsib.client.DisconnectStream(0);
  rsib.Configuration<RSIBDeviceStreamConfig>()->SetAddress("127.0.0.4");
  StreamLockCleanup other("RSIB:127.0.0.4");
  status = rsib.client.ConnectStream(0, true);
  EXPECT_EQ(status, rsibstatus::kOpenFailed);
  EXPECT_EQ(rsib.ErrorText(status), "RSIB: no instrument answers at the configured address.");
  EXPECT_FALSE(rsib.client.IsConnected());
}

// The library's RSDLLibrd would write all of a long answer into a buffer of
// the count's size: reads take at most the count, the rest stays for the next.
TEST(RsibStream, AReadTakesAtMostTheCountAndLeavesTheRestOfALongAnswer) {
  const std::string data(5000, '7');
  RsibBench rsib("127.0.0.5", {{"answer", "DATA? -> " + data}});
  ASSERT_EQ(rsib.client.ConnectStream(0, true), 0u);
  ASSERT_EQ(rsib.client.Write(0, "DATA?", false), 0u);
  std::string first, rest;
  ASSERT_EQ(rsib.client.Read(0, first, 10), 0u);
  EXPECT_EQ(first, data.substr(0, 10));
  ASSERT_EQ(rsib.client.Read(0, rest, 10000), 0u);
  EXPECT_EQ(first + rest, data + "\n");
  // Texts go out with their length: an embedded NUL does not cut them.
  const std::string text("DISP:TEXT \"A\0B\"", 15);
  const size_t before = rsib.meter.CommandCount();
  ASSERT_EQ(rsib.client.Write(0, text, false), 0u);
  ASSERT_TRUE(rsib.meter.WaitForCommands(before + 1, std::chrono::seconds(5)));
  EXPECT_EQ(rsib.meter.ReceivedCommands().back(), text);
}

struct ChipBench : LibraryStreamBench {
  ChipBench(const std::string& serial, sim::Simulator::Keys keys)
      : LibraryStreamBench("d2xx", "USB_D2xx", "USB_D2xx:" + serial),
        chip(bench.Simulator().Add("chip", With(serial, std::move(keys)))) {
    Configuration<FTDID2xxDeviceStreamConfiguration>()->SetSerialNumber(serial);
  }
  static sim::Simulator::Keys With(const std::string& serial, sim::Simulator::Keys keys) {
    keys.emplace_back("family", "ftdi");
    keys.emplace_back("transport", "visa");
    keys.emplace_back("resource", "FTDI::" + serial);
    return keys;
  }
  nlohmann::json State() const { return chip.State()["instrument"]; }
  sim::Instrument& chip;
};

TEST(D2xxStream, OpeningRunsTheMpsseSequenceAndBytesPassThrough) {
  ChipBench d2xx("FT12AB34", {});
  ASSERT_EQ(d2xx.client.ConnectStream(0, true), 0u);
  EXPECT_TRUE(d2xx.client.IsConnected());
  // Divide-by-5 off, divisor 0, the two bad commands of the synchronisation,
  // loopback off, and the low and high bytes' values and directions.
  EXPECT_EQ(d2xx.chip.ReceivedBytes(),
            std::string("\x8A\x86\x00\x00\xAA\xAB\x85\x80\x00\xF3\x82\xFF\x7E", 13));
  const nlohmann::json chip = d2xx.State();
  EXPECT_EQ(chip["opened"], true);
  EXPECT_EQ(chip["bit_mask"], 0xF3);
  EXPECT_EQ(chip["bit_mode"], 2);
  EXPECT_EQ(chip["latency_ms"], 2);
  EXPECT_EQ(chip["read_timeout_ms"], 0);
  EXPECT_EQ(chip["write_timeout_ms"], 0);

  // Engine commands out, the engine's answer back (no terminator added).
  auto transport = d2xx.client.TransportStream();
  ASSERT_TRUE(transport);
  LogCollector log;
  std::string answer;
  ASSERT_EQ(transport->Write(0, "\x83", false), 0u);
  ASSERT_EQ(transport->Read(0, answer, 10), 0u);
  EXPECT_EQ(answer, "\xFF");
  d2xx.client.DisconnectStream(0);
  EXPECT_EQ(d2xx.State()["opened"], false);
  EXPECT_EQ(transport->Write(0, "\x83", false), streamstatus::kNotConnected);
  std::vector<std::string> texts;
  for (const std::string& record : LogCollector::Containing(log.UntilMarker(), {";FTDID2xxDeviceStream;"}))
    texts.push_back(LogCollector::Description(record));
  // (The log carries the bytes as Latin-1 characters in UTF-8.)
  EXPECT_EQ(texts, (std::vector<std::string>{"Write(\"\xC2\x83\")", "Read(10, 1, \"\xC3\xBF\")",
                                              "Disconnected from device", "Trying to write to closed port"}));
  ASSERT_EQ(d2xx.client.ConnectStream(0, true), 0u);
  ASSERT_EQ(d2xx.client.WriteRead(0, std::string("\x80\x05\xF3\x81\x83", 5), answer, 10, 1), 0u);
  EXPECT_EQ(answer, std::string("\x05\xFF", 2));
}

TEST(D2xxStream, AFailedSynchronisationOrCallLeavesTheChipAndTheStreamClosed) {
  struct Case {
    sim::Simulator::Keys keys;
    const char* serial;
    Status status;
    const char* text;
  };
  const Case cases[] = {
      {{{"sync", "wrong"}}, "FT56CD78", ftd2xxstatus::kSynchronisationFailed,
       "FTDI D2xx: The MPSSE engine did not answer the synchronisation (0xFA 0xAA, 0xFA 0xAB)."},
      {{{"fail", "FT_OpenEx 2"}}, "FT56CD78", 0x30005B06, "FTDI D2xx: Device is not found"},
      {{}, "FT99", 0x30005B06, "FTDI D2xx: Device is not found"},
      {{{"fail", "FT_SetBitMode 4"}}, "FT56CD78", 0x30005B08, "FTDI D2xx: IO Error"},
      {{{"fail", "FT_CreateDeviceInfoList 19"}}, "FT56CD78", 0x30005B17, "FTDI D2xx: Device list is not ready"},
      {{{"fail", "FT_Write 18"}}, "FT56CD78", 0x30005B16, "FTDI D2xx: Another or unknown error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    ChipBench d2xx("FT56CD78", c.keys);
    d2xx.Configuration<FTDID2xxDeviceStreamConfiguration>()->SetSerialNumber(c.serial);
    StreamLockCleanup other(std::string("USB_D2xx:") + c.serial);
    const Status status = d2xx.client.ConnectStream(0, true);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(d2xx.ErrorText(status), c.text);
    EXPECT_FALSE(d2xx.client.IsConnected());
    EXPECT_EQ(d2xx.State()["opened"], false);
    EXPECT_EQ(d2xx.client.Write(0, "\x81", false), streamstatus::kNotConnected);
  }
}

// Each loader logs under its own call and module: a file that cannot be
// loaded, the first call a library of another kind lacks, and a load, which
// is not repeated while the name stays the same. A stream whose library
// failed to load does not connect, with the library's status and text.
TEST(VendorLibraries, EachLoaderLogsUnderItsOwnCallAndModuleAndAFailureStopsItsStream) {
  const std::string nowhere = ::testing::TempDir() + "no-such-library.so";
  RSIBDllWrapper rsib;
  FTD2xxLibrary d2xx;
  struct Case {
    const char* type;
    const char* variable;
    std::string library;
    std::function<Status()> load;
    Status status;
    std::string header;
    std::string logged;
    std::string text;  // the stream's text of a failed load
  };
  const std::function<Status()> loadRsib = [&] { return rsib.Load(); };
  const std::function<Status()> loadD2xx = [&] { return d2xx.Load(); };
  const std::string rsibError = ";LoadRSIBDLL;RSIBDllWrapper;Error;";
  const std::string d2xxError = ";LoadFTD2xxDLL;FTDI;Error;";
  const std::string rsibText = " could not be loaded or lacks an RSIB function. Is the RSIB library installed?";
  const std::string d2xxText =
      "FTDI D2xx: FTD2xx.dll could not be loaded or found. Are the FTDI D2XX drivers installed?";
  const std::string visa = SimulatedLibrary("libvisa.so");
  // Each text ends with why the library failed: the loader's reason, or the calls it lacks.
  const std::string notFound = "cannot open shared object file: No such file or directory";
  const std::string rsibMissing =
      "RSDLLibfind, RSDLLilwrt, RSDLLilrd, RSDLLTestSrq, RSDLLWaitSrq, RSDLLibtmo, RSDLLibsre, RSDLLibloc, "
      "RSDLLibeot, RSDLLibonl, RSDLLibclr, RSDLLibrsp are missing";
  const std::string d2xxMissing =
      "FT_Open, FT_Close, FT_ResetDevice, FT_SetBitMode, FT_SetLatencyTimer, FT_SetTimeouts, FT_Write, "
      "FT_GetQueueStatus, FT_Read, FT_OpenEx, FT_CreateDeviceInfoList, FT_GetDeviceInfoList, FT_Purge are missing";
  const Case cases[] = {
      {"RSIB", "SWMATRIX_RSIB_LIBRARY", nowhere, loadRsib, rsibstatus::kLibraryNotLoaded, rsibError,
       "The RSIB library could not be loaded", "RSIB: " + nowhere + rsibText + " (" + notFound + ")"},
      {"RSIB", "SWMATRIX_RSIB_LIBRARY", visa, loadRsib, rsibstatus::kLibraryNotLoaded, rsibError,
       "RSDLLibfind could not be found in the RSIB library", "RSIB: " + visa + rsibText + " (" + rsibMissing + ")"},
      {"RSIB", "SWMATRIX_RSIB_LIBRARY", SimulatedLibrary("librsib.so"), loadRsib, 0,
       ";LoadRSIBDLL;RSIBDllWrapper;Note;", "LoadRSIBDLL(\"Loaded\")", ""},
      {"USB_D2xx", "SWMATRIX_FTD2XX_LIBRARY", nowhere, loadD2xx, ftd2xxstatus::kLibraryNotLoaded, d2xxError,
       "The D2XX library could not be loaded", d2xxText + " (" + nowhere + ": " + notFound + ")"},
      {"USB_D2xx", "SWMATRIX_FTD2XX_LIBRARY", visa, loadD2xx, ftd2xxstatus::kLibraryNotLoaded, d2xxError,
       "FT_Open could not be found in the D2XX library", d2xxText + " (" + visa + ": " + d2xxMissing + ")"},
      {"USB_D2xx", "SWMATRIX_FTD2XX_LIBRARY", SimulatedLibrary("libftd2xx.so"), loadD2xx, 0,
       ";LoadFTD2xxDLL;FTDI;Note;", "LoadFTD2xxDLL(\"Loaded\")", ""},
  };
  LogCollector log;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.library);
    const std::string id = std::string(c.type) == "RSIB" ? "RSIB:192.168.0.10" : "USB_D2xx:";
    LibraryStreamBench bench("libraries", c.type, id);
    ScopedVariable library(c.variable, c.library);
    log.Drain();
    EXPECT_EQ(c.load(), c.status);
    const std::vector<std::string> first = log.First(1);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(LogCollector::Containing(first, {c.header}).size(), 1u) << first[0];
    EXPECT_EQ(LogCollector::Description(first[0]), c.logged);
    log.Drain();
    if (c.status == 0) {
      EXPECT_EQ(c.load(), 0u);
      EXPECT_TRUE(log.UntilMarker().empty()) << "loaded once while the name stays the same";
      continue;
    }
    const Status status = bench.client.ConnectStream(0, true);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(bench.ErrorText(status), c.text);
    EXPECT_FALSE(bench.client.IsConnected());
  }
  EXPECT_TRUE(rsib.IsLoaded());
}
}  // namespace

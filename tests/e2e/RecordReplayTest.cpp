// A bench recorded and replayed: swmlog captures what a host script exchanges
// with three instruments (a Hubline unit on TCP, a relay controller on the
// simulated GPIB bus, a relay unit on a serial port); the same script then
// runs against replay instruments alone, with the same statuses and the same
// commands; a changed relay setting shows up as an unmatched command, which a
// unit that answers on the bench answers with its error at once. The
// capture made from the JSON-lines log is the same file.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <thread>

#include "sim/core/Simulator.h"
#include "support/SpawnedProgram.h"
#include "support/TestFiles.h"

namespace {
std::string Bin(const std::string& name) { return std::string(SWM_BUILD_DIR) + "/bin/" + name; }

std::string Lines(SpawnedProgram& program) {
  std::string text;
  while (auto line = program.OutputLine()) text += *line + "\n";
  return text;
}

const char* kScript =
    "create hub HUBLINE4PORT\nload hub HUB\ncreate relays HP11713A\nload relays RELAYS\n"
    "create toyo TOYONS4903\nload toyo TOYO\n"
    "check hub\ninit hub\nevent hub InitialisationStarted\nrequest hub InterlockClosed\nevent hub TestStopped\n"
    "deinit hub\n"
    "check relays\ninit relays\nevent relays 3\nevent relays 2\ndeinit relays\n"
    "check toyo\ninit toyo\nevent toyo 3\nevent toyo 2\ndeinit toyo\n"
    "remove hub\nremove relays\nremove toyo\n";

class Bench {
public:
  Bench() {
    std::filesystem::create_directories(dir_.File("ports"));
    WriteFile(dir_.File("registry.ini"), "");
  }
  std::string File(const std::string& name) const { return dir_.File(name); }

  // The recorded bench, or its replay from `capture`; port is the hub's.
  void Start(sim::Simulator& simulator, const std::string& capture = "", uint16_t port = 0) {
    simulator.SetPortsDirectory(File("ports"));
    simulator.SetBoardAddress(0);
    ASSERT_EQ(simulator.ListenBus(File("bus")), "");
    ASSERT_EQ(simulator.ListenControl(File("ctl")), "");
    auto replay = [&](sim::Simulator::Keys keys, const std::string& source) {
      if (capture.empty()) return keys;
      std::erase_if(keys, [](const auto& key) { return key.first != "transport" && key.first != "port" && key.first != "address" &&
                                                       key.first != "com" && key.first != "read-terminator"; });
      keys.insert(keys.end(), {{"family", "replay"}, {"capture", capture}, {"source", source}});
      return keys;
    };
    // The replayed unit takes the port the recorded one had, so that the settings stay as they were.
    hub_ = &simulator.Add("hub", replay({{"family", "hubline"}, {"transport", "tcp"}, {"port", std::to_string(port)},
                                         {"firmware", "4.1.0"}, {"slot3", "relay4"}},
                                        "127.0.0.1:" + std::to_string(port)));
    relays_ = &simulator.Add("relays", replay({{"family", "relaycontroller"}, {"model", "hp11713a"}, {"transport", "gpib"},
                                               {"address", "7"}, {"read-terminator", "none"}},
                                              "GPIB0::7::INSTR"));
    toyo_ = &simulator.Add("toyo", replay({{"family", "toyo"}, {"transport", "pty"}, {"com", "5"}}, "COM5"));
  }
  sim::Instrument* hub_ = nullptr;
  sim::Instrument* relays_ = nullptr;
  sim::Instrument* toyo_ = nullptr;

  void WriteSettings(uint16_t port, const std::string& gpibRelays, const std::string& hubOutput = "Relais5Start=1") {
    WriteFile(File("hub.ini"), "[Common]\nDeviceID=3\n[Stream Config]\nSelected=TCPIP\n[Stream Config.Ethernet]\n"
                               "Address=127.0.0.1:" + std::to_string(port) + "\n[HublineSwitch]\nRelais1Start=2\nRelais2Start=1\n" +
                               hubOutput + "\nRelais2Stop=2\nRelais5Stop=2\n");
    WriteFile(File("relays.ini"), "[GPIB]\nBoard=0\nPriAdr=7\nSecAdr=0\n[HP11713A]\n" + gpibRelays);
    WriteFile(File("toyo.ini"), "[Stream Config]\nSelected=RS-232\n[Stream Config.RS232]\nCOMPort=5\n"
                                "[Relais1]\nRelaisDuring=1\nRelaisAfter=2\n[Relais3]\nRelaisDuring=2\nRelaisAfter=1\n");
    std::string script = kScript;
    for (const auto& [name, file] : {std::pair<std::string, std::string>{"load hub HUB", "hub.ini"},
                                     {"load relays RELAYS", "relays.ini"}, {"load toyo TOYO", "toyo.ini"}})
      script.replace(script.find(name), name.size(), name.substr(0, name.rfind(' ') + 1) + File(file));
    WriteFile(File("script.txt"), script);
  }

  // Runs the host script (logging to `logSocket` when given); its output.
  std::string RunHost(const std::string& logSocket = "", int exitCode = 0) {
    SpawnedProgram host({Bin("swmhost"), "run", File("script.txt")},
                        {{"SWMATRIX_LOG_SOCKET", logSocket.empty() ? File("nobody") : logSocket},
                         {"SWMATRIX_PORTS", File("ports")},
                         {"SWMATRIX_SIM_BUS", File("bus")},
                         {"SWMATRIX_GPIB_LIBRARY", SimulatedLibrary("libgpib.so.0")},
                         {"SWMATRIX_REGISTRY", File("registry.ini")},
                         {"SWMATRIX_MESSAGEBOX", "ok"},
                         {"DISPLAY", ""},
                         {"WAYLAND_DISPLAY", ""}});
    host.CloseInput();
    std::string output = Lines(host);
    EXPECT_EQ(host.Wait(), exitCode) << output;
    return output;
  }

private:
  TestDirectory dir_;
};

std::vector<std::string> Commands(sim::Instrument* instrument) {
  std::vector<std::string> commands = instrument->ReceivedCommands();
  instrument->ResetLog();
  return commands;
}
}  // namespace

TEST(RecordReplay, AReplayedBenchAnswersTheSameScriptAndReportsAChangedRelay) {
  Bench bench;
  const std::string gpibRelays = "Relais1Start=1\nRelais2Start=2\nRelais1Stop=2\nRelais2Stop=1\n";
  std::string recorded, log;
  std::vector<std::string> hubCommands, relayCommands, toyoCommands;
  uint16_t port = 0;
  {
    sim::Simulator live;
    bench.Start(live);
    port = bench.hub_->Endpoint().port;
    bench.WriteSettings(port, gpibRelays);

    const std::string socket = bench.File("log.socket");
    SpawnedProgram viewer({Bin("swmlog"), "--socket", socket, "--json", "--capture", bench.File("live.capture")}, {});
    const auto ready = viewer.ErrorLine();
    ASSERT_TRUE(ready && ready->find("listening on") != std::string::npos) << ready.value_or("nothing");
    std::thread reader([&] { log = Lines(viewer); });  // the viewer never waits for the test
    recorded = bench.RunHost(socket);
    viewer.Signal(SIGTERM);  // the host has exited: its records wait in the socket, and the viewer takes them first
    reader.join();
    EXPECT_EQ(viewer.Wait(), 0);
    hubCommands = Commands(bench.hub_);
    relayCommands = Commands(bench.relays_);
    toyoCommands = Commands(bench.toyo_);
  }
  ASSERT_FALSE(hubCommands.empty());
  ASSERT_FALSE(relayCommands.empty());
  ASSERT_FALSE(toyoCommands.empty());
  const std::string capture = ReadFile(bench.File("live.capture"));
  EXPECT_EQ(capture.substr(0, capture.find('\n')), "{\"format\":\"swmsim-capture\",\"version\":1}");
  for (const std::string& name : {"\"127.0.0.1:" + std::to_string(port) + "\"", std::string("\"GPIB0::7::INSTR\""),
                                 std::string("\"COM5\"")})
    EXPECT_NE(capture.find("\"instrument\":" + name), std::string::npos) << name << "\n" << capture;
  EXPECT_EQ(capture.find(bench.File("")), std::string::npos) << "no paths of the bench in a capture";

  // The same file from the JSON-lines log.
  WriteFile(bench.File("log.jsonl"), log);
  SpawnedProgram fromLog({Bin("swmlog"), "--capture", bench.File("log.capture"), "--from", bench.File("log.jsonl")}, {});
  EXPECT_EQ(fromLog.Wait(), 0);
  EXPECT_EQ(ReadFile(bench.File("log.capture")), capture);

  // Every original instrument is gone; the replay answers alone.
  sim::Simulator replay;
  bench.Start(replay, bench.File("live.capture"), port);
  EXPECT_EQ(bench.RunHost(), recorded);
  EXPECT_EQ(Commands(bench.hub_), hubCommands);
  EXPECT_EQ(Commands(bench.relays_), relayCommands);
  EXPECT_EQ(Commands(bench.toyo_), toyoCommands);
  for (sim::Instrument* instrument : {bench.hub_, bench.relays_, bench.toyo_}) {
    const auto state = instrument->State()["instrument"];
    EXPECT_EQ(state["unmatched"], 0) << state.dump();
    EXPECT_EQ(state["position"], state["steps"]) << state.dump();
    instrument->Reset();  // back to the first step for the next run
  }

  // Relay 2 of the controller is set during the test instead of reset: the
  // one command that differs is reported, and the rest goes on in step.
  bench.WriteSettings(port, "Relais1Start=1\nRelais2Start=1\nRelais1Stop=2\nRelais2Stop=1\n");
  bench.RunHost();
  std::vector<std::string> changed = Commands(bench.relays_);
  std::erase_if(changed, [&](const std::string& command) {
    return std::find(relayCommands.begin(), relayCommands.end(), command) != relayCommands.end();
  });
  ASSERT_EQ(changed.size(), 1u);
  SpawnedProgram control({Bin("swmsim"), "ctl", bench.File("ctl"), "state", "relays"}, {});
  const std::string state = Lines(control);
  EXPECT_EQ(control.Wait(), 0);
  EXPECT_NE(state.find("  unmatched: 1\n"), std::string::npos) << state;
  EXPECT_NE(state.find("  first_unmatched: " + changed[0] + "\n"), std::string::npos) << state;
  EXPECT_NE(state.find("  position: " + std::to_string(bench.relays_->State()["instrument"]["steps"].get<size_t>())),
            std::string::npos)
      << state;

  // The Hubline card's output 2 instead of 1 active during the test: the
  // replayed unit answers the command it never heard with its error answer
  // at once, so the driver reports the unit's error 100 instead of waiting
  // out its time-outs and retries for an answer that never comes.
  for (sim::Instrument* instrument : {bench.hub_, bench.relays_, bench.toyo_}) instrument->Reset();
  bench.WriteSettings(port, gpibRelays, "Relais6Start=1");
  const std::string output = bench.RunHost("", 1);
  EXPECT_NE(output.find("\nevent hub InitialisationStarted -> 0x30003AFC"), std::string::npos) << output;
  EXPECT_EQ(bench.hub_->State()["instrument"]["first_unmatched"], "S3:EXT_RELAY_2_ACTIVE");
}

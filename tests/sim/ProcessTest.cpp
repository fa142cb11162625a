// The swmsim program: started with a configuration file, it prints its ready
// lines, serves the instruments, answers "swmsim ctl" and stops cleanly.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <vector>

#include "SimTestIo.h"
#include "support/SpawnedProgram.h"
#include "support/TestFiles.h"

namespace {

const std::string kProgram = SWM_BUILD_DIR "/bin/swmsim";

// swmsim started with these arguments.
class Swmsim : public SpawnedProgram {
public:
  explicit Swmsim(std::vector<std::string> arguments) : SpawnedProgram(WithProgram(std::move(arguments)), {}) {}
  // Output lines up to "running" (or the end of the output).
  std::vector<std::string> ReadyLines() {
    std::vector<std::string> lines;
    while (lines.empty() || lines.back() != "running") {
      const std::optional<std::string> line = OutputLine(simtest::kPatienceMs);
      if (!line) break;
      lines.push_back(*line);
    }
    return lines;
  }
  // The rest of standard output (or error), line by line.
  std::string Output() { return Rest([this] { return OutputLine(simtest::kPatienceMs); }); }
  std::string Errors() { return Rest([this] { return ErrorLine(simtest::kPatienceMs); }); }

private:
  static std::vector<std::string> WithProgram(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), kProgram);
    return arguments;
  }
  template <class F>
  static std::string Rest(F&& next) {
    std::string text;
    for (std::optional<std::string> line = next(); line; line = next()) text += *line + "\n";
    return text;
  }
};

// Runs swmsim with arguments to its end; its exit status and standard output.
int RunSwmsim(const std::vector<std::string>& arguments, std::string* out, std::string* err = nullptr) {
  Swmsim program(arguments);
  *out = program.Output();
  const std::string errors = program.Errors();
  if (err) *err = errors;
  return program.Wait();
}

class Program : public ::testing::Test {
protected:
  void SetUp() override { std::filesystem::create_directory(directory_ + "/ports"); }
  std::string WriteConfig(const std::string& text) {
    WriteFile(files_.File("sim.ini"), text);
    return files_.File("sim.ini");
  }

  TestDirectory files_;
  const std::string directory_ = files_.Path();
};

TEST_F(Program, PrintsReadyLinesServesAndStopsOnRequest) {
  const std::string config = WriteConfig(
      "[simulator]\nports = " + directory_ + "/ports\n"
      "[instrument dmm]\ntransport = tcp\nport = 0\nidn = ACME,DMM100,1234,1.0\n"
      "[instrument meter]\ntransport = pty\ncom = 7\n"
      "[instrument ps]\ntransport = gpib\naddress = 9\n"
      "[instrument rp]\ntransport = tcp\nport = 0\nfamily = replay\ncapture = " + directory_ + "/bench.capture\n"
      "source = COM3\n");
  WriteFile(directory_ + "/bench.capture",
            "{\"format\":\"swmsim-capture\",\"version\":1}\n"
            "{\"t\":0,\"instrument\":\"COM3\",\"dir\":\"sent\",\"hex\":\"3f0a\"}\n"
            "{\"t\":1,\"instrument\":\"COM3\",\"dir\":\"received\",\"hex\":\"310a\"}\n");
  const std::string control = directory_ + "/lab.ctl";
  const std::string bus = directory_ + "/bus";
  Swmsim program({"--config", config, "--control", control, "--bus", bus, "--web", "0"});
  const std::vector<std::string> lines = program.ReadyLines();
  ASSERT_EQ(lines.size(), 8u);
  EXPECT_EQ(lines[0].substr(0, 24), "ready dmm tcp 127.0.0.1:");
  EXPECT_TRUE(lines[1].starts_with("ready meter pty " + directory_ + "/ports/COM7 /dev/pts/"))
      << lines[1];
  EXPECT_EQ(lines[2], "ready ps gpib GPIB0::9::INSTR " + bus);
  EXPECT_EQ(lines[3].substr(0, 23), "ready rp tcp 127.0.0.1:");
  EXPECT_EQ(lines[4], "control " + control);
  EXPECT_EQ(lines[5], "bus " + bus);
  std::smatch web;
  ASSERT_TRUE(std::regex_match(lines[6], web, std::regex("web http://127\\.0\\.0\\.1:([0-9]+)/\\?token=([0-9a-f]{32})")))
      << lines[6];
  EXPECT_EQ(lines[7], "running");

  // A replayed instrument answers a command its capture never saw at once,
  // and the simulator says so on its output.
  simtest::Fd replayed = simtest::ConnectTcp(static_cast<uint16_t>(std::stoi(lines[3].substr(23))));
  simtest::SendAll(replayed.get(), "MEAS?\n");
  EXPECT_EQ(simtest::ReadUntil(replayed.get(), "\n"), "ERROR 100\n");
  EXPECT_EQ(program.OutputLine(simtest::kPatienceMs).value_or("(none)"),
            "unmatched rp \"MEAS?\" is not in the capture (it expected \"?\\n\" at step 1 of 1)");

  const uint16_t port = static_cast<uint16_t>(std::stoi(lines[0].substr(24)));
  simtest::Fd client = simtest::ConnectTcp(port);
  simtest::SendAll(client.get(), "*IDN?\n");
  EXPECT_EQ(simtest::ReadUntil(client.get(), "\n"), "ACME,DMM100,1234,1.0\n");
  // The web view: refused without the token; with it, the exchange with its answer.
  for (const std::string& target : {std::string("/state"), "/state?token=" + web[2].str()}) {
    simtest::Fd browser = simtest::ConnectTcp(static_cast<uint16_t>(std::stoi(web[1])));
    simtest::SendAll(browser.get(), "GET " + target + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    bool closed = false;
    const std::string reply = simtest::ReadToEnd(browser.get(), &closed);
    EXPECT_TRUE(closed);
    const bool authorised = target.find("token") != std::string::npos;
    EXPECT_TRUE(reply.starts_with(authorised ? "HTTP/1.1 200" : "HTTP/1.1 403")) << reply;
    EXPECT_EQ(reply.find(R"("command":"*IDN?")") != std::string::npos &&
                  reply.find(R"("answer":"ACME,DMM100,1234,1.0\n")") != std::string::npos,
              authorised) << reply;
  }

  std::string dump;
  EXPECT_EQ(RunSwmsim({"ctl", control, "state", "dmm"}, &dump), 0);
  EXPECT_NE(dump.find("commands_received: 1\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("last_command: *IDN?\n"), std::string::npos) << dump;
  EXPECT_NE(dump.find("  idn: ACME,DMM100,1234,1.0\n"), std::string::npos) << dump;
  EXPECT_EQ(RunSwmsim({"ctl", control, "bytes", "dmm"}, &dump), 0);
  EXPECT_EQ(dump, "*IDN?\\n\n");
  std::string errors;
  EXPECT_EQ(RunSwmsim({"ctl", control, "state", "nobody"}, &dump, &errors), 1);
  EXPECT_EQ(errors, "swmsim: error no instrument named nobody\n");
  EXPECT_EQ(RunSwmsim({"ctl", control, "received", "dnm"}, &dump, &errors), 1);
  EXPECT_EQ(errors, "swmsim: error no instrument named dnm (did you mean dmm?)\n");

  EXPECT_EQ(RunSwmsim({"ctl", control, "stop"}, &dump), 0);
  EXPECT_EQ(program.Wait(), 0);
  EXPECT_FALSE(std::filesystem::exists(control));
  // The socket named by a relative path is gone with its simulator: that is
  // what the user is told, not where else simulators are looked for.
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(directory_);
  EXPECT_EQ(RunSwmsim({"ctl", "lab.ctl", "ping"}, &dump, &errors), 2);
  std::filesystem::current_path(before);
  EXPECT_EQ(errors, "swmsim: the control socket lab.ctl does not answer (connect lab.ctl: No such file or "
                    "directory): is its simulator running?\n");
  EXPECT_FALSE(std::filesystem::exists(bus));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(directory_ + "/ports/COM7")));
}

TEST_F(Program, StopsCleanlyOnSigterm) {
  const std::string config = WriteConfig("[instrument dmm]\ntransport = udp\n");
  Swmsim program({"--config", config, "--control", directory_ + "/ctl"});
  ASSERT_EQ(program.ReadyLines().back(), "running");
  program.Signal(SIGTERM);
  EXPECT_EQ(program.Wait(), 0);
  EXPECT_FALSE(std::filesystem::exists(directory_ + "/ctl"));
}

TEST_F(Program, ABadFileOrABusyPortEndsWithAClearMessage) {
  std::string out, err;
  const std::string bad = WriteConfig("[instrument dmm]\ntransport = tcp\nport = x\n");
  EXPECT_EQ(RunSwmsim({"--config", bad}, &out, &err), 2);
  EXPECT_EQ(err, "swmsim: " + bad + ":3: bad port 'x' (0 to 65535)\n");
  EXPECT_EQ(out, "");

  EXPECT_EQ(RunSwmsim({"--config", directory_ + "/none.ini"}, &out, &err), 2);
  EXPECT_EQ(err, "swmsim: cannot read " + directory_ + "/none.ini: No such file or directory\n");
  EXPECT_EQ(RunSwmsim({"--config", directory_}, &out, &err), 2);
  EXPECT_EQ(err, "swmsim: cannot read " + directory_ + ": Is a directory\n");
  EXPECT_EQ(RunSwmsim({"--check"}, &out, &err), 2);
  EXPECT_EQ(err, "swmsim: no --config FILE given (try 'swmsim --help')\n");
  EXPECT_EQ(RunSwmsim({"--config", bad, "--colour"}, &out, &err), 2);
  EXPECT_EQ(err, "swmsim: unknown option '--colour' (try 'swmsim --help')\n");
  EXPECT_EQ(RunSwmsim({"--help"}, &out, &err), 0);
  EXPECT_EQ(out.rfind("usage: swmsim --config FILE", 0), 0u);

  const std::string good = WriteConfig("[instrument a]\ntransport = tcp\n[instrument b]\ntransport = udp\n");
  EXPECT_EQ(RunSwmsim({"--config", good, "--check"}, &out, &err), 0);
  EXPECT_EQ(out, "ok 2 instruments\n");

  // Two instruments on one fixed port: the second cannot bind.
  Swmsim first({"--config", WriteConfig("[instrument a]\ntransport = tcp\n"), "--control", directory_ + "/first"});
  const std::vector<std::string> lines = first.ReadyLines();
  ASSERT_FALSE(lines.empty());
  const std::string port = lines[0].substr(lines[0].rfind(':') + 1);
  const std::string busy = WriteConfig("[instrument b]\ntransport = tcp\nport = " + port + "\n");
  EXPECT_EQ(RunSwmsim({"--config", busy}, &out, &err), 1);
  EXPECT_NE(err.find("instrument b: bind 127.0.0.1:" + port), std::string::npos) << err;
  EXPECT_EQ(simtest::Control(directory_ + "/first", "stop"), "ok");
  EXPECT_EQ(first.Wait(), 0);
}

// --env prints the lines that wire a module to this simulator: its bus,
// ports and control socket (absolute, from the options or the file) and the simulated libraries
// of this build tree, each under the variable the module reads.
TEST_F(Program, EnvPrintsTheExportLinesOfTheBusThePortsAndTheLibraries) {
  const std::string config = WriteConfig("[simulator]\nbus = " + directory_ + "/file.bus\n[instrument a]\ntransport = tcp\n");
  std::string out, err;
  ASSERT_EQ(RunSwmsim({"--config", config, "--ports", directory_ + "/ports", "--control", directory_ + "/lab.ctl", "--env"},
                      &out, &err), 0) << err;
  const std::string libraries = std::filesystem::canonical(SWM_BUILD_DIR "/lib/sim").string();
  std::string expected = "export SWMATRIX_SIM_BUS='" + directory_ + "/file.bus'\n"
                         "export SWMATRIX_PORTS='" + directory_ + "/ports'\n"
                         "export SWMATRIX_SIM_CONTROL='" + directory_ + "/lab.ctl'\n";
  for (const auto& [variable, file] : {std::pair{"GPIB", "libgpib.so.0"}, {"VISA", "libvisa.so"}, {"RSIB", "librsib.so"},
                                       {"FTD2XX", "libftd2xx.so"}, {"MCC", "libmccuniversal.so"},
                                       {"ADVANTECH", "libadsapi.so"}})
    if (std::filesystem::exists(libraries + "/" + file))
      expected += "export SWMATRIX_" + std::string(variable) + "_LIBRARY='" + libraries + "/" + file + "'\n";
  EXPECT_EQ(out, expected);
  EXPECT_NE(out.find("SWMATRIX_GPIB_LIBRARY"), std::string::npos);
  ASSERT_EQ(RunSwmsim({"--config", config, "--web", "8080", "--env"}, &out, &err), 0) << err;
  EXPECT_TRUE(out.ends_with("\n# web view: http://127.0.0.1:8080/?token=... (the address with this run's token is "
                            "on swmsim's 'web' line)\n")) << out;
  EXPECT_EQ(RunSwmsim({"--config", config, "--web", "80x", "--env"}, &out, &err), 2);
  EXPECT_EQ(err, "swmsim: bad --web port '80x' (0 to 65535) (try 'swmsim --help')\n");

  // Without a file: the bus of the option, relative to the working directory.
  ASSERT_EQ(RunSwmsim({"--bus", "x.bus", "--env"}, &out, &err), 0) << err;
  EXPECT_EQ(out.substr(0, out.find('\n')),
            "export SWMATRIX_SIM_BUS='" + (std::filesystem::current_path() / "x.bus").string() + "'");
  EXPECT_EQ(RunSwmsim({"--config", config, "--check", "--env"}, &out, &err), 2);
  EXPECT_EQ(err, "swmsim: --check and --env exclude each other (try 'swmsim --help')\n");
}

// Started without a control path, a simulator serves its control socket in
// the user's runtime folder, where "swmsim ctl" finds it when it is the only one.
TEST_F(Program, CtlWithoutAPathFindsTheOnlyRunningSimulator) {
  const std::string sockets = std::string(getenv("XDG_RUNTIME_DIR")) + "/swmatrix";
  const std::string config = WriteConfig("[instrument dmm]\ntransport = udp\n");
  std::string out, err;
  EXPECT_EQ(RunSwmsim({"ctl", "ping"}, &out, &err), 2);
  EXPECT_EQ(err, "swmsim: no running simulator found in " + sockets + " (give the control socket's path)\n");

  Swmsim a({"--config", config});
  const std::string aPath = sockets + "/swmsim-" + std::to_string(a.Pid()) + ".ctl";
  std::vector<std::string> lines = a.ReadyLines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1], "control " + aPath);
  EXPECT_EQ(RunSwmsim({"ctl", "state", "dmm"}, &out, &err), 0) << err;
  EXPECT_NE(out.find("family: scpi\n"), std::string::npos) << out;

  Swmsim b({"--config", config});
  const std::string bPath = sockets + "/swmsim-" + std::to_string(b.Pid()) + ".ctl";
  ASSERT_EQ(b.ReadyLines().back(), "running");
  EXPECT_EQ(RunSwmsim({"ctl", "ping"}, &out, &err), 2);
  EXPECT_EQ(err, "swmsim: 2 simulators are running; give the control socket's path: " + std::min(aPath, bPath) +
                     " " + std::max(aPath, bPath) + "\n");
  // A killed simulator leaves its socket file: it does not count, and goes.
  b.Signal(SIGKILL);
  b.Wait();
  EXPECT_EQ(RunSwmsim({"ctl", "stop"}, &out, &err), 0) << err;
  EXPECT_EQ(a.Wait(), 0);
  EXPECT_FALSE(std::filesystem::exists(bPath));
  EXPECT_FALSE(std::filesystem::exists(aPath));
}

}  // namespace

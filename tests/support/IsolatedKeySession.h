#pragma once
// What the tests over every creatable key share: the keys, a child process
// per key in a private network namespace with only loopback up (so that no
// default address of a transport is ever reached), and the driver objects
// behind the exports, through which a test points a driver's network
// transport at a loopback port and shortens its stream time-out.
#include <gtest/gtest.h>
#include <net/if.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "drivers/hubline/HublineMultiSwitch.h"
#include "framework/DeviceDriverBase.h"
#include "interface/DeviceDriverTable.h"
#include "interface/DeviceTypeRegistry.h"
#include "streams/DeviceStreamClientWithStreamBase.h"
#include "streams/StreamTestSupport.h"
#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"
#include "support/ChildProcess.h"
#include "support/TestFiles.h"

inline std::vector<std::string> CreatableKeys() {
  std::vector<std::string> keys;
  for (const DeviceTypeEntry& entry : DeviceTypeEntries())
    if (entry.create) keys.emplace_back(entry.key);
  return keys;
}

// The classes that creatable keys make, each once, in registry order.
inline std::vector<std::string> CreatableClasses() {
  std::vector<std::string> classes;
  for (const DeviceTypeEntry& entry : DeviceTypeEntries())
    if (entry.create && std::find(classes.begin(), classes.end(), entry.className) == classes.end())
      classes.emplace_back(entry.className);
  return classes;
}

inline std::vector<std::string> KeysOfClass(const std::string& className) {
  std::vector<std::string> keys;
  for (const DeviceTypeEntry& entry : DeviceTypeEntries())
    if (entry.create && entry.className == className) keys.emplace_back(entry.key);
  return keys;
}

// A test name for a key or class: letters and digits, the rest "_".
inline std::string KeyTestName(const testing::TestParamInfo<std::string>& info) {
  std::string name = info.param;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

// The file with every relay or band set of the events set to its first
// choice (0 and 100 are "do not switch" in the files of the drivers).
inline std::string WithSwitchingSets(const std::string& text) {
  static const std::regex number(
      "^((?:Relais[0-9]+)?(?:Start|Stop)|(?:Relais)?(?:During|After)|Row [0-3] Pin [0-7])"
      "=(?:0|100)$");
  static const std::regex selection("^(Selected(?:Before|After))=$");
  // A switch platform: a change-over module in slot 0, its first relay switched during and after the test.
  static const std::regex module("^(SelectedModuleSlot0)=NoModuleSelected$");
  static const std::regex changeOver("^((During|After)Relays0Slot0)=Do not switch$");
  // A configurable switch: one typed command when the test starts and one when it stops.
  static const std::regex commandList("^(DuringTest|AfterTest)=$");
  std::istringstream in(text);
  std::ostringstream out;
  std::smatch match;
  for (std::string line; std::getline(in, line);) {
    if (std::regex_match(line, match, number)) line = match[1].str() + "=1";
    else if (std::regex_match(line, match, selection)) line = match[1].str() + "=BAND=DIR/ANT1";
    else if (std::regex_match(line, match, module)) line = match[1].str() + "=ModuleOSP_B107";
    else if (std::regex_match(line, match, changeOver)) line = match[1].str() + (match[2] == "During" ? "=NC" : "=NO");
    else if (std::regex_match(line, match, commandList)) line = match[1].str() + "=SW " + (match[1] == "DuringTest" ? "1" : "0");
    out << line << "\n";
  }
  return out.str();
}

// Moves this process into a network namespace of its own with loopback up.
inline bool IsolateNetwork() {
  if (unshare(CLONE_NEWNET) != 0 && unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0) return false;
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  ifreq request{};
  std::strcpy(request.ifr_name, "lo");
  bool up = fd >= 0 && ioctl(fd, SIOCGIFFLAGS, &request) == 0;
  request.ifr_flags |= IFF_UP;
  up = up && ioctl(fd, SIOCSIFFLAGS, &request) == 0;
  if (fd >= 0) close(fd);
  return up;
}

// Exit statuses of a session besides 0 (done) and a crash.
constexpr int kNoNamespace = 77;
constexpr int kNotApplicable = 78;

// Runs session in a child process in a private network namespace, with
// message boxes answered and standard error in the directory's file
// "stderr.txt"; the text it returns is the list of failures. Skips the test
// when no namespace can be made or the session returns kNotApplicable
// through `skip` (with its text as the reason).
inline void RunIsolated(const TestDirectory& dir, const std::function<std::string(bool& skip)>& session,
                        int timeLimitMilliseconds = 110000) {
  const std::string errors = dir.File("stderr.txt");
  ChildProcess child([&](const ChildProcess::Channel& channel) {
    if (!freopen(errors.c_str(), "w", stderr)) return 2;
    if (!IsolateNetwork()) return kNoNamespace;
    setenv("SWMATRIX_MESSAGEBOX", "ok", 1);
    bool skip = false;
    const std::string failures = session(skip);
    for (char c : failures.substr(0, 16384)) channel.Send(c);
    return skip ? kNotApplicable : 0;
  });
  std::string failures;
  // The child sends its findings when it is done and then closes the pipe.
  for (char c; (c = child.Receive(timeLimitMilliseconds)) != 0;) failures += c;
  const int exit = child.Wait();
  if (exit == kNoNamespace) GTEST_SKIP() << "no private network namespace";
  if (exit == kNotApplicable) GTEST_SKIP() << failures;
  const std::string report = ReadFile(errors);
  EXPECT_EQ(exit, 0) << "the session crashed:\n" << report.substr(report.size() > 8000 ? report.size() - 8000 : 0);
  EXPECT_EQ(failures, "");
}

// A line of a session's text that begins with this notes what it left out and why: shown, not a failure.
constexpr const char* kSkippedNote = "skipped ";

// Runs session(key, dir, skip) for each key in a child process of its own in
// a private network namespace, at most `parallel` at a time (they mostly wait
// on time-outs), each with a directory of its own. Failures and notes are
// reported per key; the test is skipped when every key skips.
using KeySession = std::function<std::string(const std::string& key, const TestDirectory& dir, bool& skip)>;
inline void RunIsolatedKeys(const std::vector<std::string>& keys, const KeySession& session, size_t parallel = 6) {
  struct Running {
    std::string key;
    std::unique_ptr<TestDirectory> dir;
    std::unique_ptr<ChildProcess> child;
  };
  std::vector<Running> running;
  std::string failures, notes, skipped;
  size_t skips = 0;
  const auto collect = [&](Running& r) {
    std::string text;
    for (char c; (c = r.child->Receive(110000)) != 0;) text += c;
    const int exit = r.child->Wait();
    if (exit == kNoNamespace || exit == kNotApplicable) {
      ++skips;
      skipped = exit == kNoNamespace ? "no private network namespace" : text;
    } else if (exit != 0) {
      const std::string report = ReadFile(r.dir->File("stderr.txt"));
      failures += r.key + ": the session crashed:\n" + report.substr(report.size() > 4000 ? report.size() - 4000 : 0);
    } else {
      std::istringstream lines(text);
      for (std::string line; std::getline(lines, line);)
        (line.starts_with(kSkippedNote) ? notes : failures) += r.key + ": " + line + "\n";
    }
  };
  for (const std::string& key : keys) {
    if (running.size() == parallel) {
      collect(running.front());
      running.erase(running.begin());
    }
    auto dir = std::make_unique<TestDirectory>();
    const std::string errors = dir->File("stderr.txt");
    const TestDirectory& own = *dir;
    auto child = std::make_unique<ChildProcess>([&, errors](const ChildProcess::Channel& channel) {
      if (!freopen(errors.c_str(), "w", stderr)) return 2;
      if (!IsolateNetwork()) return kNoNamespace;
      setenv("SWMATRIX_MESSAGEBOX", "ok", 1);
      bool skip = false;
      const std::string text = session(key, own, skip);
      for (char c : text.substr(0, 16384)) channel.Send(c);
      return skip ? kNotApplicable : 0;
    });
    running.push_back({key, std::move(dir), std::move(child)});
  }
  for (Running& r : running) collect(r);
  if (skips == keys.size()) GTEST_SKIP() << skipped;
  std::cout << notes;
  EXPECT_EQ(failures, "");
}

// The stream client of a driver of the table, or null.
inline DeviceStreamClientWithStreamBase* StreamClientOf(uint16_t id) {
  return dynamic_cast<DeviceStreamClientWithStreamBase*>(DeviceDriverTable::Instance().Find(id));
}

// The stream clients of a driver of the table: its own, or those of the
// cards of a Hubline board.
inline std::vector<DeviceStreamClientWithStreamBase*> StreamClientsOf(uint16_t id) {
  if (DeviceStreamClientWithStreamBase* client = StreamClientOf(id)) return {client};
  std::vector<DeviceStreamClientWithStreamBase*> clients;
  if (auto* board = dynamic_cast<HublineMultiSwitch*>(DeviceDriverTable::Instance().Find(id)))
    for (const HublineMultiSwitch::Card& card : board->Cards()) clients.push_back(card.get());
  return clients;
}

// A Hubline board file without cards given one relay card (slot 3) that
// switches relay A in both sets, so that the board has a unit to talk to.
inline std::string WithOneHublineCard(const std::string& text) {
  static const std::regex empty("^\\[MultiSwitch\\]\nCount=0\n", std::regex::multiline);
  return std::regex_replace(text, empty,
                            "[MultiSwitch]\nCount=1\n[MultiSwitch.Relais0]\nDeviceType=TQS4PA\n"
                            "[MultiSwitch.Relais0.Common]\nDeviceID=3\nCentreType=0\n"
                            "[MultiSwitch.Relais0.Stream Config.GPIB]\nBoard=0\nPriAdr=1\n"
                            "[MultiSwitch.Relais0.Stream Config.VISA]\nIdentifier=GPIB0::1::INSTR\n"
                            "[MultiSwitch.Relais0.HublineSwitch]\nRelais1Start=1\nRelais1Stop=2\n");
}

// Selects the client's network transport of the given type ("TCPIP",
// "HTTP", "UDP"), pointed at a loopback port, with the given stream
// time-out; false when it does not offer that transport.
inline bool UseLoopback(DeviceStreamClientWithStreamBase* client, const char* type, int port, double timeoutSeconds) {
  auto network = std::dynamic_pointer_cast<NetworkBasedDeviceStreamConfig>(client->Manager().GetConfiguration(type));
  if (!network) return false;
  network->SetAddress("127.0.0.1:" + std::to_string(port));
  client->Manager().SetSelectedTypeName(type);
  DeviceStreamSettings settings = client->GetStreamSettings();
  settings.timeoutSeconds = timeoutSeconds;
  client->SetStreamSettings(settings);
  return true;
}

// The same for every stream client of a driver of the table; false when it has none or one lacks the transport.
inline bool UseLoopback(uint16_t id, const char* type, int port, double timeoutSeconds) {
  const std::vector<DeviceStreamClientWithStreamBase*> clients = StreamClientsOf(id);
  for (DeviceStreamClientWithStreamBase* client : clients)
    if (!UseLoopback(client, type, port, timeoutSeconds)) return false;
  return !clients.empty();
}

inline bool UseLoopbackTcp(uint16_t id, int port, double timeoutSeconds) {
  return UseLoopback(id, "TCPIP", port, timeoutSeconds);
}

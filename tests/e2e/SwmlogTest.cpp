// swmlog, the log viewer, recording a host script end to end.
#include <gtest/gtest.h>

#include <regex>

#include "LogReader.h"
#include "support/SpawnedProgram.h"

namespace {
std::string Bin(const std::string& name) { return std::string(SWM_BUILD_DIR) + "/bin/" + name; }

// A field of a JSON line written by swmlog: a string without escapes, or a number.
std::string Field(const std::string& line, const std::string& name) {
  std::smatch match;
  if (std::regex_search(line, match, std::regex("\"" + name + "\":(\"([^\"\\\\]*)\"|[-0-9.e+]+|null)")))
    return match[2].matched ? match[2].str() : match[1].str();
  return "<none>";
}

class Viewer {
public:
  explicit Viewer(const std::vector<std::string>& options)
      : path_(E2eLogSocketPath() + "-viewer-" + std::to_string(counter_++)), program_(Arguments(options), {}) {
    const auto ready = program_.ErrorLine();
    EXPECT_TRUE(ready && ready->find("listening on " + path_) != std::string::npos) << ready.value_or("nothing");
  }
  const std::string& Path() const { return path_; }
  SpawnedProgram& Program() { return program_; }
  // Lines of output up to and including the first that contains all `parts`.
  std::vector<std::string> LinesUntil(const std::vector<std::string>& parts) {
    std::vector<std::string> lines;
    while (auto line = program_.OutputLine()) {
      lines.push_back(*line);
      bool all = true;
      for (const std::string& part : parts) all = all && line->find(part) != std::string::npos;
      if (all) return lines;
    }
    ADD_FAILURE() << "no line with " << parts.front();
    return lines;
  }
  // Sends a datagram of the test's own to the viewer.
  void Send(const std::string& datagram) {
    UnixDatagramSocket sender;
    ASSERT_TRUE(sender.Connect(path_));
    ASSERT_EQ(sender.Send(datagram), UnixDatagramSocket::SendResult::Sent);
  }

private:
  std::vector<std::string> Arguments(const std::vector<std::string>& options) {
    std::vector<std::string> arguments = {Bin("swmlog"), "--socket", path_};
    arguments.insert(arguments.end(), options.begin(), options.end());
    return arguments;
  }
  static inline int counter_ = 0;
  std::string path_;
  SpawnedProgram program_;
};
}  // namespace

TEST(Swmlog, RecordsAHostScriptAsJsonLines) {
  Viewer viewer({"--json"});
  SpawnedProgram host({Bin("swmhost"), "run", "-"},
                      {{"SWMATRIX_LOG_SOCKET", viewer.Path()}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}});
  const std::string pid = std::to_string(host.Pid());
  std::vector<std::string> lines;
  auto step = [&](const std::string& command, const std::string& function) {
    ASSERT_TRUE(host.Write(command + "\n"));
    const auto more = viewer.LinesUntil({"\"record\":\"end\"", "\"function\":\"" + function + "\""});
    lines.insert(lines.end(), more.begin(), more.end());
  };
  // Each step writes a few records and is read completely before the next,
  // so that the viewer's queue never overflows.
  step("create d DEBUGSWITCHMATRIX\ncheck d", "CheckDevice");
  viewer.Send("not a record; \x01");
  const auto raw = viewer.LinesUntil({"\"record\":\"raw\""});
  EXPECT_NE(raw.back().find("\"raw\":\"not a record; \\u0001\""), std::string::npos) << raw.back();
  step("event d FrequencyChanged 123.5", "HandleEvent");
  step("error d 0x300000D7", "GetErrorString");
  step("remove d", "RemoveDeviceDriver");
  host.CloseInput();
  EXPECT_EQ(host.Wait(), 0);

  std::map<std::string, std::string> beginOf;  // scope -> function
  std::vector<std::string> calls;              // "function depth duration" of each end
  for (const std::string& line : lines) {
    const std::string record = Field(line, "record");
    if (record == "begin" || record == "end") {
      EXPECT_EQ(Field(line, "pid"), pid) << line;
    }
    if (record == "begin") beginOf[Field(line, "scope")] = Field(line, "function");
    if (record != "end") continue;
    EXPECT_EQ(beginOf[Field(line, "scope")], Field(line, "function")) << line;
    calls.push_back(Field(line, "function") + " " + Field(line, "depth"));
  }
  EXPECT_EQ(calls, (std::vector<std::string>{"CheckDevice 0", "MessageBoxW 1", "HandleEvent 0", "GetErrorString 0",
                                             "RemoveDeviceDriver 0"}));
  bool eventSeen = false;
  for (const std::string& line : lines) {
    if (Field(line, "function") != "HandleEvent" || Field(line, "record") != "begin") continue;
    eventSeen = true;
    EXPECT_EQ(Field(line, "description"), "HandleEvent(FrequencyChanged, 123.5)");
    EXPECT_NE(line.find("{\"category\":\"!input\",\"name\":\"eventValue\",\"kind\":\"real\",\"value\":123.5}"),
              std::string::npos)
        << line;
    EXPECT_NE(line.find("{\"category\":\"!input\",\"name\":\"event\",\"kind\":\"integer\",\"value\":7}"),
              std::string::npos)
        << line;
  }
  EXPECT_TRUE(eventSeen);

  viewer.Program().Signal(SIGTERM);
  EXPECT_EQ(viewer.Program().Wait(), 0);
}

TEST(Swmlog, PrintsFilteredCallTreesAndStopsAfterTheCount) {
  Viewer viewer({"--function", "CheckDevice", "--count", "3"});
  viewer.Send("!logb;7;0x10;100.000;CheckDevice;DeviceDriver;Note;!input;description;a14:CheckDevice(3);DeviceID;i3");
  viewer.Send("!logb;7;0x20;100.001;Inner;DeviceDriver;Note;!input");
  viewer.Send("garbage");
  viewer.Send("!logn;100.002,---,---;---;CheckDevice;Base;Warning;!general;description;a4:note");
  viewer.Send("!loge;7;0x20;100.003;Inner;DeviceDriver;Complete;!output");
  viewer.Send("!loge;7;0x10;100.020;CheckDevice;DeviceDriver;Complete;!output;Err;i0");
  std::vector<std::string> lines;
  while (auto line = viewer.Program().OutputLine()) lines.push_back(line->substr(13));  // without the local time
  EXPECT_EQ(viewer.Program().Wait(), 0);
  EXPECT_EQ(lines, (std::vector<std::string>{"[7] > CheckDevice (DeviceDriver) Note: CheckDevice(3) DeviceID=3",
                                             "[-]     - CheckDevice (Base) Warning: note",
                                             "[7] < CheckDevice (DeviceDriver) Complete [20 ms] Err=0"}));
}

TEST(Swmlog, RefusesASocketPathInUseAndReplacesAStaleOne) {
  Viewer first({});
  SpawnedProgram second({Bin("swmlog"), "--socket", first.Path()}, {});
  const auto refused = second.ErrorLine();
  EXPECT_TRUE(refused && refused->find("another reader is bound there") != std::string::npos)
      << refused.value_or("nothing");
  EXPECT_EQ(second.Wait(), 1);

  first.Program().Signal(SIGKILL);  // dies without removing its socket file
  first.Program().Wait();
  SpawnedProgram third({Bin("swmlog"), "--socket", first.Path(), "--count", "1"}, {});
  const auto ready = third.ErrorLine();
  EXPECT_TRUE(ready && ready->find("listening") != std::string::npos) << ready.value_or("nothing");
  UnixDatagramSocket sender;
  ASSERT_TRUE(sender.Connect(first.Path()));
  sender.Send("!logn;1.000,---,---;---;F;M;Note;!general");
  const auto line = third.OutputLine();
  EXPECT_TRUE(line && line->find("- F (M) Note") != std::string::npos) << line.value_or("nothing");
  EXPECT_EQ(third.Wait(), 0);
}

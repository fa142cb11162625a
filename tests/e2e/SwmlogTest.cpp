// swmlog, the log viewer, recording a host script end to end.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <condition_variable>
#include <mutex>
#include <regex>
#include <thread>

#include "LogReader.h"
#include "support/SpawnedProgram.h"

namespace {
std::string Bin(const std::string& name) { return std::string(SWM_BUILD_DIR) + "/bin/" + name; }

// A field of a JSON line written by swmlog: a string without escapes, or a number.
std::string Field(const std::string& line, const std::string& name) {
  static std::map<std::string, std::regex> patterns;  // compiled once per name: tests read thousands of lines
  auto pattern = patterns.find(name);
  if (pattern == patterns.end())
    pattern = patterns.emplace(name, std::regex("\"" + name + "\":(\"([^\"\\\\]*)\"|[-0-9.e+]+|null)")).first;
  std::smatch match;
  if (std::regex_search(line, match, pattern->second))
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
                                             "[7] < CheckDevice (DeviceDriver) Complete [20 ms] Err=0x00000000"}));
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

namespace {
// A host running a script of its own. Its answers are read as they come, on a
// thread of their own, so that the host never waits for the test.
class ScriptedHost {
public:
  explicit ScriptedHost(const std::string& logSocket)
      : program_({Bin("swmhost"), "run", "-"}, {{"SWMATRIX_LOG_SOCKET", logSocket}, {"DISPLAY", ""}, {"WAYLAND_DISPLAY", ""}}),
        reader_([this] {
          while (program_.OutputLine(120000)) {
            std::lock_guard lock(mutex_);
            ++answers_;
            answered_.notify_all();
          }
        }) {}
  ~ScriptedHost() {
    if (writer_.joinable()) writer_.join();
    program_.Signal(SIGKILL);  // only when a failed test left it running
    reader_.join();
  }
  SpawnedProgram& Program() { return program_; }
  // Writes the script from a thread of its own: the host reads it only as fast as it answers.
  void Run(std::string script, bool thenExit) {
    if (writer_.joinable()) writer_.join();
    writer_ = std::thread([this, script = std::move(script), thenExit] {
      EXPECT_TRUE(program_.Write(script));
      if (thenExit) program_.CloseInput();
    });
  }
  // Waits until `count` calls in all have been answered (the time limit only turns a hang into a failure).
  void AwaitAnswers(int count) {
    std::unique_lock lock(mutex_);
    EXPECT_TRUE(answered_.wait_for(lock, std::chrono::minutes(2), [&] { return answers_ >= count; }))
        << answers_ << " of " << count << " answers";
  }

private:
  SpawnedProgram program_;
  std::mutex mutex_;
  std::condition_variable answered_;
  int answers_ = 0;
  std::thread reader_, writer_;
};

std::string Repeated(const std::string& line, int count) {
  std::string script;
  for (int i = 0; i < count; ++i) script += line;
  return script;
}
}  // namespace

// A host writes records far faster than the viewer prints them, and exits
// at once: all 10,000 reach the viewer, in order.
TEST(Swmlog, ShowsEveryRecordOfABurstOfTenThousand) {
  constexpr int kCalls = 5000;
  Viewer viewer({"--json", "--function", "CheckDevice", "--count", std::to_string(2 * kCalls)});
  ScriptedHost host(viewer.Path());
  host.Run("create d DEBUGSWITCHMATRIX\n" + Repeated("check d\n", kCalls), true);
  std::vector<std::string> lines;
  while (lines.size() < 2 * kCalls) {
    auto line = viewer.Program().OutputLine();
    if (!line) break;  // records are missing: the viewer waits for ever
    lines.push_back(*line);
  }
  EXPECT_FALSE(viewer.Program().OutputLine(0)) << "more lines than records";
  viewer.Program().Signal(SIGTERM);  // it has ended by itself when every record came
  EXPECT_EQ(viewer.Program().Wait(), 0);
  EXPECT_EQ(host.Program().Wait(), 0);
  ASSERT_EQ(lines.size(), size_t{2 * kCalls});
  long lastSequence = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    ASSERT_EQ(Field(line, "record"), i % 2 ? "end" : "begin") << i << ": " << line;
    EXPECT_EQ(Field(line, "depth"), "0") << line;
    if (i % 2) {
      EXPECT_NE(Field(line, "duration_ms"), "null") << line;
    }
    const long sequence = std::stol(Field(line, "seq"));
    EXPECT_GT(sequence, lastSequence) << line;
    lastSequence = sequence;
  }
}

// The viewer is stopped while the host writes more records than the
// module's queue holds (20,000 against 16,384): it shows the records that
// were kept, then how many were lost, and the next call at the top level.
TEST(Swmlog, ReportsTheRecordsLostWhileItWasStopped) {
  constexpr int kCalls = 10000;
  Viewer viewer({"--json"});
  ScriptedHost host(viewer.Path());
  const std::string pid = std::to_string(host.Program().Pid());
  host.Run("create d DEBUGSWITCHMATRIX\ncheck d\n", false);
  host.AwaitAnswers(2);
  const std::string before = viewer.LinesUntil({"\"record\":\"end\"", "\"function\":\"CheckDevice\""}).back();
  viewer.Program().Signal(SIGSTOP);
  host.Run(Repeated("check d\n", kCalls), false);
  host.AwaitAnswers(2 + kCalls);
  viewer.Program().Signal(SIGCONT);
  // The next call comes once the viewer has shown a full queue's worth of
  // records (at least that many were kept), so that the queue has room for
  // both of its records. The host ends only after the viewer showed that
  // call: a host that exits gives a slow viewer only a bounded time.
  std::vector<std::string> lines;
  while (lines.size() < 16384) {
    auto line = viewer.Program().OutputLine();
    if (!line) break;
    lines.push_back(*line);
  }
  host.Run("error d 0x300000CB\n", false);
  const auto more = viewer.LinesUntil({"\"record\":\"end\"", "\"function\":\"GetErrorString\""});
  lines.insert(lines.end(), more.begin(), more.end());
  host.Run("", true);
  EXPECT_EQ(host.Program().Wait(), 0);

  std::vector<size_t> gaps;
  for (size_t i = 0; i < lines.size(); ++i)
    if (Field(lines[i], "record") == "gap") gaps.push_back(i);
  ASSERT_EQ(gaps.size(), 1u);
  const size_t gap = gaps.front();
  ASSERT_EQ(Field(lines[gap + 1], "function"), "GetErrorString") << "the gap comes right before the call after the stop";
  EXPECT_EQ(Field(lines[gap], "pid"), pid);
  const long lost = std::stol(Field(lines[gap], "lost"));
  const long kept = static_cast<long>(gap);
  EXPECT_GT(lost, 0);
  EXPECT_LE(lost, 2 * kCalls - 16384);
  EXPECT_EQ(kept + lost, 2L * kCalls) << "every record of the calls was either shown or counted as lost";
  EXPECT_EQ(std::stol(Field(lines[gap + 1], "seq")), std::stol(Field(before, "seq")) + 2 * kCalls + 1);
  for (size_t i = gap + 1; i < lines.size(); ++i) EXPECT_EQ(Field(lines[i], "depth"), "0") << lines[i];
}

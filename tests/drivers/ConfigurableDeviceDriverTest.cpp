// The configurable device driver on a scripted stream: what its operations
// write (escapes, splitter, waiting for completion), in which order it locks,
// and how the read until a pattern collects an answer and when it gives up.
#include "drivers/configurable/ConfigurableDeviceDriver.h"

#include <gtest/gtest.h>

#include <memory>

#include "streams/ScriptedStream.h"

namespace {
struct ScriptedDriver {
  ScriptedDriver() {
    stream = std::make_shared<ScriptedStream>();
    driver.SetEmbeddedStream(std::make_shared<DeviceStreamBaseDecorator>(stream));
    driver.Connect(0, nullptr, driver.User());
    stream->calls.clear();
  }
  ConfigurableDeviceDriver driver;
  std::shared_ptr<ScriptedStream> stream;
};

using Calls = std::vector<std::string>;
}  // namespace

TEST(ConfigurableDeviceDriver, SendsEscapedPartsAtTheSplitterAndStopsAtAFailingPart) {
  struct Case {
    std::string splitter;
    std::string text;
    bool wait;
    std::deque<Status> writeStatuses;
    Status status;
    Calls calls;
  } cases[] = {
      {"", "A\\t1;B\\x21", false, {}, 0, {"Write:A\t1;B!"}},
      {";", "A\\t1;B\\x21", false, {}, 0, {"Write:A\t1", "Write:B!"}},
      {";", "A;B", true, {}, 0, {"Write:A+OPC", "Write:B+OPC"}},
      {";", ";A;;B;", false, {}, 0, {"Write:A", "Write:B"}},
      {"\\n", "X\\nY", false, {}, 0, {"Write:X", "Write:Y"}},  // split as typed, before escapes
      {";", "A;B;C", false, {0x300002D4}, 0x300002D4, {"Write:A"}},
      {";", "", false, {}, 0, {}},
  };
  for (const Case& c : cases) {
    ScriptedDriver s;
    s.driver.Settings().splitterString = c.splitter;
    s.stream->writeStatuses = c.writeStatuses;
    EXPECT_EQ(s.driver.Send(c.text, c.wait), c.status) << c.text;
    EXPECT_EQ(s.stream->calls, c.calls) << c.text;
  }
}

TEST(ConfigurableDeviceDriver, InitCheckAndDeInitWriteTheirCommandsUnderTheStreamLock) {
  ScriptedDriver s;
  ConfigurableDeviceSettings& settings = s.driver.Settings();
  settings.init = "INIT\\r";
  settings.deInit = "BYE";
  settings.getID = "ID?";
  settings.returnedID = "ACME";
  ASSERT_EQ(s.driver.InitDevice(0), 0u);
  EXPECT_EQ(s.stream->calls, (Calls{"Lock", "Write:INIT\r", "Unlock"}));
  EXPECT_EQ(s.driver.GetTimeout(0), 10.0);

  s.stream->calls.clear();
  s.stream->replies = {{0, "ACME,SW,1\r\n"}};
  ASSERT_EQ(s.driver.CheckDevice(0), 0u);
  EXPECT_EQ(s.stream->calls, (Calls{"Lock", "Write:ID?", "Read", "Unlock", "Disconnect"}));
  EXPECT_EQ(s.stream->readCounts, std::vector<size_t>{1024});

  // A wrong answer is the identification mismatch.
  ScriptedDriver wrong;
  wrong.driver.Settings() = settings;
  wrong.stream->replies = {{0, "OTHER\n"}};
  EXPECT_EQ(wrong.driver.CheckDevice(0), 0x30000096u);
  EXPECT_EQ(wrong.driver.GetReceivedIdentification(), "OTHER");

  // An answer cut short by the time-out is still compared; no answer at all
  // fails, also with an empty "ReturnedID" (which accepts any answer that arrived).
  const struct {
    std::string returnedID, reply;
    Status read, expected;
  } heard[] = {
      {"ACME", "ACME,SW", 0x3000012E, 0},
      {"", "\r\n", 0, 0},
      {"ACME", "", 0x3000012E, 0x30000097},
      {"", "", 0x3000012E, 0x30000097},
  };
  for (const auto& h : heard) {
    ScriptedDriver silent;
    silent.driver.Settings() = settings;
    silent.driver.Settings().returnedID = h.returnedID;
    silent.stream->replies = {{h.read, h.reply}};
    const Status status = silent.driver.CheckDevice(0);
    EXPECT_EQ(status, h.expected) << h.returnedID << " / " << h.reply;
    char text[256] = "";
    uint32_t count = 0;
    silent.driver.GetErrorString(0, status, text, sizeof text, &count);
    if (status) {
      EXPECT_STREQ(text, "Nothing answered the identification query (\"ID?\") within the time-out: the device "
                         "is silent, switched off or not connected.");
    }
  }

  // CheckDevice closed the stream; the next operation would open the selected transport anew.
  EXPECT_FALSE(s.driver.IsConnected());
  s.driver.SetEmbeddedStream(std::make_shared<DeviceStreamBaseDecorator>(s.stream));
  s.driver.Connect(0, nullptr, s.driver.User());
  s.stream->calls.clear();
  ASSERT_EQ(s.driver.DeInitDevice(0), 0u);
  EXPECT_EQ(s.stream->calls, (Calls{"Lock", "Write:BYE", "Unlock", "Disconnect"}));

  // A lock that is not obtained ends the operation before anything is written.
  ScriptedDriver busy;
  busy.driver.Settings().init = "INIT";
  busy.stream->lockStatus = 0x300001A1;
  EXPECT_EQ(busy.driver.InitDevice(0), 0x300001A1u);
  EXPECT_EQ(busy.stream->calls, Calls{"Lock"});
}

TEST(ConfigurableDeviceDriver, ReadsUntilTheAnswerMatchesAndReadsOnWhileFullBlocksArrive) {
  const std::string block(1024, 'a');
  struct Case {
    std::deque<ScriptedStream::Reply> replies;
    std::string pattern;
    Status status;
    size_t length;
    size_t reads;
  } cases[] = {
      {{{0, "par"}, {0x3000012E, "tial\n"}, {0, "late"}}, "partial", 0, 8, 2},
      {{{0, "VAL=+1.5E+00\n"}}, "VAL=[-+0-9.E]+", 0, 13, 1},
      {{{0, "anything"}}, ".*", 0, 8, 1},
      {{{0, block}, {0, block}, {0, block}, {0, "END"}, {0, "more"}}, "a", 0, 3075, 4},
      // Full blocks are read on until the text reaches 50001 characters.
      {std::deque<ScriptedStream::Reply>(60, {0, block}), "a", 0, 49 * 1024, 49},
      {{{0, "x"}, {0x300002D5, "y"}}, "z", 0x300002D5, 1, 2},
  };
  for (const Case& c : cases) {
    ScriptedDriver s;
    s.stream->replies = c.replies;
    std::string text = "stale";
    EXPECT_EQ(s.driver.ReadUntilPattern(text, c.pattern), c.status) << c.pattern;
    EXPECT_EQ(text.size(), c.length) << c.pattern;
    EXPECT_EQ(s.stream->Reads(), c.reads) << c.pattern;
    for (size_t count : s.stream->readCounts) EXPECT_EQ(count, 1024u);
  }

  // An answer that never matches fails once the stream's time-out has passed.
  ScriptedDriver silent;
  silent.driver.SetTimeout(0, 0.05);
  silent.stream->replies = {{0, "noise"}};
  std::string text;
  EXPECT_EQ(silent.driver.ReadUntilPattern(text, "^OK$"), 0x30002262u);
  EXPECT_EQ(text, "noise");
  EXPECT_GE(silent.stream->Reads(), 2u);
}

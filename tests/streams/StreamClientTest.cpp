// The client stack and the stream core: a client without a stream,
// decorators, sharing one stream between drivers, the connection order, the
// SCPI queries and the named lock between drivers.
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "streams/DeviceStreamAutoLockingDecorator.h"
#include "streams/DeviceStreamTypeRegistry.h"
#include "streams/ScriptedStream.h"
#include "streams/StreamTestSupport.h"
#include "streams/TestConfiguration.h"
#include "support/MessageBoxRecorder.h"

namespace {
// Streams of the invented transport "Scripted", created through the registry.
std::vector<std::weak_ptr<ScriptedStream>>& CreatedStreams() {
  static std::vector<std::weak_ptr<ScriptedStream>> streams;
  return streams;
}

[[maybe_unused]] const bool registered =
    DeviceStreamTypeRegistry::RegisterConfiguration("Scripted", [] { return std::make_shared<TestConfiguration>("Scripted"); }) &&
    DeviceStreamTypeRegistry::RegisterStream("Scripted", [] {
      auto stream = std::make_shared<ScriptedStream>();
      CreatedStreams().push_back(stream);
      return stream;
    });

std::shared_ptr<TestConfiguration> OfferScripted(DeviceStreamClientWithStream& client, const std::string& id) {
  auto configuration = std::make_shared<TestConfiguration>("Scripted");
  configuration->id = id;
  client.Manager().AddStreamConfiguration("Scripted", configuration);
  client.Manager().SetDefaultTypeName("Scripted");
  return configuration;
}

// A client that records the order of its hooks.
class HookedClient : public DeviceStreamClientWithStream {
public:
  std::vector<std::string> hooks;
  Status PredefineStreamConfiguration(uint32_t c) override {
    hooks.push_back("Predefine");
    return DeviceStreamClientWithStream::PredefineStreamConfiguration(c);
  }
  Status AfterStreamConnectConfiguration(uint32_t) override {
    hooks.push_back("AfterConnect:" + std::string(IsConnected() ? "connected" : "not connected"));
    return afterConnectStatus;
  }
  Status DefaultStreamConfiguration(uint32_t) override {
    hooks.push_back("Default");
    return 0;
  }
  Status afterConnectStatus = 0;
};

TEST(StreamClient, ErrorTextsOfTheManagerConfigurationAndStream) {
  DeviceStreamClientWithStream client;
  auto configuration = OfferScripted(client, "texts");
  const std::pair<Status, std::string> cases[] = {
      {0x30001F40, "Can not create requested device stream."},
      {0x30001F42, "Device stream is not locked."},
      {0x30001F43, "Requested device stream not created."},
      {0x30001F44, "Invalid Configuration object created."},
      {0x30001F46, "Could not set value in device"},
      {0x30009999, "own text of the configuration"},
      {0x30001F45, ""},
  };
  for (const auto& [code, text] : cases) {
    std::string got;
    client.GetErrorString(0, code, got);
    EXPECT_EQ(got, text) << std::hex << code;
  }
}

TEST(StreamClient, DecoratorsForwardAndTheAutoLockingOneLocksEachTransfer) {
  auto scripted = std::make_shared<ScriptedStream>();
  scripted->replies = {{0, "R1"}, {0, "R2"}};
  DeviceStreamBaseDecorator plain(scripted);
  std::string answer;
  EXPECT_EQ(plain.Write(0, "W1", true), 0u);
  EXPECT_EQ(plain.Read(0, answer, 5), 0u);
  EXPECT_EQ(answer, "R1");
  EXPECT_EQ(plain.SetTimeout(0, 3.5), 0u);
  EXPECT_DOUBLE_EQ(scripted->GetTimeout(0), 3.5);
  EXPECT_EQ(plain.SetSendTermination(0, "\r", false), 0u);
  EXPECT_EQ(scripted->GetStreamSettings().sendTermination, "\r");
  EXPECT_FALSE(scripted->GetStreamSettings().sendTerminationEnabled);
  EXPECT_EQ(scripted->calls, (std::vector<std::string>{"Write:W1+OPC", "Read"}));
  EXPECT_FALSE(scripted->lockedDuringIo);

  scripted->calls.clear();
  DeviceStreamAutoLockingDecorator locking(scripted);
  EXPECT_EQ(locking.Write(0, "W2", false), 0u);
  EXPECT_EQ(locking.Read(0, answer, 5), 0u);
  EXPECT_EQ(answer, "R2");
  EXPECT_EQ(scripted->calls,
            (std::vector<std::string>{"Lock", "Write:W2", "Unlock", "Lock", "Read", "Unlock"}));
  scripted->lockStatus = Mutex::kTimedOut;
  scripted->calls.clear();
  EXPECT_EQ(locking.Write(0, "W3", false), Mutex::kTimedOut);
  EXPECT_EQ(scripted->calls, (std::vector<std::string>{"Lock"}));

  DeviceStreamBaseDecorator empty;
  EXPECT_EQ(empty.Write(0, "W", false), streamstatus::kNoStream);
  EXPECT_FALSE(empty.IsConnected());
}

TEST(StreamClient, ConnectRunsTheHooksAroundTheConnectionAndHandsOverTheSettings) {
  HookedClient client;
  auto configuration = OfferScripted(client, "hooks");
  DeviceStreamSettings preset = client.GetStreamSettings();
  preset.receiveTermination = "\r";
  preset.timeoutSeconds = 0.25;
  client.SetStreamSettings(preset);

  ASSERT_EQ(client.ConnectStream(0, true), 0u);
  EXPECT_EQ(client.hooks, (std::vector<std::string>{"Predefine", "AfterConnect:connected"}));
  auto transport = std::dynamic_pointer_cast<ScriptedStream>(client.TransportStream());
  ASSERT_TRUE(transport);
  EXPECT_EQ(transport->GetStreamSettings().receiveTermination, "\r");
  EXPECT_DOUBLE_EQ(transport->GetTimeout(0), 0.25);
  EXPECT_TRUE(transport->HasUser(client.User()));
  EXPECT_EQ(client.GetSelectedStreamID(), "TEST:hooks");

  // Disconnected, the client keeps its settings for the next connection.
  EXPECT_EQ(client.DisconnectStream(0), 0u);
  EXPECT_FALSE(transport->IsConnected());
  EXPECT_EQ(client.GetStreamSettings().receiveTermination, "\r");

  HookedClient failing;
  OfferScripted(failing, "failing");
  failing.afterConnectStatus = 0x30001F46;
  EXPECT_EQ(failing.ConnectStream(0, true), 0x30001F46u);
}

TEST(StreamClient, StreamsAreFoundOrCreatedAsAllowedAndWithoutOneEveryOperationSaysSo) {
  DeviceStreamClientWithStream client;
  OfferScripted(client, "not-created");
  EXPECT_EQ(client.ConnectStream(0, false), streamstatus::kStreamNotCreated);

  DeviceStreamClientWithStream unknown;
  unknown.Manager().AddStreamConfiguration("NoSuchTransport", std::make_shared<TestConfiguration>("NoSuchTransport"));
  unknown.Manager().SetSelectedTypeName("NoSuchTransport");
  EXPECT_EQ(unknown.ConnectStream(0, true), streamstatus::kCannotCreateStream);
  EXPECT_EQ(unknown.Manager().AddStreamConfiguration("NoSuchTransport"), streamstatus::kInvalidConfiguration);

  // Without any configuration every operation says there is no stream.
  MessageBoxRecorder boxes;
  DeviceStreamClientWithStream none;
  std::string answer = "x";
  EXPECT_EQ(none.Write(0, "A", false), streamstatus::kNoStream);
  EXPECT_EQ(none.Read(0, answer, 10), streamstatus::kNoStream);
  EXPECT_EQ(none.Lock(0, 1.0), streamstatus::kNoStream);
  EXPECT_EQ(none.ClearInputBuffers(0), streamstatus::kNoStream);
  EXPECT_EQ(none.SetTimeout(0, 2.0), streamstatus::kNoStream);
  EXPECT_EQ(none.WriteRead(0, "A?", answer, 10, 3), streamstatus::kNoStream);
  EXPECT_FALSE(none.IsConnected());
  EXPECT_FALSE(none.IsReady());
  EXPECT_EQ(none.Disconnect(0, none.User()), 0u);
  EXPECT_EQ(none.DisconnectStream(0), 0u);
  EXPECT_EQ(none.GetSelectedStreamID(), "");
  EXPECT_EQ(none.ConnectStream(0, true), streamstatus::kStreamNotCreated);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text.rfind("Message:      There is no Device Stream Configuration.\n\nFunction:   ", 0), 0u)
      << boxes.boxes[0].text;
}

TEST(StreamClient, TwoDriversShareOneStreamUntilTheLastLeaves) {
  DeviceStreamClientWithStream first, second, elsewhere;
  OfferScripted(first, "shared");
  OfferScripted(second, "shared");
  OfferScripted(elsewhere, "other");
  ASSERT_EQ(first.ConnectStream(0, true), 0u);
  ASSERT_EQ(second.ConnectStream(0, true), 0u);
  ASSERT_EQ(elsewhere.ConnectStream(0, true), 0u);
  DeviceStreamPtr transport = first.TransportStream();
  EXPECT_EQ(second.TransportStream(), transport);
  EXPECT_NE(elsewhere.TransportStream(), transport);
  EXPECT_EQ(transport->UserCount(), 2u);
  EXPECT_FALSE(first.IsReady());

  ASSERT_EQ(first.DisconnectStream(0), 0u);
  EXPECT_TRUE(second.IsConnected());
  EXPECT_TRUE(second.IsReady());
  EXPECT_EQ(transport->UserCount(), 1u);
  ASSERT_EQ(second.DisconnectStream(0), 0u);
  EXPECT_FALSE(transport->IsConnected());
  EXPECT_EQ(transport->UserCount(), 0u);

  // Once nobody holds it, the stream ends; the next connection makes a new one.
  std::weak_ptr<DeviceStream> gone = transport;
  transport.reset();
  EXPECT_TRUE(gone.expired());
  ASSERT_EQ(first.ConnectStream(0, true), 0u);
  EXPECT_TRUE(first.IsConnected());
}

TEST(StreamClient, ScpiQueriesAndTheStatusByte) {
  auto scripted = std::make_shared<ScriptedStream>();
  DeviceStreamClientWithStream client;
  client.SetEmbeddedStream(std::make_shared<DeviceStreamBaseDecorator>(scripted));
  std::string answer;
  scripted->replies = {{0, "0,\"No error\"\n"}};
  EXPECT_EQ(client.QuerySystemError(0, answer), 0u);
  EXPECT_EQ(answer, "0,\"No error\"\n");
  scripted->replies = {{0, "16\n"}};
  EXPECT_EQ(client.QueryEventStatusRegister(0, answer), 0u);
  client.SetStatusPrefix("*CLS");
  scripted->replies = {{0, "4\n"}};
  EXPECT_EQ(client.QueryStatusByte(0, answer), 0u);
  EXPECT_EQ(scripted->calls, (std::vector<std::string>{"Lock", "Clear", "Write:SYST:ERR?", "Read", "Unlock",
                                                       "Lock", "Clear", "Write:*ESR?", "Read", "Unlock",
                                                       "Lock", "Clear", "Write:*CLS;*STB?", "Read", "Unlock"}));
  EXPECT_EQ(scripted->readCounts, (std::vector<size_t>{500, 10, 10}));
  client.SetStatusPrefix("");

  struct Case {
    std::string answer;
    bool valid;
    uint8_t value;
    bool errorWaiting;
  };
  const Case cases[] = {{"4\n", true, 4, true},     {"36\r\n", true, 36, true}, {"32", true, 32, false},
                        {"255\n", true, 255, true}, {"256\n", false, 0, false}, {"-1\n", false, 0, false},
                        {"abc\n", false, 0, false}, {"", false, 0, false},      {"12x\n", false, 0, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.answer);
    scripted->replies = {{0, c.answer}};
    uint8_t value = 99;
    bool valid = true;
    EXPECT_EQ(client.GetStatusByteValue(0, value, valid), 0u);
    EXPECT_EQ(valid, c.valid);
    EXPECT_EQ(value, c.value);
    scripted->replies = {{0, c.answer}};
    bool waiting = !c.errorWaiting;
    EXPECT_EQ(client.CheckErrorQueue(0, waiting), 0u);
    EXPECT_EQ(waiting, c.errorWaiting);
  }
}

// A stream whose lock is the real named lock.
class LockingStream : public DeviceStream {
public:
  explicit LockingStream(const std::string& id) { SetLockName(id); }
};

TEST(StreamClient, ASecondDriverWaitsForTheLockAndGivesUpAfterItsTimeout) {
  const std::string id = "TEST:lock-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                         std::to_string(reinterpret_cast<uintptr_t>(&id));
  StreamLockCleanup cleanup(id);
  LockingStream first(id), second(id);
  EXPECT_EQ(first.GetLockName(), Mutex::StreamLockName(wxString::FromUTF8(id).ToStdWstring()));

  std::mutex lock;
  std::condition_variable changed;
  int stage = 0;
  std::thread holder([&] {
    EXPECT_EQ(first.Lock(0, 1.0), 0u);
    {
      std::lock_guard guard(lock);
      stage = 1;
    }
    changed.notify_all();
    std::unique_lock wait(lock);
    changed.wait(wait, [&] { return stage == 2; });
    first.Unlock(0);
  });
  {
    std::unique_lock wait(lock);
    changed.wait(wait, [&] { return stage == 1; });
  }
  std::string answer;
  second.SetTimeout(0, 0.05);
  EXPECT_EQ(second.Lock(0, 0.05), Mutex::kTimedOut);
  EXPECT_EQ(second.WriteRead(0, "X?", answer, 10, 1), Mutex::kTimedOut);
  {
    std::lock_guard guard(lock);
    stage = 2;
  }
  changed.notify_all();
  holder.join();
  EXPECT_EQ(second.Lock(0, 1.0), 0u);
  EXPECT_EQ(second.Lock(0, 1.0), 0u);  // the holder may take it again
  EXPECT_EQ(second.Unlock(0), 0u);
  EXPECT_EQ(second.Unlock(0), 0u);
}

TEST(StreamClient, AWrongConfigurationObjectIsAssertedAndTheCallGoesOn) {
  MessageBoxRecorder boxes;
  LockingStream stream("TEST:assert");
  StreamLockCleanup cleanup("TEST:assert");
  auto configuration = std::make_shared<TestConfiguration>("Scripted");
  EXPECT_TRUE(stream.VerifyCorrectConfigurationObject(configuration, "TEST:1"));
  EXPECT_TRUE(boxes.boxes.empty());
  EXPECT_FALSE(stream.VerifyCorrectConfigurationObject(nullptr, ""));
  EXPECT_FALSE(stream.VerifyCorrectConfigurationObject(configuration, "TEST:2"));
  std::vector<std::string> messages;
  for (const ShownBox& box : boxes.boxes) {
    const size_t end = box.text.find("\n\nFunction:   ");
    ASSERT_NE(end, std::string::npos) << box.text;
    messages.push_back(box.text.substr(0, end));
  }
  EXPECT_EQ(messages, (std::vector<std::string>{"Message:      configObject = NULL",
                                                "Message:      objectIDDescription.empty()",
                                                "Message:      configObject->GetIDString() != objectIDDescription"}));
}
}  // namespace

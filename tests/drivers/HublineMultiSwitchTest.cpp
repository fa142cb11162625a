// The multi-switch board without a unit: how it passes every operation on to
// its cards (order, first error, all cards still switched) and how it stores
// its cards in one INI file.
#include "drivers/hubline/HublineMultiSwitch.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "drivers/hubline/HublineSwitch.h"
#include "drivers/hubline/HublineSwitch6Point.h"
#include "framework/HostEvents.h"
#include "interface/DeviceTypeRegistry.h"
#include "settings/IniDocument.h"
#include "support/TestFiles.h"

namespace {
// A relay card that writes each call into a shared journal and fails the
// operations it is told to fail.
class JournalCard : public HublineSwitch {
public:
  JournalCard(std::string name, std::vector<std::string>& journal)
      : HublineSwitch("TQS2PA", 2, true), name_(std::move(name)), journal_(journal) {}

  std::map<std::string, Status> failures;

  Status CheckDevice(HostWindow) override { return Call("Check"); }
  Status InitDevice(HostWindow) override { return Call("Init"); }
  Status DeInitDevice(HostWindow) override { return Call("DeInit"); }
  Status SetRelays(int state) override { return Call("SetRelays" + std::to_string(state)); }
  Status AliveCheck() override { return Call("Alive"); }

private:
  Status Call(const std::string& operation) {
    journal_.push_back(name_ + "." + operation);
    auto failure = failures.find(operation);
    return failure == failures.end() ? 0 : failure->second;
  }
  std::string name_;
  std::vector<std::string>& journal_;
};

struct Board {
  HublineMultiSwitch board;
  std::vector<std::string> journal;
  std::vector<JournalCard*> cards;

  explicit Board(int count) {
    for (int i = 0; i < count; ++i) {
      auto card = std::make_unique<JournalCard>(std::string(1, static_cast<char>('a' + i)), journal);
      cards.push_back(card.get());
      board.AddCard(std::move(card));
    }
  }
  std::vector<std::string> Take() { return std::exchange(journal, {}); }
};

uint32_t Event(HublineMultiSwitch& board, uint32_t event) {
  const double value = 0;
  return board.HandleEvent(0, &event, &value);
}

using Journal = std::vector<std::string>;
}  // namespace

TEST(HublineMultiSwitch, PassesEveryOperationToEachCardAndReportsTheFirstError) {
  Board b(3);
  EXPECT_EQ(b.board.CheckDevice(0), 0u);
  EXPECT_EQ(b.Take(), (Journal{"a.Check", "b.Check", "c.Check"}));

  // Identification stops at the first card that fails.
  b.cards[1]->failures["Check"] = 0x30000FBA;
  EXPECT_EQ(b.board.CheckDevice(0), 0x30000FBAu);
  EXPECT_EQ(b.Take(), (Journal{"a.Check", "b.Check"}));

  // Everything else reaches every card; the first failure in list order is the result.
  b.cards[1]->failures = {{"Init", 0x300000CE}, {"DeInit", 0x30001F41}, {"SetRelays0", 0x30003A98 + 17},
                          {"SetRelays1", 0x30003A98 + 102}, {"Alive", 0x30000FBA}};
  b.cards[2]->failures = {{"Init", 0x30000FC7}, {"SetRelays0", 0x30003A98 + 5}, {"Alive", 0x3000012E}};
  struct Case {
    const char* what;
    std::function<uint32_t()> call;
    uint32_t status;
    Journal journal;
  } cases[] = {
      {"init", [&] { return b.board.InitDevice(0); }, 0x300000CE, {"a.Init", "b.Init", "c.Init"}},
      {"event 3", [&] { return Event(b.board, SWM_EVENT_InitialisationStarted); }, 0x30003A98 + 17,
       {"a.SetRelays0", "b.SetRelays0", "c.SetRelays0"}},
      {"event 2", [&] { return Event(b.board, SWM_EVENT_TestStopped); }, 0x30003A98 + 102,
       {"a.SetRelays1", "b.SetRelays1", "c.SetRelays1"}},
      {"event 1", [&] { return Event(b.board, SWM_EVENT_TestStarted); }, 0, {}},
      {"deinit", [&] { return b.board.DeInitDevice(0); }, 0x30001F41, {"a.DeInit", "b.DeInit", "c.DeInit"}},
  };
  for (Case& c : cases) {
    EXPECT_EQ(c.call(), c.status) << c.what;
    EXPECT_EQ(b.Take(), c.journal) << c.what;
  }

  // The interlock request asks every card; it is closed only when all are alive.
  uint32_t request = SWM_REQUEST_InterlockClosed, answer = 7;
  EXPECT_EQ(b.board.HandleRequest(0, &request, &answer), 0x30000FBAu);
  EXPECT_EQ(answer, 0u);
  EXPECT_EQ(b.Take(), (Journal{"a.Alive", "b.Alive", "c.Alive"}));
  b.cards[1]->failures.clear();
  b.cards[2]->failures.clear();
  answer = 7;
  EXPECT_EQ(b.board.HandleRequest(0, &request, &answer), 0u);
  EXPECT_EQ(answer, 1u);
  EXPECT_EQ(b.Take(), (Journal{"a.Alive", "b.Alive", "c.Alive"}));
  // Other requests get the switch matrix's answer and reach no card.
  request = SWM_REQUEST_DwellTimeStartOk;
  answer = 7;
  EXPECT_EQ(b.board.HandleRequest(0, &request, &answer), 0u);
  EXPECT_EQ(answer, 1u);
  EXPECT_EQ(b.Take(), Journal{});

  // A status text comes from the cards (the Hubline texts), without cards from the base.
  char text[200];
  uint32_t read = 0;
  EXPECT_EQ(b.board.GetErrorString(0, 0x30000FBA, text, sizeof text, &read), 0u);
  EXPECT_EQ(std::string(text, read), "Hubline did not return a response.");
  HublineMultiSwitch empty;
  EXPECT_EQ(empty.GetErrorString(0, 0x30000FBA, text, sizeof text, &read), 0u);
  EXPECT_EQ(read, 0u);
  EXPECT_EQ(Event(empty, SWM_EVENT_InitialisationStarted), 0u);
}

TEST(HublineMultiSwitch, CreatesCardsByTheirStoredType) {
  struct Case {
    const char* type;
    const char* model;  // empty: skipped
    int count;
  } cases[] = {{"TQS2PA", "TQS2PA", 2}, {"TQS4PA", "TQS4PA", 4}, {"TQS6PA", "TQS6PA", 2},
               {"xTQS2PB", "TQS2PA", 2}, {"TQS4P", "TQS4PA", 4}, {"", "", 0},
               {"TQS1PA", "", 0},        {"tqs2pa", "", 0},      {"HUBLINE2PORT", "", 0}};
  for (const Case& c : cases) {
    HublineMultiSwitch::Card card = HublineMultiSwitch::CreateCard(c.type);
    if (!*c.model) {
      EXPECT_EQ(card, nullptr) << c.type;
      continue;
    }
    ASSERT_NE(card, nullptr) << c.type;
    EXPECT_EQ(card->ModelName(), c.model) << c.type;
    EXPECT_EQ(card->Count(), c.count) << c.type;
    EXPECT_TRUE(card->ExternalBoxesSupported()) << c.type;
    EXPECT_EQ(card->GetExpectedResponse(), c.model) << c.type;
    EXPECT_EQ(dynamic_cast<HublineSwitch6Point*>(card.get()) != nullptr, std::string(c.model) == "TQS6PA");
  }
  // The registry creates the board for its key.
  const DeviceTypeEntry* entry = FindDeviceType("HUBLINEMULTISWITCH");
  ASSERT_NE(entry, nullptr);
  ASSERT_NE(entry->create, nullptr);
  std::unique_ptr<DeviceDriverBase> driver(entry->create());
  auto* board = dynamic_cast<HublineMultiSwitch*>(driver.get());
  ASSERT_NE(board, nullptr);
  EXPECT_TRUE(board->Cards().empty());
}

TEST(HublineMultiSwitch, LoadsTheCardsOfKnownTypesUpToTheCount) {
  TestDirectory dir;
  const std::string path = dir.File("board.ini");
  {
    std::ofstream(path) << "[MultiSwitch]\nCount=5\n"
                        << "[MultiSwitch.Relais0]\nDeviceType=TQS4PA\n"
                        << "[MultiSwitch.Relais0.Common]\nDeviceID=5\nCentreType=0\n"
                        << "[MultiSwitch.Relais0.HublineSwitch]\nRelais1Start=2\nRelais4Stop=1\nRelais6Start=1\n"
                        << "[MultiSwitch.Relais1]\nDeviceType=\n"
                        << "[MultiSwitch.Relais2]\nDeviceType=TQS9PX\n"
                        << "[MultiSwitch.Relais3]\nDeviceType=TQS2PA\n"
                        << "[MultiSwitch.Relais3.Common]\nDeviceID=2\n"
                        << "[MultiSwitch.Relais3.HublineSwitch]\nRelais2Stop=2\n"
                        << "[MultiSwitch.Relais4]\nDeviceType=TQS6PA\n"
                        << "[MultiSwitch.Relais4.Common]\nDeviceID=7\n"
                        << "[MultiSwitch.Relais4.HublineSwitch6Point]\nRelais2Start=5\n"
                        << "[MultiSwitch.Relais5]\nDeviceType=TQS2PA\n";  // beyond Count: ignored
  }
  HublineMultiSwitch board;
  ASSERT_EQ(board.LoadConfiguration(0, path.c_str()), 0u);
  ASSERT_EQ(board.Cards().size(), 3u);
  auto* first = dynamic_cast<HublineSwitch*>(board.Cards()[0].get());
  auto* second = dynamic_cast<HublineSwitch*>(board.Cards()[1].get());
  auto* third = dynamic_cast<HublineSwitch6Point*>(board.Cards()[2].get());
  ASSERT_TRUE(first && second && third);
  EXPECT_EQ(first->Count(), 4);
  EXPECT_EQ(first->DeviceID(), "5");
  EXPECT_EQ(first->internal[0][0], RelaisNormallyClosed);
  EXPECT_EQ(second->Count(), 2);
  EXPECT_EQ(third->DeviceID(), "7");
  // What the board saves, and that it switches the same after loading it
  // again, is checked end to end (tests/e2e/HublineMultiSwitchTest.cpp).
}

TEST(HublineMultiSwitch, TheDocumentedExampleIsTheLayoutTheBoardWrites) {
  // The ```ini block under the board's heading in docs/configuration.md.
  std::ifstream doc(std::string(SWM_SOURCE_DIR) + "/docs/configuration.md");
  ASSERT_TRUE(doc.good());
  std::string line, example;
  bool inSection = false, inBlock = false;
  while (std::getline(doc, line)) {
    if (line.starts_with("### ")) inSection = line == "### HUBLINEMULTISWITCH";
    if (!inSection) continue;
    if (line == "```ini") {
      inBlock = true;
    } else if (inBlock && line == "```") {
      break;
    } else if (inBlock) {
      example += line + "\n";
    }
  }
  ASSERT_FALSE(example.empty());

  TestDirectory dir;
  const std::string path = dir.File("example.ini");
  std::ofstream(path) << example;
  HublineMultiSwitch board;
  ASSERT_EQ(board.LoadConfiguration(0, path.c_str()), 0u);
  ASSERT_EQ(board.Cards().size(), 2u);
  EXPECT_EQ(board.Cards()[0]->ModelName(), "TQS2PA");
  EXPECT_EQ(board.Cards()[0]->DeviceID(), "2");
  EXPECT_EQ(board.Cards()[1]->ModelName(), "TQS6PA");
  EXPECT_EQ(board.Cards()[1]->DeviceID(), "5");
  for (const HublineMultiSwitch::Card& card : board.Cards())
    EXPECT_EQ(card->Manager().GetSelectedTypeName(), "TCPIP");

  // Saved into an empty file, every key of the example comes back with its value.
  const std::string saved = dir.File("saved.ini");
  ASSERT_EQ(board.SaveConfiguration(0, saved.c_str()), 0u);
  const IniDocument in(example), out(ReadFile(saved));
  size_t keys = 0;
  for (const std::string& section : in.SectionNames())
    for (const std::string& key : in.KeyNames(section)) {
      ++keys;
      const auto written = out.Find(section, key);
      ASSERT_TRUE(written.has_value()) << section << " " << key;
      EXPECT_EQ(*written, *in.Find(section, key)) << section << " " << key;
    }
  EXPECT_EQ(keys, 15u);
}

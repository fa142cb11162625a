// The Hubline cards without a unit: the switch count and box support of every
// card key, the relay commands of each set in their order, which answers end
// a set, the nested configuration tables and the texts the dialogs offer.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "drivers/hubline/HublineExternalSwitch.h"
#include "drivers/hubline/HublineSwitch6Point.h"
#include "drivers/hubline/HublineSwitch6PointExternal.h"
#include "interface/DeviceTypeRegistry.h"
#include "support/TestFiles.h"

namespace {
// A card that records the commands it would send and answers each with a scripted status.
template <class Card>
class Recording : public Card {
public:
  using Card::Card;
  Status SendCommand(const std::string& command, std::string& reply, uint32_t attempts) override {
    EXPECT_EQ(attempts, 3u) << command;
    sent.push_back(command);
    reply = "OK";
    const auto found = statuses.find(command);
    return found == statuses.end() ? 0 : found->second;
  }
  std::vector<std::string> sent;
  std::map<std::string, Status> statuses;
};

constexpr Status kDeviceError17 = 0x30003A98 + 17;
constexpr Status kReadTimedOut = 0x3000012E;
}  // namespace

// The identification and the class of each key are pinned by the documented
// configuration tables and the public key list; what only the constructor
// arguments decide is the number of switches and whether boxes can be added.
TEST(HublineCards, EveryCardKeyHasItsSwitchCountAndBoxSupport) {
  struct Card {
    const char* key;
    int switches;
    bool boxes;
  };
  const Card cards[] = {
      {"HUBLINE2PORT", 2, true},         {"HUBLINE2PORTEXT", 2, true},      {"HUBLINE4PORT", 4, true},
      {"HUBLINE4PORTEXT", 4, true},      {"HUBLINE6PORT", 2, true},         {"ETSEMSWITCH7001-001", 2, false},
      {"ETSEMSWITCH7001-002", 4, false}, {"ETSEMSWITCH7001-003", 2, false}, {"ETSEMSWITCH7001-004", 2, false},
      {"ETSEMSWITCH7001-005", 1, false}, {"ETSEMSWITCH7001-011", 2, false}, {"ETSEMSWITCH7001-012", 4, false},
      {"ETSEMSWITCH7001-013", 2, false}, {"ETSEMSWITCH7001-015", 1, false}, {"ETSEMSWITCH7001-021", 1, false},
      {"ETSEMSWITCH7001-022", 1, false}, {"ETSEMSWITCH7001-026", 2, false}, {"ETSEMSWITCH7001-027", 4, false},
      {"ZEVOTQS2002A", 2, true},         {"ZEVOTQS4004A", 4, true},         {"ZEVOTQS6002A", 2, true},
      {"ZEVOTQS1001A", 1, false},        {"ZEVOTQS2011A", 2, false},        {"ZEVOTQS4012A", 4, false},
      {"ZEVOTQS6013A", 2, false},        {"ZEVOTQS6015A", 1, false},        {"ZEVOTQS6004E", 2, false},
      {"ZEVOTQS2001E", 2, false},        {"ZEVOTQS4002E", 4, false},        {"ZEVOTQS2021B", 1, false},
  };
  for (const Card& card : cards) {
    // Each stand-alone switch has a second key under the present company name, made alike.
    std::vector<std::string> keys = {card.key};
    if (std::string_view(card.key).starts_with("ZEVO")) keys.push_back("KOVALEX" + std::string(card.key + 4));
    for (const std::string& key : keys) {
      std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver(key);
      auto* hubline = dynamic_cast<HublineSwitchBase*>(driver.get());
      ASSERT_NE(hubline, nullptr) << key;
      EXPECT_EQ(hubline->Count(), card.switches) << key;
      EXPECT_EQ(hubline->ExternalBoxesSupported(), card.boxes) << key;
    }
  }
}

TEST(HublineExternalSwitch, SendsRelaysThenBoxSwitchesAndStopsAtTheFirstFailure) {
  Recording<HublineExternalSwitch> card("TQS4P", 4, true);
  card.internal[0] = {RelaisNormallyOpen, RelaisNormallyClosed, RelaisDoNotChange, static_cast<RelaisSettings>(5)};
  card.internal[1] = {RelaisDoNotChange, RelaisDoNotChange, RelaisNormallyOpen, RelaisDoNotChange};
  card.boxes.positions[1][0][2] = hublineexternalswitch::Position4;  // box 2, switch 3
  card.boxes.positions[0][0][0] = hublineexternalswitch::Position6;  // box 1, switch 1
  card.boxes.positions[3][1][3] = hublineexternalswitch::Position1;  // box 4, switch 4

  EXPECT_EQ(card.SetRelays(HublineSwitchBase::kDuring), 0u);
  EXPECT_EQ(card.sent, (std::vector<std::string>{"INT_RELAY_A_NO\n", "INT_RELAY_B_NC\n", "INT_RELAY_D_NC\n",
                                                  "N11RELAY_1_6\n", "N12RELAY_3_4\n"}));
  card.sent.clear();
  EXPECT_EQ(card.SetRelays(HublineSwitchBase::kAfter), 0u);
  EXPECT_EQ(card.sent, (std::vector<std::string>{"INT_RELAY_C_NO\n", "N14RELAY_4_1\n"}));
  card.sent.clear();
  EXPECT_EQ(card.SetRelays(2), 0u);
  EXPECT_TRUE(card.sent.empty());

  // A read that timed out counts as done; a device error ends the set.
  card.statuses = {{"INT_RELAY_A_NO\n", kReadTimedOut}, {"INT_RELAY_D_NC\n", kDeviceError17}};
  EXPECT_EQ(card.SetRelays(HublineSwitchBase::kDuring), kDeviceError17);
  EXPECT_EQ(card.sent, (std::vector<std::string>{"INT_RELAY_A_NO\n", "INT_RELAY_B_NC\n", "INT_RELAY_D_NC\n"}));
  card.sent.clear();
  card.statuses = {{"N11RELAY_1_6\n", 0x30000FA6}};
  EXPECT_EQ(card.SetRelays(HublineSwitchBase::kDuring), 0x30000FA6u);
  EXPECT_EQ(card.sent.back(), "N11RELAY_1_6\n");

  EXPECT_EQ(card.ModelName(), "TQS4PAExt");
  EXPECT_EQ(card.Count(), 4);
  EXPECT_EQ(card.AddressPrefix(), "S");
  EXPECT_EQ(card.ExternalChoiceTexts(), (std::vector<std::string>{"Do not change", "Position 1", "Position 2",
                                                                  "Position 3", "Position 4", "Position 5",
                                                                  "Position 6"}));
  EXPECT_EQ(card.InternalChoiceTexts(),
            (std::vector<std::string>{"Do not change", "Normally open", "Normally closed"}));
}

TEST(HublineSwitch6Point, SendsSwitchesUpToItsCountWithItsPrefixThenBoxes) {
  struct Case {
    const char* name;
    int count;
    bool boxes;
    bool external;
    std::vector<std::string> during;
  } cases[] = {
      {"two switches with boxes", 2, true, false, {"INT_RELAY_A_1\n", "INT_RELAY_B_5\n", "N13RELAY_2_3\n"}},
      {"one switch with boxes", 1, true, false, {"INT_RELAY_A_1\n", "N13RELAY_2_3\n"}},
      {"two switches without boxes", 2, false, false, {"INT_RELAY_A_1\n", "INT_RELAY_B_5\n"}},
      {"EXT prefix, one switch", 1, false, true, {"EXT_RELAY_A_1\n"}},
      {"EXT prefix, two switches", 2, true, true, {"EXT_RELAY_A_1\n", "EXT_RELAY_B_5\n", "N13RELAY_2_3\n"}},
  };
  for (const Case& c : cases) {
    std::unique_ptr<Recording<HublineSwitch6Point>> plain;
    std::unique_ptr<Recording<HublineSwitch6PointExternal>> external;
    HublineSwitch6Point* card = nullptr;
    std::vector<std::string>* sent = nullptr;
    if (c.external) {
      external = std::make_unique<Recording<HublineSwitch6PointExternal>>("TQS6004E", c.count, c.boxes);
      card = external.get();
      sent = &external->sent;
    } else {
      plain = std::make_unique<Recording<HublineSwitch6Point>>("TQS6PA", c.count, c.boxes);
      card = plain.get();
      sent = &plain->sent;
    }
    // Switch A keeps its default, "Output 1"; switch B goes to 5; box 3 switch 2 to 3.
    card->internal[0][1] = hublineswitch6point::Output5;
    card->internal[1] = {hublineswitch6point::OutputDoNotChange, hublineswitch6point::OutputDoNotChange};
    card->boxes.positions[2][0][1] = hublineswitch6point::ExternOutput3;
    EXPECT_EQ(card->SetRelays(HublineSwitchBase::kDuring), 0u) << c.name;
    EXPECT_EQ(*sent, c.during) << c.name;
    sent->clear();
    EXPECT_EQ(card->SetRelays(HublineSwitchBase::kAfter), 0u) << c.name;
    EXPECT_TRUE(sent->empty()) << c.name;
    EXPECT_EQ(card->ModelName(), "TQS6PA") << c.name;
    EXPECT_EQ(card->Count(), c.count) << c.name;
    EXPECT_EQ(card->AliveCheck(), 0u) << c.name;
  }
}

TEST(HublineSwitch6Point, AcceptsItsTwoSwitchAnswersAndStopsAtOtherFailures) {
  struct Case {
    Status first;
    Status result;
    size_t sent;
  } cases[] = {{0x30000FA6, 0, 3},     {0x30000FA7, 0, 3},
               {kReadTimedOut, 0, 3},  {kDeviceError17, kDeviceError17, 1},
               {0x30000FA8, 0x30000FA8, 1}};
  for (const Case& c : cases) {
    Recording<HublineSwitch6Point> card("TQS6PA", 2, true);
    card.boxes.positions[0][0][0] = hublineswitch6point::ExternOutput2;
    card.statuses = {{"INT_RELAY_A_1\n", c.first}};
    EXPECT_EQ(card.SetRelays(HublineSwitchBase::kDuring), c.result) << std::hex << c.first;
    EXPECT_EQ(card.sent.size(), c.sent) << std::hex << c.first;
  }
  // The box commands accept only a timed-out read.
  Recording<HublineSwitch6Point> card("TQS6PA", 1, true);
  card.boxes.positions[0][0][0] = hublineswitch6point::ExternOutput2;
  card.boxes.positions[0][0][1] = hublineswitch6point::ExternOutput4;
  card.statuses = {{"N11RELAY_1_2\n", 0x30000FA7}};
  EXPECT_EQ(card.SetRelays(HublineSwitchBase::kDuring), 0x30000FA7u);
  EXPECT_EQ(card.sent, (std::vector<std::string>{"INT_RELAY_A_1\n", "N11RELAY_1_2\n"}));

  EXPECT_EQ(card.InternalChoiceTexts(), (std::vector<std::string>{"Do not change", "Output 1", "Output 2",
                                                                  "Output 3", "Output 4", "Output 5", "Output 6"}));
  EXPECT_EQ(card.ExternalChoiceTexts(), card.InternalChoiceTexts());
  EXPECT_EQ(card.SwitchPrefix(), "INT");
}

TEST(HublineCards, ReadTheirNestedTablesAndKeepWhatIsMissing) {
  TestDirectory dir;
  const std::string path = dir.File("cards.ini");
  std::ofstream(path) << "[HublineExternalSwitch.Internal.2]\nStart=1\n"
                         "[HublineExternalSwitch.Internal.3]\nStop=2\n"
                         "[HublineExternalSwitch.External.Box1.2]\nStop=5\n"
                         "[HublineExternalSwitch.External.Box3.0]\nStart=6\n"
                         "[HublineSwitch6Point]\nRelais2Start=4\nRelais1Stop=0\n"
                         "[HublineSwitch6Point.External.Box0.3]\nStart=2\nStop=3\n";

  HublineExternalSwitch external("TQS4P", 4, true);
  ASSERT_EQ(external.LoadConfiguration(0, path.c_str()), 0u);
  EXPECT_EQ(external.internal[0], (std::array<RelaisSettings, 4>{RelaisDoNotChange, RelaisDoNotChange,
                                                                  RelaisNormallyOpen, RelaisDoNotChange}));
  EXPECT_EQ(external.internal[1][3], RelaisNormallyClosed);
  EXPECT_EQ(external.boxes.positions[1][1][2], hublineexternalswitch::Position5);
  EXPECT_EQ(external.boxes.positions[3][0][0], hublineexternalswitch::Position6);
  EXPECT_EQ(external.boxes.positions[0][0][0], hublineexternalswitch::PositionDoNotChange);

  HublineSwitch6Point withBoxes("TQS6PA", 2, true);
  HublineSwitch6Point withoutBoxes("TQS6PA", 2, false);
  for (HublineSwitch6Point* card : {&withBoxes, &withoutBoxes}) {
    ASSERT_EQ(card->LoadConfiguration(0, path.c_str()), 0u);
    // Missing keys keep the default "Output 1".
    EXPECT_EQ(card->internal[0][0], hublineswitch6point::Output1);
    EXPECT_EQ(card->internal[0][1], hublineswitch6point::Output4);
    EXPECT_EQ(card->internal[1][0], hublineswitch6point::OutputDoNotChange);
    EXPECT_EQ(card->internal[1][1], hublineswitch6point::Output1);
  }
  EXPECT_EQ(withBoxes.boxes.positions[0][0][3], hublineswitch6point::ExternOutput2);
  EXPECT_EQ(withBoxes.boxes.positions[0][1][3], hublineswitch6point::ExternOutput3);
  // A card without boxes neither reads nor writes the box tables.
  EXPECT_EQ(withoutBoxes.boxes.positions[0][0][3], hublineswitch6point::ExternOutputDoNotChange);
  const std::string saved = dir.File("saved.ini");
  ASSERT_EQ(withoutBoxes.SaveConfiguration(0, saved.c_str()), 0u);
  const std::string text = ReadFile(saved);
  EXPECT_NE(text.find("[HublineSwitch6Point]\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("External"), std::string::npos) << text;
}

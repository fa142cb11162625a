// Every type key of the Hubline switch family creates its card class with the
// identification, count and external-box support that the key stands for,
// and the registry's argument text says the same.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <regex>
#include <set>

#include "drivers/hubline/HublineExternalSwitch.h"
#include "drivers/hubline/HublineSwitch.h"
#include "drivers/hubline/HublineSwitch6Point.h"
#include "drivers/hubline/HublineSwitch6PointExternal.h"
#include "interface/DeviceTypeRegistry.h"

namespace {
enum class Kind { kSwitch, kExternal, k6Point, k6PointExternal };

struct Expected {
  Kind kind;
  const char* identification;
  int count;
  bool boxes;
};

const std::map<std::string, Expected>& ExpectedCards() {
  static const std::map<std::string, Expected> cards = {
      // The cards of a Hubline unit.
      {"HUBLINE2PORT", {Kind::kSwitch, "TQS2PA", 2, true}},
      {"HUBLINE2PORTEXT", {Kind::kExternal, "TQS2P", 2, true}},
      {"HUBLINE4PORT", {Kind::kSwitch, "TQS4PA", 4, true}},
      {"HUBLINE4PORTEXT", {Kind::kExternal, "TQS4P", 4, true}},
      {"HUBLINE6PORT", {Kind::k6Point, "TQS6PA", 2, true}},
      // The EMSwitch 7001 models.
      {"ETSEMSWITCH7001-001", {Kind::kSwitch, "(EMSwitch 7001-001|TQS2PA|TQS2002A)", 2, false}},
      {"ETSEMSWITCH7001-002", {Kind::kSwitch, "(EMSwitch 7001-002|TQS4PA|TQS4004A)", 4, false}},
      {"ETSEMSWITCH7001-003", {Kind::k6Point, "(EMSwitch 7001-003|TQS6PA|TQS6002A)", 2, false}},
      {"ETSEMSWITCH7001-004", {Kind::k6PointExternal, "(EMSwitch 7001-004|TQS6004E)", 2, false}},
      {"ETSEMSWITCH7001-005", {Kind::k6Point, "(EMSwitch 7001-005|TQS6PB)", 1, false}},
      {"ETSEMSWITCH7001-011", {Kind::kSwitch, "(EMSwitch 7001-011|TQS2011A)", 2, false}},
      {"ETSEMSWITCH7001-012", {Kind::kSwitch, "(EMSwitch 7001-012|TQS4012A)", 4, false}},
      {"ETSEMSWITCH7001-013", {Kind::k6Point, "(EMSwitch 7001-013|TQS6013A)", 2, false}},
      {"ETSEMSWITCH7001-015", {Kind::k6Point, "(EMSwitch 7001-015|TQS6015A)", 1, false}},
      {"ETSEMSWITCH7001-021", {Kind::kSwitch, "(EMSwitch 7001-021|TQS2021B)", 1, false}},
      {"ETSEMSWITCH7001-022", {Kind::kSwitch, "(EMSwitch 7001-022|TQS1PA|TQS1001A)", 1, false}},
      {"ETSEMSWITCH7001-026", {Kind::kSwitch, "(EMSwitch 7001-026|TQS2PB)", 2, false}},
      {"ETSEMSWITCH7001-027", {Kind::kSwitch, "(EMSwitch 7001-027|TQS4PB)", 4, false}},
      // The maker's stand-alone coaxial switches, under the former and the present company name.
      {"ZEVOTQS2002A", {Kind::kSwitch, "TQS2PA", 2, true}},
      {"KOVALEXTQS2002A", {Kind::kSwitch, "TQS2PA", 2, true}},
      {"ZEVOTQS4004A", {Kind::kSwitch, "TQS4PA", 4, true}},
      {"KOVALEXTQS4004A", {Kind::kSwitch, "TQS4PA", 4, true}},
      {"ZEVOTQS6002A", {Kind::k6Point, "TQS6PA", 2, true}},
      {"KOVALEXTQS6002A", {Kind::k6Point, "TQS6PA", 2, true}},
      {"ZEVOTQS1001A", {Kind::kSwitch, "(TQS1001A|EMSwitch 7001-022)", 1, false}},
      {"KOVALEXTQS1001A", {Kind::kSwitch, "(TQS1001A|EMSwitch 7001-022)", 1, false}},
      {"ZEVOTQS2011A", {Kind::kSwitch, "(TQS2011A|EMSwitch 7001-011)", 2, false}},
      {"KOVALEXTQS2011A", {Kind::kSwitch, "(TQS2011A|EMSwitch 7001-011)", 2, false}},
      {"ZEVOTQS4012A", {Kind::kSwitch, "(TQS4012A|EMSwitch 7001-012)", 4, false}},
      {"KOVALEXTQS4012A", {Kind::kSwitch, "(TQS4012A|EMSwitch 7001-012)", 4, false}},
      {"ZEVOTQS6013A", {Kind::k6Point, "(TQS6013A|EMSwitch 7001-013)", 2, false}},
      {"KOVALEXTQS6013A", {Kind::k6Point, "(TQS6013A|EMSwitch 7001-013)", 2, false}},
      {"ZEVOTQS6015A", {Kind::k6Point, "(TQS6015A|EMSwitch 7001-015)", 1, false}},
      {"KOVALEXTQS6015A", {Kind::k6Point, "(TQS6015A|EMSwitch 7001-015)", 1, false}},
      {"ZEVOTQS6004E", {Kind::k6PointExternal, "(TQS6004E|EMSwitch 7001-004)", 2, false}},
      {"KOVALEXTQS6004E", {Kind::k6PointExternal, "(TQS6004E|EMSwitch 7001-004)", 2, false}},
      {"ZEVOTQS2001E", {Kind::kExternal, "TQS2001E", 2, false}},
      {"KOVALEXTQS2001E", {Kind::kExternal, "TQS2001E", 2, false}},
      {"ZEVOTQS4002E", {Kind::kExternal, "TQS4002E", 4, false}},
      {"KOVALEXTQS4002E", {Kind::kExternal, "TQS4002E", 4, false}},
      {"ZEVOTQS2021B", {Kind::kSwitch, "(TQS2021B|EMSwitch 7001-021)", 1, false}},
      {"KOVALEXTQS2021B", {Kind::kSwitch, "(TQS2021B|EMSwitch 7001-021)", 1, false}},
  };
  return cards;
}

// The class of the driver, checked with dynamic_cast from the most derived class up.
Kind KindOf(DeviceDriverBase* driver, std::string* className) {
  if (dynamic_cast<HublineSwitch6PointExternal*>(driver)) {
    *className = "HublineSwitch6PointExternal";
    return Kind::k6PointExternal;
  }
  if (dynamic_cast<HublineSwitch6Point*>(driver)) {
    *className = "HublineSwitch6Point";
    return Kind::k6Point;
  }
  if (dynamic_cast<HublineExternalSwitch*>(driver)) {
    *className = "HublineExternalSwitch";
    return Kind::kExternal;
  }
  EXPECT_NE(dynamic_cast<HublineSwitch*>(driver), nullptr);
  *className = "HublineSwitch";
  return Kind::kSwitch;
}

std::string ExpectedModelName(Kind kind, int count) {
  switch (kind) {
    case Kind::kSwitch:
      return count == 4 ? "TQS4PA" : "TQS2PA";
    case Kind::kExternal:
      return "TQS4PAExt";
    default:
      return "TQS6PA";
  }
}
}  // namespace

TEST(HublineRegistry, EveryCardKeyCreatesItsClassWithItsArguments) {
  EXPECT_EQ(ExpectedCards().size(), 5u + 13u + 24u);
  const std::regex arguments("^\"(.*)\", ([0-9]), (true|false)$");
  std::set<std::string> seen;
  for (const DeviceTypeEntry& entry : DeviceTypeEntries()) {
    const std::string key(entry.key);
    const auto expected = ExpectedCards().find(key);
    if (expected == ExpectedCards().end()) {
      // Any other key must not be one of these classes.
      EXPECT_FALSE(std::string(entry.className).starts_with("HublineSwitch") ||
                   std::string(entry.className) == "HublineExternalSwitch")
          << key << " is a Hubline card key missing from the table";
      continue;
    }
    seen.insert(key);
    ASSERT_NE(entry.create, nullptr) << key;
    std::unique_ptr<DeviceDriverBase> driver(entry.create());
    auto* card = dynamic_cast<HublineSwitchBase*>(driver.get());
    ASSERT_NE(card, nullptr) << key;
    std::string className;
    EXPECT_EQ(KindOf(driver.get(), &className), expected->second.kind) << key;
    EXPECT_EQ(entry.className, className) << key;
    EXPECT_EQ(card->GetExpectedResponse(), expected->second.identification) << key;
    EXPECT_EQ(card->Count(), expected->second.count) << key;
    EXPECT_EQ(card->ExternalBoxesSupported(), expected->second.boxes) << key;
    EXPECT_EQ(card->ModelName(), ExpectedModelName(expected->second.kind, expected->second.count)) << key;
    EXPECT_EQ(card->AddressPrefix(), "S") << key;
    if (auto* sixway = dynamic_cast<HublineSwitch6Point*>(card)) {
      EXPECT_EQ(sixway->SwitchPrefix(), expected->second.kind == Kind::k6PointExternal ? "EXT" : "INT") << key;
    }

    // The argument text the registry shows is the one the driver was made with.
    std::smatch match;
    const std::string text(entry.arguments);
    ASSERT_TRUE(std::regex_match(text, match, arguments)) << key << ": " << text;
    EXPECT_EQ(match[1].str(), expected->second.identification) << key;
    EXPECT_EQ(std::stoi(match[2].str()), expected->second.count) << key;
    EXPECT_EQ(match[3].str() == "true", expected->second.boxes) << key;
  }
  EXPECT_EQ(seen.size(), ExpectedCards().size());
}

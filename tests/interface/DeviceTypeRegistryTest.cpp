#include "interface/DeviceTypeRegistry.h"

#include <gtest/gtest.h>

#include <set>

#include "drivers/debug/DebugSwitchMatrix.h"
#include "framework/DeviceDriverBase.h"
#include "swmatrix/typekeys.h"

TEST(DeviceTypeRegistry, NormalisesCaseAndTheNineTrimmedCharacters) {
  struct Case {
    std::string input;
    std::string expected;
  };
  const Case cases[] = {
      {"debugswitchmatrix", "DEBUGSWITCHMATRIX"},
      {"  DEBUGSWITCHMATRIX\r\n", "DEBUGSWITCHMATRIX"},
      {std::string("\a\b\f\n\r\t\v x \v\t\r\n\f\b\a"), "X"},
      {std::string("osp_120\0", 8), "OSP_120"},
      {"OSP 120", "OSP 120"},
      {" \t ", ""},
      {"\xE4kt", "\xE4KT"},  // only a-z change in the default locale
      {"-_.", "-_."},
  };
  for (const Case& c : cases) EXPECT_EQ(NormaliseTypeKey(c.input), c.expected) << c.input;
}

TEST(DeviceTypeRegistry, HasEveryKeyOnceAndNoTwoAlikeAfterNormalisation) {
  const auto entries = DeviceTypeEntries();
  EXPECT_EQ(entries.size(), 121u);
  std::set<std::string> normalised;
  for (const DeviceTypeEntry& entry : entries) {
    EXPECT_TRUE(normalised.insert(NormaliseTypeKey(entry.key)).second) << entry.key;
    EXPECT_FALSE(entry.className.empty()) << entry.key;
  }
  // The public list that hosts (and `swmhost keys`) read is the registry's, in its order.
  ASSERT_EQ(kSwmTypeKeyCount, entries.size());
  for (unsigned i = 0; i < kSwmTypeKeyCount; ++i) {
    EXPECT_EQ(kSwmTypeKeys[i].key, entries[i].key) << i;
    EXPECT_EQ(kSwmTypeKeys[i].driverClass, entries[i].className) << i;
  }
}

TEST(DeviceTypeRegistry, MatchesOnlyWholeKeys) {
  struct Case {
    const char* key;
    const char* className;  // null: no entry
  };
  const Case cases[] = {
      {"debugswitchmatrix", "DebugSwitchMatrix"},
      {"  DEBUGSWITCHMATRIX\r\n", "DebugSwitchMatrix"},
      {"osp_120", "OSP::OSP"},
      {"\tOSP_120 ", "OSP::OSP"},
      {"OSP120", nullptr},
      {"OSP 120", nullptr},
      {"kreantennatower", "KREAntennaTower"},
      {"TOYONS4900", "ToyoNS4900"},
      {"DEBUGSWITCH", nullptr},
      {"DEBUGSWITCHMATRIXX", nullptr},
      {"", nullptr},
      {"   ", nullptr},
  };
  for (const Case& c : cases) {
    const DeviceTypeEntry* entry = FindDeviceType(c.key);
    if (!c.className) {
      EXPECT_EQ(entry, nullptr) << c.key;
    } else {
      ASSERT_NE(entry, nullptr) << c.key;
      EXPECT_EQ(entry->className, c.className) << c.key;
    }
  }
}

TEST(DeviceTypeRegistry, AliasKeysShareClassAndArguments) {
  const std::pair<const char*, const char*> aliases[] = {
      {"TOYONS4900", "TOYONS49010"}, {"HP59307", "HP59307A"}, {"EMCO2090", "ETS_LINDGREN2090"},
      {"RSPSU", "RSPSN"},           {"RSPSU", "RSRSU"},
  };
  for (const auto& [a, b] : aliases) {
    const DeviceTypeEntry* first = FindDeviceType(a);
    const DeviceTypeEntry* second = FindDeviceType(b);
    ASSERT_TRUE(first && second) << a << " " << b;
    EXPECT_EQ(first->className, second->className);
    EXPECT_EQ(first->arguments, second->arguments);
  }
}

TEST(DeviceTypeRegistry, CreatesBuiltClassesOnly) {
  auto debug = CreateDeviceDriver(" debugSwitchMatrix\n");
  ASSERT_NE(debug, nullptr);
  EXPECT_NE(dynamic_cast<DebugSwitchMatrix*>(debug.get()), nullptr);
  // A key of a family whose driver is not part of this build creates nothing.
  EXPECT_EQ(CreateDeviceDriver("SIEMENS"), nullptr);
  EXPECT_EQ(CreateDeviceDriver("OSP120"), nullptr);
}

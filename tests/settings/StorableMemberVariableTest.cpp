#include "settings/StorableMemberVariable.h"

#include <gtest/gtest.h>

#include <climits>

#include "settings/EnumClass.h"
#include "settings/INIProgramSettingsDatabase.h"
#include "settings/IniDocument.h"
#include "settings/SaveLoadConfigurationConvertor.h"
#include "support/TestFiles.h"

namespace {
SWM_ENUM(TestRelaySetting, RelayOff = 0, RelayOn = 1, RelayUnchanged = 2)

// A settings object that persists one member of each kind, like a driver.
class Settings : public SaveLoadConfigurationConvertor {
public:
  uint32_t LoadProgramSettings(uint32_t context, SettingsStore store) override {
    advancedNotPressed = store ? store->AdvancedNotPressed() : false;
    return members.LoadProgramSettings(context, store);
  }
  uint32_t SaveProgramSettings(uint32_t context, SettingsStore store) override {
    return members.SaveProgramSettings(context, store);
  }

  StorableMembersManager members;
  StorableMemberVariable<int> count{-5, members, "Device", "Count"};
  StorableMemberVariable<unsigned int> mask{7u, members, "Device", "Mask"};
  StorableMemberVariable<bool> enabled{false, members, "Device", "Enabled"};
  StorableMemberVariable<wxString> name{"default name", members, "Device.Port", "Name"};
  StorableMemberVariable<TestRelaySetting> relay{RelayOff, members, "Relays", "Relais1Start"};
  bool advancedNotPressed = false;
};

// A member that fails, and one that counts its calls.
class Failing : public SavableLoadableClass {
public:
  uint32_t LoadProgramSettings(uint32_t, SettingsStore) override { return 0x30000123; }
  uint32_t SaveProgramSettings(uint32_t, SettingsStore) override { return 0x30000124; }
};
class Counting : public SavableLoadableClass {
public:
  uint32_t LoadProgramSettings(uint32_t, SettingsStore) override { return ++loads, 0; }
  uint32_t SaveProgramSettings(uint32_t, SettingsStore) override { return ++saves, 0; }
  int loads = 0, saves = 0;
};

std::string Value(const std::string& path, const char* section, const char* key) {
  const IniDocument doc(ReadFile(path));
  const auto value = doc.Find(section, key);
  return value ? std::string(*value) : "<missing>";
}
}  // namespace

TEST(StorableMemberVariable, SavesAndLoadsEveryMemberType) {
  TestDirectory dir;
  const std::string path = dir.File("members.ini");
  Settings saved;
  EXPECT_EQ(saved.members.Count(), 5u);
  saved.count = INT_MIN;
  saved.mask = UINT_MAX;
  saved.enabled = true;
  saved.name = wxString::FromUTF8("Schalter \xC3\xBC" "ber Port 3");
  saved.relay = RelayUnchanged;
  EXPECT_EQ(saved.SaveConfiguration(0, path.c_str()), 0u);

  EXPECT_EQ(Value(path, "Device", "Count"), "-2147483648");
  EXPECT_EQ(Value(path, "Device", "Mask"), "4294967295");
  EXPECT_EQ(Value(path, "Device", "Enabled"), "1");
  EXPECT_EQ(Value(path, "Device.Port", "Name"), "Schalter \xC3\xBC" "ber Port 3");
  EXPECT_EQ(Value(path, "Relays", "Relais1Start"), "2");  // enumerations as integers
  EXPECT_EQ(Value(path, "Common", "AdvancedPressed"), "<missing>");  // saving writes members only

  Settings loaded;
  EXPECT_EQ(loaded.LoadConfiguration(0, path.c_str()), 0u);
  EXPECT_EQ(loaded.count.Value(), INT_MIN);
  EXPECT_EQ(loaded.mask.Value(), UINT_MAX);
  EXPECT_EQ(loaded.enabled.Value(), true);
  EXPECT_EQ(loaded.name.Value(), saved.name.Value());
  EXPECT_EQ(loaded.relay.Value(), RelayUnchanged);
}

TEST(StorableMemberVariable, KeepsDefaultsForMissingKeysAndReadsWhatIsThere) {
  TestDirectory dir;
  const std::string path = dir.File("partial.ini");
  WriteFile(path, "[device]\nenabled=yes\n[Relays]\nRelais1Start=17\n");
  Settings loaded;
  EXPECT_EQ(loaded.LoadConfiguration(0, path.c_str()), 0u);
  EXPECT_EQ(loaded.count.Value(), -5);
  EXPECT_EQ(loaded.mask.Value(), 7u);
  EXPECT_EQ(loaded.enabled.Value(), true);
  EXPECT_EQ(loaded.name.Value(), "default name");
  EXPECT_EQ(static_cast<int>(loaded.relay.Value()), 17);  // undeclared values load as they are

  Settings fromNothing;
  EXPECT_EQ(fromNothing.LoadConfiguration(0, dir.File("absent.ini").c_str()), 0u);
  EXPECT_EQ(fromNothing.count.Value(), -5);
  EXPECT_EQ(fromNothing.name.Value(), "default name");
  EXPECT_FALSE(std::filesystem::exists(dir.File("absent.ini")));  // loading writes nothing
}

TEST(StorableMembersManager, WalksInOrderAndStopsAtTheFirstFailure) {
  TestDirectory dir;
  const std::string path = dir.File("stop.ini");
  StorableMembersManager members;
  Counting first;
  Failing failing;
  StorableMemberVariable<int> before(1, members, "T", "Before");
  members.Register(nullptr);  // skipped
  members.Register(&first);
  members.Register(&failing);
  StorableMemberVariable<int> after(2, members, "T", "After");

  auto store = CreateINIProgramSettingsDatabase(path);
  store->Open();
  EXPECT_EQ(members.SaveProgramSettings(0, store), 0x30000124u);
  EXPECT_EQ(first.saves, 1);
  EXPECT_EQ(Value(path, "T", "Before"), "1");
  EXPECT_EQ(Value(path, "T", "After"), "<missing>");  // never reached
  EXPECT_EQ(members.LoadProgramSettings(0, store), 0x30000123u);
  EXPECT_EQ(first.loads, 1);
  // A null store is no store: nothing is called.
  EXPECT_EQ(members.LoadProgramSettings(0, nullptr), 0u);
  EXPECT_EQ(first.loads, 1);
}

TEST(SaveLoadConfigurationConvertor, ReadsAdvancedPressedIntoTheStoreFlag) {
  struct Case {
    const char* file;
    bool advancedNotPressed;
  };
  const Case cases[] = {
      {"[Common]\nAdvancedPressed=0\n", true},  {"[common]\nadvancedpressed=no\n", true},
      {"[Common]\nAdvancedPressed=1\n", false}, {"[Common]\nAdvancedPressed=rubbish\n", false},
      {"[Common]\nDescription=x\n", false},     {"", false},
  };
  TestDirectory dir;
  const std::string path = dir.File("advanced.ini");
  for (const Case& c : cases) {
    WriteFile(path, c.file);
    Settings settings;
    settings.advancedNotPressed = !c.advancedNotPressed;
    EXPECT_EQ(settings.LoadConfiguration(0, path.c_str()), 0u);
    EXPECT_EQ(settings.advancedNotPressed, c.advancedNotPressed) << c.file;
    EXPECT_EQ(ReadFile(path), c.file);  // loading changes nothing
  }
}

TEST(SaveLoadConfigurationConvertor, SavingKeepsEverythingItDoesNotWrite) {
  TestDirectory dir;
  const std::string path = dir.File("keep.ini");
  WriteFile(path,
            "; Vantorix test set-up\r\n"
            "[Common]\r\nDescription=Matrix in hall 2\r\nAdvancedPressed=0\r\n"
            "[Device]\r\nCount=99\r\nRetired=old value\r\n"
            "[Another Driver]\r\nPort=COM3\r\n");
  Settings settings;
  EXPECT_EQ(settings.SaveConfiguration(0, path.c_str()), 0u);
  EXPECT_EQ(ReadFile(path),
            "; Vantorix test set-up\r\n"
            "[Common]\r\nDescription=Matrix in hall 2\r\nAdvancedPressed=0\r\n"
            "[Device]\r\nCount=-5\r\nRetired=old value\r\nMask=7\r\nEnabled=0\r\n"
            "[Another Driver]\r\nPort=COM3\r\n"
            "\r\n[Device.Port]\r\nName=default name\r\n"
            "\r\n[Relays]\r\nRelais1Start=0\r\n");
}

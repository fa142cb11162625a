// The log records of the settings layer: one per member load or save, and an
// error record for a value that could not be written.
#include <gtest/gtest.h>

#include "logging/LogReceiver.h"
#include "settings/EnumClass.h"
#include "settings/INIProgramSettingsDatabase.h"
#include "settings/StorableMemberVariable.h"
#include "support/TestFiles.h"

namespace {
SWM_ENUM(LoggedRelay, LoggedRelayOff = 0, LoggedRelayOn = 1)

// function|module|type|content of a single record.
std::string Single(const std::optional<std::string>& record) {
  if (!record) return "<no record>";
  const auto fields = HeaderAndContent(*record, 6);
  if (fields.size() != 7 || fields[0] != "!logn") return "<not a single record: " + *record + ">";
  return fields[3] + "|" + fields[4] + "|" + fields[5] + "|" + fields[6];
}
}  // namespace

TEST(SettingsLog, EveryMemberLoadAndSaveIsOneRecord) {
  TestDirectory dir;
  LogReceiver log;
  StorableMembersManager members;
  StorableMemberVariable<int> count(-5, members, "Device", "Count");
  StorableMemberVariable<unsigned int> mask(7u, members, "Device", "Mask");
  StorableMemberVariable<bool> enabled(true, members, "Device", "Enabled");
  StorableMemberVariable<wxString> name(wxString::FromUTF8("Port \xC3\xBC"), members, "Device.Port", "Name");
  StorableMemberVariable<LoggedRelay> relay(LoggedRelayOn, members, "Relays", "Relais1Start");
  const std::string values[] = {"Count;i-5", "Mask;i7", "Enabled;bTRUE", "Name;" + Text("Port \xC3\xBC"),
                                "Relais1Start;i1"};
  const std::string where[] = {"Device, Count", "Device, Mask", "Device, Enabled", "Device.Port, Name",
                               "Relays, Relais1Start"};

  // A file without the tables: every member keeps its default and still logs.
  auto store = CreateINIProgramSettingsDatabase(dir.File("empty.ini"));
  store->Open();
  EXPECT_EQ(members.LoadProgramSettings(0, store), 0u);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(Single(log.Next()), "LoadProgramSettings|StorableMemberVariable|Note|!general;description;" +
                                      Text("LoadProgramSettings(" + where[i] + ")") + ";" + values[i]);
  EXPECT_EQ(members.SaveProgramSettings(0, store), 0u);
  for (int i = 0; i < 5; ++i)
    EXPECT_EQ(Single(log.Next()), "SaveProgramSettings|StorableMemberVariable|Note|!general;description;" +
                                      Text("SaveProgramSettings(" + where[i] + ")") + ";" + values[i]);
  // Without a store a member keeps its value and logs all the same.
  EXPECT_EQ(count.LoadProgramSettings(0, nullptr), 0u);
  EXPECT_EQ(Single(log.Next()), "LoadProgramSettings|StorableMemberVariable|Note|!general;description;" +
                                    Text("LoadProgramSettings(Device, Count)") + ";Count;i-5");
  EXPECT_EQ(count.SaveProgramSettings(0, nullptr), 0u);
  EXPECT_EQ(Single(log.Next()), "SaveProgramSettings|StorableMemberVariable|Note|!general;description;" +
                                    Text("SaveProgramSettings(Device, Count)") + ";Count;i-5");
  EXPECT_TRUE(log.Idle());
}

TEST(SettingsLog, AValueThatCannotBeWrittenIsAnErrorRecord) {
  TestDirectory dir;
  LogReceiver log;
  const std::string nowhere = dir.File("no/such/dir.ini");
  INIProgramSettingsDatabase store(nowhere);
  store.Write("k", 1);  // closed: ignored without a record
  store.Open();
  store.PushTable("Stream Config");
  store.Write("Port", 3);
  const std::string record = Single(log.Next());
  const std::string head = "WritePrivateProfileString|INIProgramSettingsDatabase|Error|!general;description;" +
                           Text("WritePrivateProfileString(Stream Config, Port)") + ";Filename;" +
                           Text(nowhere) + ";Reason;a";
  EXPECT_EQ(record.substr(0, head.size()), head);
  EXPECT_NE(record.find("No such file or directory"), std::string::npos) << record;

  // A write that succeeds writes no record.
  INIProgramSettingsDatabase good(dir.File("good.ini"));
  good.Open();
  good.Write("k", 1);
  EXPECT_TRUE(log.Idle());
}

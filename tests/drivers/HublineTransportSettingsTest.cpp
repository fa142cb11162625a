// A Hubline card keeps its transport and the older serial table's values
// through save and load: "Communication" and "Selected" name the same
// transport after every save, and "Implementation" of [RS232] is kept.
#include <gtest/gtest.h>

#include <memory>
#include <regex>

#include "framework/DeviceDriverBase.h"
#include "interface/DeviceTypeRegistry.h"
#include "streams/DeviceStreamTypeRegistry.h"
#include "support/TestFiles.h"

namespace {
std::string Value(const std::string& text, const std::string& section, const std::string& key) {
  const std::regex pattern("\\[" + section + "\\][^\\[]*\\n" + key + "=([^\\r\\n]*)");
  std::smatch match;
  return std::regex_search(text, match, pattern) ? match[1].str() : "(missing)";
}

// Loads the file into a new card and saves it back.
void LoadAndSave(const std::string& path) {
  std::unique_ptr<DeviceDriverBase> card = CreateDeviceDriver("HUBLINE4PORT");
  ASSERT_TRUE(card);
  ASSERT_EQ(card->LoadConfiguration(0, path.c_str()), 0u);
  ASSERT_EQ(card->SaveConfiguration(0, path.c_str()), 0u);
}
}  // namespace

TEST(HublineTransportSettings, EveryOfferedTransportSurvivesSaveAndLoad) {
  TestDirectory dir;
  int tried = 0;
  for (const char* transport : {"VISA", "USB", "TCPIP", "GPIB", "RS-232"}) {
    if (!DeviceStreamTypeRegistry::CreateConfiguration(transport)) continue;  // not built in
    ++tried;
    const std::string path = dir.File(std::string(transport) + ".ini");
    WriteFile(path, std::string("[Stream Config]\nSelected=") + transport + "\n");
    LoadAndSave(path);
    LoadAndSave(path);
    const std::string text = ReadFile(path);
    EXPECT_EQ(Value(text, "Stream Config", "Selected"), transport) << text;
    // A second reader of the same file finds the same transport by its code.
    LoadAndSave(path);
    EXPECT_EQ(ReadFile(path), text) << transport;
  }
  EXPECT_GE(tried, 2);
}

TEST(HublineTransportSettings, CommunicationCodeSelectsTheTransportAndIsWrittenBack) {
  TestDirectory dir;
  const std::string path = dir.File("code.ini");
  WriteFile(path, "[Common]\nCommunication=4\n[Stream Config]\nSelected=RS-232\n");
  LoadAndSave(path);
  const std::string text = ReadFile(path);
  EXPECT_EQ(Value(text, "Common", "Communication"), "4");
  EXPECT_EQ(Value(text, "Stream Config", "Selected"), "TCPIP");
}
TEST(HublineTransportSettings, OlderSerialTableKeepsItsImplementation) {
  TestDirectory dir;
  for (const char* implementation : {"0", "1", "7"}) {
    const std::string path = dir.File(std::string("serial") + implementation + ".ini");
    WriteFile(path, std::string("[RS232]\nCOMPort=3\nImplementation=") + implementation + "\n");
    LoadAndSave(path);
    LoadAndSave(path);
    const std::string text = ReadFile(path);
    EXPECT_EQ(Value(text, "RS232", "Implementation"), implementation) << text;
    EXPECT_EQ(Value(text, "RS232", "COMPort"), "3") << text;
  }
}

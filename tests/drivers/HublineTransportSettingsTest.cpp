// A Hubline card's older settings through save and load: the transport code
// "Communication" wins over "Selected" and is written back with it, and
// "Implementation" of [RS232] is kept. (Every transport saved and loaded:
// SettingsRoundTripTest.cpp.)
#include <gtest/gtest.h>

#include <memory>
#include <regex>

#include "framework/DeviceDriverBase.h"
#include "interface/DeviceTypeRegistry.h"
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

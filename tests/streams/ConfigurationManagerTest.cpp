// The configuration manager with INI files: the fallbacks of the selection,
// the tables it reads and writes, a failing legacy table and the message for
// a driver that offers no transport.
#include <gtest/gtest.h>

#include <optional>

#include "support/TestFiles.h"
#include "streams/DeviceStreamConfigurationManager.h"
#include "streams/LegacyConfigurationTransfers.h"
#include "streams/TestConfiguration.h"
#include "support/MessageBoxRecorder.h"
#include "support/SettingsFile.h"

namespace {
struct Offer {
  DeviceStreamConfigurationManager manager;
  std::map<std::string, std::shared_ptr<TestConfiguration>> configurations;

  explicit Offer(std::initializer_list<std::string> names) {
    for (const std::string& name : names) {
      auto configuration = std::make_shared<TestConfiguration>(name, "T-" + name);
      configurations[name] = configuration;
      manager.AddStreamConfiguration(name, configuration);
    }
  }
};

// Each test's INI file, in a directory of its own.
class ConfigurationManager : public testing::Test {
protected:
  TestDirectory directory;
  const std::string file = directory.File("driver.ini");
};

struct FallbackCase {
  const char* name;
  std::initializer_list<std::string> offered;
  std::string defaultName;
  std::string file;
  std::string selected;
};

TEST_F(ConfigurationManager, AStoredSelectionThatIsNotOfferedFallsBackInOrder) {
  const FallbackCase cases[] = {
      {"offered selection", {"TCPIP", "UDP"}, "TCPIP", "[Stream Config]\nSelected=UDP\n", "UDP"},
      {"GPIB partner of CompliantGPIB", {"GPIB", "TCPIP"}, "TCPIP", "[Stream Config]\nSelected=CompliantGPIB\n", "GPIB"},
      {"CompliantGPIB partner of GPIB", {"CompliantGPIB", "TCPIP"}, "TCPIP", "[Stream Config]\nSelected=GPIB\n",
       "CompliantGPIB"},
      {"legacy serial before the default", {"RS-232", "TCPIP"}, "TCPIP", "[Stream Config]\nSelected=USB\n", "RS-232"},
      {"legacy GPIB selector", {"GPIB", "RS-232", "TCPIP"}, "TCPIP",
       "[GPIBRS232]\nCommunication=1\n[Stream Config]\nSelected=USB\n", "GPIB"},
      {"legacy serial selector", {"GPIB", "RS-232", "TCPIP"}, "TCPIP",
       "[GPIBRS232]\nCommunication=0\n[Stream Config]\nSelected=USB\n", "RS-232"},
      {"selector only with both families", {"GPIB", "TCPIP"}, "TCPIP",
       "[GPIBRS232]\nCommunication=1\n[Stream Config]\nSelected=USB\n", "TCPIP"},
      {"default name", {"TCPIP", "UDP"}, "UDP", "[Stream Config]\nSelected=USB\n", "UDP"},
      {"first offered", {"UDP", "TCPIP", "HTTP"}, "", "[Stream Config]\nSelected=USB\n", "HTTP"},
      {"default when nothing is stored", {"HTTP", "TCPIP"}, "TCPIP", "[Other]\nX=1\n", "TCPIP"},
      {"name compared exactly", {"TCPIP", "UDP"}, "TCPIP", "[Stream Config]\nSelected=udp\n", "TCPIP"},
  };
  for (const FallbackCase& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(file, c.file);
    Offer offer(c.offered);
    offer.manager.SetDefaultTypeName(c.defaultName);
    EXPECT_EQ(LoadFile(offer.manager, file), 0u);
    EXPECT_EQ(offer.manager.GetSelectedTypeName(), c.selected);
  }
}

TEST_F(ConfigurationManager, LoadsTheSelectedConfigurationFirstThenAllInNameOrder) {
  WriteFile(file,
            "[Stream Config]\nSelected=UDP\nDefaultStreamConfigurationLoaded=1\n"
            "[Stream Config.T-UDP]\nValue=udp value\n[Stream Config.T-TCPIP]\nValue=tcp value\n"
            "[T-TCPIP]\nValue=outside\n");
  Offer offer({"TCPIP", "UDP"});
  EXPECT_FALSE(offer.manager.GetDefaultConfigurationLoaded());
  ASSERT_EQ(LoadFile(offer.manager, file), 0u);
  EXPECT_TRUE(offer.manager.GetDefaultConfigurationLoaded());
  EXPECT_EQ(offer.configurations["UDP"]->value, "udp value");
  EXPECT_EQ(offer.configurations["TCPIP"]->value, "tcp value");
  // Each configuration loads inside "Stream Config"; the selected one twice.
  EXPECT_EQ(offer.configurations["UDP"]->loads, (std::vector<std::string>{"UDP", "UDP"}));
  EXPECT_EQ(offer.configurations["TCPIP"]->loads, (std::vector<std::string>{"UDP"}));

  WriteFile(file, "[Stream Config]\nSelected=B\n");
  Offer failing({"A", "B", "C"});
  failing.configurations["A"]->loadStatus = 0x30001F44;
  EXPECT_EQ(LoadFile(failing.manager, file), 0x30001F44u);
  EXPECT_EQ(failing.configurations["B"]->loads.size(), 1u);
  EXPECT_EQ(failing.configurations["A"]->loads.size(), 1u);
  EXPECT_TRUE(failing.configurations["C"]->loads.empty());
}

TEST_F(ConfigurationManager, SavesTheSelectionTheFlagAndEveryConfiguration) {
  Offer offer({"TCPIP", "UDP"});
  offer.manager.SetDefaultTypeName("UDP");
  offer.configurations["TCPIP"]->value = "10.0.0.7";
  offer.configurations["UDP"]->value = "10.0.0.8";
  ASSERT_EQ(SaveFile(offer.manager, file), 0u);
  EXPECT_EQ(ReadFile(file),
            "[Stream Config]\nSelected=UDP\nDefaultStreamConfigurationLoaded=0\n\n"
            "[Stream Config.T-TCPIP]\nValue=10.0.0.7\n\n[Stream Config.T-UDP]\nValue=10.0.0.8\n");

  offer.manager.SetSelectedTypeName("TCPIP");
  offer.manager.SetDefaultConfigurationLoaded(true);
  offer.configurations["TCPIP"]->saveStatus = 0x30001F46;
  EXPECT_EQ(SaveFile(offer.manager, file), 0x30001F46u);
  EXPECT_EQ(offer.configurations["UDP"]->saves, 1);  // not again after the failure
  const std::string saved = ReadFile(file);
  EXPECT_NE(saved.find("Selected=TCPIP"), std::string::npos) << saved;
  EXPECT_NE(saved.find("DefaultStreamConfigurationLoaded=1"), std::string::npos) << saved;
}

TEST_F(ConfigurationManager, ADriverWithoutTransportsIsToldSo) {
  MessageBoxRecorder boxes;
  WriteFile(file, "[Stream Config]\nSelected=TCPIP\n");
  DeviceStreamConfigurationManager manager;
  EXPECT_EQ(LoadFile(manager, file), 0u);
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].text, "No communication streams programmed");
  EXPECT_EQ(boxes.boxes[0].title, "Selected Stream");
  EXPECT_EQ(boxes.boxes[0].type, kMbOk | kMbIconWarning);
}

// (Legacy tables taken over on load and written on save, through the serial
// stream's own transfer: RS232Stream.TheOlderSerialTableIsTakenOverAndWritten.)
TEST_F(ConfigurationManager, AFailingLegacyTableEndsTheLoadBeforeTheSelectionIsRead) {
  // A transfer for "RS-232" that fails on a port below one (in place of the
  // serial stream's own, which is put back at the end).
  const LegacyConfigurationTransfer* registered = LegacyConfigurationTransfers::Find("RS-232");
  const std::optional<LegacyConfigurationTransfer> original =
      registered ? std::optional<LegacyConfigurationTransfer>(*registered) : std::nullopt;
  LegacyConfigurationTransfers::Register(
      "RS-232", {[](uint32_t, const SettingsStore& store, DeviceStreamConfiguration&) -> Status {
                   store->PushTable("RS232");
                   const long port = store->Read("COMPort", 1L);
                   store->PopTable();
                   return port > 0 ? 0 : 0x3000012C;
                 },
                 {}});
  WriteFile(file, "[RS232]\nCOMPort=-1\n[Stream Config]\nSelected=TCPIP\n");
  Offer failing({"RS-232", "TCPIP"});
  failing.manager.SetSelectedTypeName("RS-232");
  EXPECT_EQ(LoadFile(failing.manager, file), 0x3000012Cu);
  EXPECT_EQ(failing.manager.GetSelectedTypeName(), "RS-232");
  EXPECT_TRUE(failing.configurations["TCPIP"]->loads.empty());
  LegacyConfigurationTransfers::Unregister("RS-232");
  if (original) LegacyConfigurationTransfers::Register("RS-232", *original);
}
}  // namespace

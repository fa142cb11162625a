// Every type key of the amplifier, Teseq/Comtest and OSP families creates
// its class with the constructor arguments the key stands for, offers the
// transports of its model, and the registry's argument text says the same.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <set>

#include "drivers/amplifier/BBA_IL.h"
#include "drivers/amplifier/BONN_BAS.h"
#include "drivers/amplifier/BONN_IL.h"
#include "drivers/amplifier/BonnBas.h"
#include "drivers/comtest/ComtestMCP01.h"
#include "drivers/osp/OSP.h"
#include "drivers/teseq/TeseqRFB2000.h"
#include "interface/DeviceTypeRegistry.h"

namespace {
struct Expected {
  const char* className;
  const char* arguments;
  // Checks the class and what the arguments set; returns the stream client, or null for the GPIB object.
  std::function<DeviceStreamClientWithStream*(DeviceDriverBase*)> check;
  std::set<std::string> transports;
};

template <class T>
T* As(DeviceDriverBase* driver) {
  T* typed = dynamic_cast<T*>(driver);
  EXPECT_NE(typed, nullptr);
  return typed;
}

// The identification the driver expects, and its class being exactly T (not a subclass).
template <class T>
std::function<DeviceStreamClientWithStream*(DeviceDriverBase*)> Identifies(const char* expected) {
  return [expected](DeviceDriverBase* driver) -> DeviceStreamClientWithStream* {
    T* typed = As<T>(driver);
    if (!typed) return nullptr;
    EXPECT_EQ(typeid(*driver), typeid(T));
    EXPECT_EQ(typed->GetExpectedResponse(), expected);
    return typed;
  };
}

const std::map<std::string, Expected>& Keys() {
  static const std::map<std::string, Expected> keys = {
      {"BBA100_IL", {"BBA_IL", "\"Rohde & Schwarz,BBA100\"", Identifies<BBA_IL>("Rohde & Schwarz,BBA100"), {"VISA", "CompliantGPIB"}}},
      {"BONN_IL", {"BONN_IL", "", Identifies<BONN_IL>(""), {"VISA", "GPIB", "RS-232", "TCPIP"}}},
      {"BONN_BAS", {"BONN_BAS", "\"BAS\"", Identifies<BONN_BAS>("BAS"), {"GPIB", "RS-232", "TCPIP"}}},
      {"BONNBAS",
       {"BonnBas", "", [](DeviceDriverBase* d) -> DeviceStreamClientWithStream* {
          As<BonnBas>(d);
          return nullptr;
        }, {}}},
      {"TESEQ_RFB_6000_SM",
       {"TeseqRFB6000", "\"TESEQ_RFB_6000\"", [](DeviceDriverBase* d) -> DeviceStreamClientWithStream* {
          EXPECT_EQ(typeid(*d), typeid(TeseqRFB6000));
          auto* teseq = As<TeseqRFB6000>(d);
          EXPECT_EQ(teseq->Model(), "TESEQ_RFB_6000");
          return teseq;
        }, {"VISA", "RS-232"}}},
      {"TESEQ_RFB_2000_SM",
       {"TeseqRFB2000", "\"TESEQ_RFB_2000\"", [](DeviceDriverBase* d) -> DeviceStreamClientWithStream* {
          auto* teseq = As<TeseqRFB2000>(d);
          EXPECT_EQ(teseq->Model(), "TESEQ_RFB_2000");
          return teseq;
        }, {"VISA", "RS-232"}}},
      {"COMTEST_MCP01_SM", {"ComtestMCP01", "", Identifies<ComtestMCP01>(""), {"VISA", "GPIB"}}},
      {"OSP_120", {"OSP::OSP", "\"OSP120\"", Identifies<OSP::OSP>("OSP120"), {"VISA"}}},
      {"OSP_130", {"OSP::OSP", "\"OSP130\"", Identifies<OSP::OSP>("OSP130"), {"VISA"}}},
      {"OSP_220", {"OSP::OSP220", "\"OSP220\"", Identifies<OSP::OSP220>("OSP220"), {"VISA"}}},
      {"OSP_230", {"OSP::OSP230", "\"OSP230\"", Identifies<OSP::OSP230>("OSP230"), {"VISA"}}},
      {"OSP_320", {"OSP::OSP320", "\"OSP320\"", Identifies<OSP::OSP320>("OSP320"), {"VISA"}}},
  };
  return keys;
}
}  // namespace

TEST(AmplifierSwitchUnitRegistry, EveryKeyCreatesItsClassWithItsArguments) {
  std::set<std::string> seen;
  for (const DeviceTypeEntry& entry : DeviceTypeEntries()) {
    const auto expected = Keys().find(std::string(entry.key));
    if (expected == Keys().end()) continue;
    seen.insert(expected->first);
    EXPECT_EQ(entry.className, expected->second.className) << entry.key;
    EXPECT_EQ(entry.arguments, expected->second.arguments) << entry.key;
    ASSERT_NE(entry.create, nullptr) << entry.key;
    std::unique_ptr<DeviceDriverBase> driver(entry.create());
    ASSERT_NE(dynamic_cast<SwitchMatrixBase*>(driver.get()), nullptr) << entry.key;
    DeviceStreamClientWithStream* client = expected->second.check(driver.get());
    if (!client) continue;
    std::set<std::string> offered;
    for (const auto& [name, configuration] : client->Manager().Configurations()) offered.insert(name);
    EXPECT_EQ(offered, expected->second.transports) << entry.key;
  }
  EXPECT_EQ(seen.size(), Keys().size());
}

TEST(AmplifierSwitchUnitRegistry, FrameModelsHaveTheirSlotsAndModuleAddresses) {
  struct Frame {
    const char* key;
    int slots;
    std::vector<std::string> commands;  // slot 0, 2, 3 and the last slot, relay 1, channel 1
  };
  const Frame frames[] = {
      {"OSP_120", 3, {"A11", "A13", "A14", "A13"}},
      {"OSP_130", 3, {"A11", "A13", "A14", "A13"}},
      {"OSP_220", 6, {"M01", "M03", "M06", "M08"}},
      {"OSP_230", 5, {"M01", "M03", "M06", "M07"}},
      {"OSP_320", 10, {"M01", "M03", "M04", "M10"}},
  };
  for (const Frame& frame : frames) {
    std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver(frame.key);
    auto* osp = dynamic_cast<OSP::OSP*>(driver.get());
    ASSERT_NE(osp, nullptr) << frame.key;
    EXPECT_EQ(osp->SlotCount(), frame.slots) << frame.key;
    const int slots[] = {0, 2, 3, frame.slots - 1};
    for (size_t i = 0; i < 4; ++i)
      EXPECT_EQ(osp->GenerateCommand(2, slots[i], 12, 7), "ROUTE:CLOSE (@F02" + frame.commands[i] + "(1207))")
          << frame.key << " slot " << slots[i];
  }
}

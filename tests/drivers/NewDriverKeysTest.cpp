// Every key of the relay cards, towers, EUT status reporter, SC1000, Toyo
// unit and Probex adjustment switch creates its class with the constructor
// arguments the registry names for it.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "drivers/eutstatus/EUTVtxStatus.h"
#include "drivers/kre/KRE.h"
#include "drivers/kre/KREAntennaTower.h"
#include "drivers/probex/Probex5CalibrationSwitch.h"
#include "drivers/relaycards/AdvantechPCI1761.h"
#include "drivers/relaycards/DAE_CB_RO16.h"
#include "drivers/relaycards/MCC_USB_ERB24.h"
#include "drivers/sc1000/SC1000.h"
#include "drivers/toyo/ToyoNS4900.h"
#include "interface/DeviceTypeRegistry.h"

namespace {
struct Expected {
  const char* className;
  const char* arguments;
  std::function<bool(DeviceDriverBase*)> isTheClass;
};

template <class C>
bool Is(DeviceDriverBase* driver) {
  return dynamic_cast<C*>(driver) != nullptr;
}

std::function<bool(DeviceDriverBase*)> Toyo(int relays) {
  return [relays](DeviceDriverBase* driver) {
    auto* toyo = dynamic_cast<ToyoNS4900*>(driver);
    return toyo && toyo->RelayCount() == relays;
  };
}

std::map<std::string, Expected> ExpectedKeys() {
  std::map<std::string, Expected> keys = {
      {"ADVANTECHPCI1761", {"AdvantechPCI1761Switch", "", Is<AdvantechPCI1761Switch>}},
      {"ADVANTECHPCI1761ATTTRIMBLE", {"AdvantechPCI1761AntennaTower", "", Is<AdvantechPCI1761AntennaTower>}},
      {"ARSC1000", {"SC1000", "", Is<SC1000>}},
      {"KRE", {"KRE", "", [](DeviceDriverBase* d) { return Is<KRE>(d) && !Is<AntennaTowerBase>(d); }}},
      {"KREAntennaTower", {"KREAntennaTower", "", Is<KREAntennaTower>}},
      {"MCC_USB_ERB24",
       {"MCC_USB_ERB24", "", [](DeviceDriverBase* d) { return Is<MCC_USB_ERB24>(d) && dynamic_cast<MCC_USB_ERB24*>(d)->Count() == 24; }}},
      {"DAE_CB_RO16", {"DAE_CB_RO16", "", Is<DAE_CB_RO16>}},
      {"VTXEUTSTATUS", {"EUTVtxStatus", "", Is<EUTVtxStatus>}},
      {"ZEVOPROBEX5CALIBRATION",
       {"Probex5CalibrationSwitch", "", [](DeviceDriverBase* d) {
          auto* probe = dynamic_cast<Probex5CalibrationSwitch*>(d);
          return probe && probe->GetExpectedResponse() == "PROBEX";
        }}},
      {"TOYONS4900", {"ToyoNS4900", "10", Toyo(10)}},
      {"TOYONS49010", {"ToyoNS4900", "10", Toyo(10)}},
  };
  static const char* const kDigits[] = {"1", "2", "3", "4", "5", "6", "7", "8", "9"};
  for (int n = 1; n <= 9; ++n)
    keys.emplace("TOYONS490" + std::to_string(n), Expected{"ToyoNS4900", kDigits[n - 1], Toyo(n)});
  return keys;
}
}  // namespace

TEST(NewDriverKeys, EachKeyCreatesItsClassWithItsArguments) {
  const auto expected = ExpectedKeys();
  size_t seen = 0;
  for (const DeviceTypeEntry& entry : DeviceTypeEntries()) {
    const auto found = expected.find(std::string(entry.key));
    if (found == expected.end()) continue;
    ++seen;
    EXPECT_EQ(entry.className, found->second.className) << entry.key;
    EXPECT_EQ(entry.arguments, found->second.arguments) << entry.key;
    std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver(entry.key);
    ASSERT_NE(driver, nullptr) << entry.key;
    EXPECT_TRUE(found->second.isTheClass(driver.get())) << entry.key;
  }
  EXPECT_EQ(seen, expected.size());
  // The mixed-case key matches in any case, and the two Toyo keys of ten relays make equal drivers.
  EXPECT_TRUE(Is<KREAntennaTower>(CreateDeviceDriver("kreantennatower").get()));
  auto ten = CreateDeviceDriver(" toyons4900\r\n");
  auto alsoTen = CreateDeviceDriver("TOYONS49010");
  EXPECT_EQ(dynamic_cast<ToyoNS4900&>(*ten).RelayCount(), dynamic_cast<ToyoNS4900&>(*alsoTen).RelayCount());
}

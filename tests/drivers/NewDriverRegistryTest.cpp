// Every type key of the GPIB relay controllers, the external program, the
// test tone and the output cycling creates its class with the arguments the
// registry lists, and a fresh driver of each has the documented defaults.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <set>

#include "drivers/external/ExternalProgram.h"
#include "drivers/gpibrelay/EMCO5390.h"
#include "drivers/gpibrelay/HP11713A.h"
#include "drivers/gpibrelay/ICSMultiRelais.h"
#include "drivers/gpibrelay/SCIU.h"
#include "drivers/rsonoff/RSOnOff.h"
#include "drivers/sound/PlaySoundSwitch.h"
#include "interface/DeviceTypeRegistry.h"

namespace {
struct Expected {
  const char* className;
  const char* arguments;
  // Checks the class and the constructor's effect on the new driver.
  std::function<void(DeviceDriverBase*)> check;
};

template <class T>
T* As(DeviceDriverBase* driver) {
  auto* typed = dynamic_cast<T*>(driver);
  EXPECT_NE(typed, nullptr);
  return typed;
}

// The relay table of a relay driver: name, item count and the default of every item.
template <class T>
std::function<void(DeviceDriverBase*)> Relays(const char* table, int count, long value) {
  return [=](DeviceDriverBase* driver) {
    T* relay = As<T>(driver);
    if (!relay) return;
    EXPECT_EQ(relay->Settings().Table(), table);
    EXPECT_EQ(relay->Settings().Count(), count);
    for (int set = 0; set < 2; ++set)
      for (int item = 0; item < count; ++item) EXPECT_EQ(relay->Settings().Get(set, item), value);
    EXPECT_FALSE(relay->DuringActive());
    EXPECT_EQ(relay->GetPrimaryAddress(), 0);
  };
}

std::function<void(DeviceDriverBase*)> Ics(const char* model, int relays, bool interlock) {
  return [=](DeviceDriverBase* driver) {
    ICSMultiRelais* ics = As<ICSMultiRelais>(driver);
    if (!ics) return;
    EXPECT_EQ(ics->Model(), model);
    EXPECT_EQ(ics->Settings().Count(), relays);
    EXPECT_EQ(ics->Settings().Table(), std::string("ICS") + model);
    EXPECT_EQ(dynamic_cast<ICS4874Interlock*>(driver) != nullptr, interlock);
    EXPECT_EQ(dynamic_cast<ICS4864MultiRelais*>(driver) != nullptr, std::string(model) == "4864");
  };
}
}  // namespace

TEST(NewDriverRegistry, EveryKeyCreatesItsClassWithItsArguments) {
  const std::map<std::string, Expected> expected = {
      {"HP11713A", {"HP11713A", "", Relays<HP11713A>("HP11713A", 10, 0)}},
      {"HP59307", {"HP59307", "", Relays<HP59307>("HP59307", 2, 100)}},
      {"HP59307A", {"HP59307", "", Relays<HP59307>("HP59307", 2, 100)}},
      {"TADIRAN_HP8494", {"HP8494Switch", "", Relays<HP8494Switch>("", 0, 0)}},
      {"EMCO2090", {"EMCO2090", "", Relays<EMCO2090>("EMCO2090", 4, 0)}},
      {"ETS_LINDGREN2090", {"EMCO2090", "", Relays<EMCO2090>("EMCO2090", 4, 0)}},
      {"EMCO5390", {"EMCO5390", "", Relays<EMCO5390>("EMCO5390", 1, 0)}},
      {"SCIU_M3", {"SCIU", "", Relays<SCIU>("SCIU", 5, 0)}},
      {"ICS4874", {"ICS4874MultiRelais", "\"4874\", 24", Ics("4874", 24, false)}},
      {"ICS4874INTERLOCK", {"ICS4874Interlock", "\"4874\"", Ics("4874", 24, true)}},
      {"ICS4864", {"ICS4864MultiRelais", "\"4864\"", Ics("4864", 16, false)}},
      {"EXTERNAL_PROGRAM",
       {"ExternalProgram", "",
        [](DeviceDriverBase* d) {
          if (auto* p = As<ExternalProgram>(d)) {
            EXPECT_TRUE(p->before.empty() && p->after.empty() && p->State() == 0);
          }
        }}},
      {"PLAYSOUNDSWITCH",
       {"Kovalex::devicedrivers::PlaySoundSwitch", "1000.0",
        [](DeviceDriverBase* d) {
          if (auto* s = As<Kovalex::devicedrivers::PlaySoundSwitch>(d)) {
            EXPECT_EQ(s->Frequency(), 1000.0);
          }
        }}},
      {"RSONOFF",
       {"RSOnOff", "",
        [](DeviceDriverBase* d) {
          if (auto* r = As<RSOnOff>(d)) {
            EXPECT_TRUE(r->onTime == 1000 && r->offTime == 1000 && r->cycles == 10);
          }
        }}},
  };
  for (const auto& [key, want] : expected) {
    const DeviceTypeEntry* entry = FindDeviceType(key);
    ASSERT_NE(entry, nullptr) << key;
    EXPECT_EQ(entry->className, want.className) << key;
    EXPECT_EQ(entry->arguments, want.arguments) << key;
    std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver(key);
    ASSERT_NE(driver, nullptr) << key;
    SCOPED_TRACE(key);
    want.check(driver.get());
    EXPECT_NE(dynamic_cast<SwitchMatrixBase*>(driver.get()), nullptr);
  }
  // No other key creates one of these classes.
  std::set<std::string_view> classes;
  for (const auto& [key, want] : expected) classes.insert(want.className);
  size_t seen = 0;
  for (const DeviceTypeEntry& entry : DeviceTypeEntries()) seen += classes.count(entry.className);
  EXPECT_EQ(seen, expected.size());
}

// Every driver the registry can create, on TCP/IP where offered and on its
// default transport, pointed at an instrument of another family (one that
// answers every command with "ACME,OTHER INSTRUMENT,0,1.0"): a driver whose
// check or initialisation looks at what the instrument answers (an
// identification, an "STI" reply, a two-byte card answer) fails it with a
// status that has a text. Drivers that only open their stream there are
// listed as such and may succeed; any status they return must still have a
// text. A relay card driver whose card library cannot be loaded fails both.
#include <gtest/gtest.h>

#include <string_view>

#include "support/IsolatedKeySession.h"
#include "support/SessionInstrument.h"
#include "swmatrix/swmatrix.h"

namespace {
constexpr double kTimeout = 0.3;

// Which calls of a class look at the answers: CheckDevice, InitDevice.
struct Looks {
  std::string_view className;
  bool check, init;
};
constexpr Looks kLooking[] = {
    {"HublineSwitch", true, false},          // *IDN? against the card's models; init reads a version if any
    {"HublineExternalSwitch", true, false},
    {"HublineSwitch6Point", true, false},
    {"HublineSwitch6PointExternal", true, false},
    {"HublineMultiSwitch", true, false},     // the check of each card
    {"Kovalex::devicedrivers::NOVOTRONIK::NovotronikBase", true, true},  // *IDN and "STI"
    {"BONN_BAS", true, false},               // "BAS"; its status check takes any answer without a fault
    {"DAE_CB_RO16", true, false},            // two bytes to "ask//"
    {"BBA_IL", true, false},                 // the stream client's identification check
    {"OSP::OSP", true, false},
    {"OSP::OSP220", true, false},
    {"OSP::OSP230", true, false},
    {"OSP::OSP320", true, false},
};

const Looks* LooksOf(const std::string& key) {
  for (const Looks& looks : kLooking)
    if (FindDeviceType(key)->className == looks.className) return &looks;
  return nullptr;
}

// Check and init of a created driver: failures as lines.
std::string CheckAndInit(uint16_t id, bool checkMustFail, bool initMustFail,
                         const std::string& on) {
  std::string failures;
  const auto expect = [&](const char* call, uint32_t status, bool mustFail) {
    if (mustFail && status == 0) failures += on + ": " + call + " accepted an instrument of another family\n";
    if (status != 0 && StatusText(id, status).empty())
      failures += on + ": " + call + " returned 0x" + std::to_string(status) + " without a text\n";
  };
  expect("CheckDevice", CheckDevice(0, id), checkMustFail);
  expect("InitDevice", InitDevice(0, id), initMustFail);
  DeInitDevice(0, id);
  return failures;
}

std::string WrongInstrumentSession(const std::string& key, const TestDirectory& dir, SessionWire wire, bool& skip) {
  SessionInstrument other(wire, LoopbackResponder::Mode::kForeign, dir);
  if (!other.Ready()) return "no loopback port\n";
  uint16_t id = 0;
  if (CreateNewDeviceDriver(0, key.c_str(), &id) != 0) return "cannot create " + key + "\n";
  const std::string ini = dir.File("driver.ini");
  SaveConfiguration(0, id, ini.c_str());
  if (!other.Configure(id, ini, kTimeout)) {
    skip = true;
    RemoveDeviceDriver(0, id);
    return other.WhyNot();
  }
  const Looks* looks = LooksOf(key);
  const std::string failures = CheckAndInit(id, looks && looks->check, looks && looks->init, SessionWireName(wire));
  RemoveDeviceDriver(0, id);
  return failures;
}

// A relay card driver whose card library is missing.
std::string MissingCardLibrarySession(const std::string& key) {
  for (const char* library : {"SWMATRIX_MCC_LIBRARY", "SWMATRIX_ADVANTECH_LIBRARY"})
    setenv(library, "/nonexistent/card-library.so", 1);
  uint16_t id = 0;
  if (CreateNewDeviceDriver(0, key.c_str(), &id) != 0) return "cannot create " + key + "\n";
  std::string failures = CheckAndInit(id, true, true, "without its card library");
  RemoveDeviceDriver(0, id);
  return failures;
}

class WrongInstrumentTest : public testing::TestWithParam<std::string> {};

TEST_P(WrongInstrumentTest, ChecksThatLookAtAnswersFailWithAText) {
  ASSERT_TRUE(EnsureWxRuntime());
  RunIsolatedKeys(KeysOfClass(GetParam()), [](const std::string& key, const TestDirectory& dir, bool& skip) {
    if (const char* reason = NothingToCheck(key)) {
      skip = true;
      return std::string(reason);
    }
    if (DrivesCardLibrary(key)) return MissingCardLibrarySession(key);
    return OnEveryWire([&](SessionWire wire, bool& noWire) { return WrongInstrumentSession(key, dir, wire, noWire); });
  });
}

INSTANTIATE_TEST_SUITE_P(EveryClass, WrongInstrumentTest, testing::ValuesIn(CreatableClasses()), KeyTestName);
}  // namespace

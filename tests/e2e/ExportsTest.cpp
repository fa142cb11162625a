// The exports and the driver table, driven through the built module as a host does.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <vector>

#include "support/LoadedModule.h"

namespace {
constexpr uint32_t kUnknownId = DRV_ERR_UNKNOWN_DEVICE_ID;

class Exports : public ::testing::Test {
protected:
  swm::Module& m = LoadedModule();
  std::vector<uint16_t> created;

  uint16_t Create(const char* key = "DEBUGSWITCHMATRIX") {
    uint16_t id = 0xBEEF;
    EXPECT_EQ(m.CreateNewDeviceDriver(0, key, &id), DRV_OK) << key;
    created.push_back(id);
    return id;
  }
  void TearDown() override {
    for (uint16_t id : created) m.RemoveDeviceDriver(0, id);
  }
};

std::set<std::string> DefinedDynamicSymbols(const std::string& path) {
  std::set<std::string> symbols;
  const std::string command = "nm -D --defined-only '" + path + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  char line[1024];
  while (pipe && fgets(line, sizeof line, pipe.get())) {
    char address[64], type[8], name[512];
    if (std::sscanf(line, "%63s %7s %511s", address, type, name) == 3) symbols.insert(name);
  }
  return symbols;
}
}  // namespace

TEST(ModuleSymbols, ExportsExactlyTheEighteenFunctions) {
  const std::set<std::string> expected = {
      "CreateNewDeviceDriver", "RemoveDeviceDriver", "Registered",       "UnRegistered",
      "CheckDevice",           "InitDevice",         "DeInitDevice",     "ShowConfigurationDialog",
      "LoadConfiguration",     "SaveConfiguration",  "GetDriverVersion", "GetErrorString",
      "GetInfo",               "GetInfoString",      "SetSetting",       "SetValue",
      "GetValue",              "GetValueString"};
  EXPECT_EQ(DefinedDynamicSymbols(BuiltModulePath()), expected);
}

TEST_F(Exports, IdsAreHandedOutLowestFirstTrimmedAndRemovedOnce) {
  const uint16_t a = Create(), b = Create(), c = Create();
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);
  EXPECT_EQ(c, 2);
  EXPECT_EQ(m.RemoveDeviceDriver(0, 1), DRV_OK);
  EXPECT_EQ(m.CheckDevice(0, 1), kUnknownId);
  EXPECT_EQ(Create(), 1);  // reused
  EXPECT_EQ(m.RemoveDeviceDriver(0, 1), DRV_OK);
  EXPECT_EQ(m.RemoveDeviceDriver(0, 2), DRV_OK);  // trims 2 and the free 1
  EXPECT_EQ(m.CheckDevice(0, 2), kUnknownId);
  EXPECT_EQ(m.CheckDevice(0, 0), DRV_OK);
  EXPECT_EQ(Create(), 1);
  EXPECT_EQ(Create(), 2);
  EXPECT_EQ(m.RemoveDeviceDriver(0, 2), DRV_OK);
  EXPECT_EQ(m.RemoveDeviceDriver(0, 2), kUnknownId) << "removed twice";
}

TEST_F(Exports, UpperBitsOfTheIdSlotAreIgnored) {
  const uint16_t id = Create();
  EXPECT_EQ(m.InitDevice(0, 0xABCD0000u | id), DRV_OK);
  double frequency = 12.25, read = 0;
  EXPECT_EQ(m.SetValue(0, 0x10000u | id, SWM_VALUE_SET_CW_FREQUENCY, &frequency, nullptr), DRV_OK);
  EXPECT_EQ(m.GetInfo(0, 0xFFFF0000u | id, 1, &read), DRV_ERR_UNKNOWN_INFO_ID);
}

TEST_F(Exports, UnknownKeyLeavesTheIdVariableAlone) {
  const char* keys[] = {"OSP120", "OSP 120", "", "   ", "NOSUCHDEVICE", "SIEMENS"};
  for (const char* key : keys) {
    uint16_t id = 0x5A5A;
    EXPECT_EQ(m.CreateNewDeviceDriver(0, key, &id), DRV_ERR_UNKNOWN_DEVICE_TYPE) << key;
    EXPECT_EQ(id, 0x5A5A);
  }
  uint16_t id = 0x5A5A;
  EXPECT_EQ(m.CreateNewDeviceDriver(0, nullptr, &id), DRV_ERR_UNKNOWN_DEVICE_TYPE);
  EXPECT_EQ(id, 0x5A5A);
}

TEST_F(Exports, EveryExportRejectsAnInvalidIdWithoutTouchingOutputs) {
  Create();
  const uint32_t bad = 7;
  char buffer[16] = "caller's text";
  uint32_t count = 1234;
  double value = 3.5;
  uint32_t event = 1;
  EXPECT_EQ(m.Registered(0, bad), kUnknownId);
  EXPECT_EQ(m.UnRegistered(0, bad), kUnknownId);
  EXPECT_EQ(m.CheckDevice(0, bad), kUnknownId);
  EXPECT_EQ(m.InitDevice(0, bad), kUnknownId);
  EXPECT_EQ(m.DeInitDevice(0, bad), kUnknownId);
  EXPECT_EQ(m.ShowConfigurationDialog(0, bad), kUnknownId);
  EXPECT_EQ(m.LoadConfiguration(0, bad, "/nonexistent/x.ini"), kUnknownId);
  EXPECT_EQ(m.SaveConfiguration(0, bad, "/nonexistent/x.ini"), kUnknownId);
  EXPECT_EQ(m.GetDriverVersion(0, bad, buffer), kUnknownId);
  EXPECT_EQ(m.SetSetting(0, bad, 4003, 1.0), kUnknownId);
  EXPECT_EQ(m.GetErrorString(0, bad, DRV_ERR_VISA_NOT_FOUND, buffer, sizeof buffer, &count), kUnknownId);
  EXPECT_EQ(m.GetInfoString(0, bad, 1, buffer, sizeof buffer, &count), kUnknownId);
  EXPECT_EQ(m.GetInfo(0, bad, 1, &value), kUnknownId);
  EXPECT_EQ(m.SetValue(0, bad, SWM_VALUE_EVENT, &event, &value), kUnknownId);
  EXPECT_EQ(m.GetValue(0, bad, SWM_VALUE_REQUEST, &event, &count), kUnknownId);
  EXPECT_EQ(m.GetValueString(0, bad, 53, nullptr, buffer, sizeof buffer, &count), kUnknownId);
  EXPECT_STREQ(buffer, "caller's text");
  EXPECT_EQ(count, 1234u);
  EXPECT_EQ(value, 3.5);
}

TEST_F(Exports, DriverDefaultsThroughTheExports) {
  const uint16_t id = Create(" debugswitchmatrix\r\n");
  EXPECT_EQ(m.Registered(0, id), DRV_OK);
  EXPECT_EQ(m.CheckDevice(0, id), DRV_OK);
  EXPECT_EQ(m.GetDriverVersion(0, id, nullptr), DRV_ERR_NOT_IMPLEMENTED);
  EXPECT_EQ(m.SetSetting(0, id, 4003, 1e-12), DRV_OK);
  EXPECT_EQ(m.SetSetting(0, id, 17, 1.0), DRV_ERR_UNKNOWN_SETTING_ID);
  EXPECT_EQ(m.ShowConfigurationDialog(0, id), DRV_OK);  // "cannot be configured" box, answered ok
  EXPECT_EQ(m.ErrorText(id, DRV_ERR_TCP_RESPONSE_TOO_LARGE),
            "The response of a TCPIP controlled device is larger than expected.");

  char buffer[8];
  std::memset(buffer, 'x', sizeof buffer);
  uint32_t read = 55;
  EXPECT_EQ(m.GetErrorString(0, id, 0x3ABCDEF0, buffer, sizeof buffer, &read), DRV_OK);
  EXPECT_EQ(buffer[0], '\0');
  EXPECT_EQ(read, 0u);

  char version[] = "2019.1.8";
  EXPECT_EQ(m.SetValue(0, id, SWM_VALUE_SET_HOST_VERSION, version, nullptr), DRV_ERR_HOST_VERSION_TOO_OLD);
  EXPECT_EQ(m.SetValue(0, id, 999, nullptr, nullptr), DRV_ERR_UNKNOWN_SET_VALUE_ID);
  EXPECT_EQ(m.GetValue(0, id, 999, nullptr, nullptr), DRV_ERR_UNKNOWN_GET_VALUE_ID);
  EXPECT_EQ(m.GetValueString(0, id, 999, nullptr, buffer, sizeof buffer, &read), DRV_ERR_UNKNOWN_GET_VALUE_ID);
}

TEST_F(Exports, DebugSwitchMatrixEventsAndRequestsAnsweredUnattended) {
  const uint16_t id = Create();
  setenv("SWMATRIX_MESSAGEBOX", "cancel", 1);
  uint32_t event = SWM_EVENT_FrequencyChanged;
  double value = 123.5;
  EXPECT_EQ(m.SetValue(0, id, SWM_VALUE_EVENT, &event, &value), DRV_ERR_USER_CANCELLED);
  uint32_t request = SWM_REQUEST_InterlockClosed, answer = 0;
  EXPECT_EQ(m.GetValue(0, id, SWM_VALUE_REQUEST, &request, &answer), DRV_ERR_USER_CANCELLED);
  EXPECT_EQ(answer, 1u);
  setenv("SWMATRIX_MESSAGEBOX", "ok", 1);
  EXPECT_EQ(m.InitDevice(0, id), DRV_OK);
  EXPECT_EQ(m.SetValue(0, id, SWM_VALUE_EVENT, &event, &value), DRV_OK);
  request = SWM_REQUEST_DwellTimeStopOk;
  answer = 0;
  EXPECT_EQ(m.GetValue(0, id, SWM_VALUE_REQUEST, &request, &answer), DRV_OK);
  EXPECT_EQ(answer, 1u);
  EXPECT_EQ(m.DeInitDevice(0, id), DRV_OK);
}

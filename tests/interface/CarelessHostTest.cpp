// Every driver the registry can create, called through the 18 exports the
// way a careless host would: null pointers, buffers of 0 and 1 bytes, values
// that are not numbers or do not fit, unknown event and request numbers, and
// calls in every wrong order. Each call must return a status (a non-zero one
// with a text), never crash or write past a buffer (the sanitizers watch),
// and come back within the driver's time-out plus 10 %.
//
// Calls that need an instrument find none: the driver's file points every
// network address at a refused loopback port and every serial port at one
// that does not exist, and the whole run happens in a private network
// namespace with only loopback, so that no default address is ever reached.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <regex>
#include <set>
#include <sstream>

#include "support/IsolatedKeySession.h"
#include "support/LoopbackPort.h"
#include "swmatrix/swmatrix.h"

namespace {
// The time-out written into every driver's file, in seconds.
constexpr double kTimeout = 0.3;
// What a call may take beyond the time-out: 10 %, plus the start of a call
// under the sanitizers.
constexpr double kBound = kTimeout * 1.1 + 0.2;

// The file with every address, port and time-out replaced: "Address" keys
// name the refused port, "COMPort" a port that does not exist, keys that
// hold a time-out in seconds the short one.
std::string WithoutInstrument(const std::string& text, int port) {
  std::istringstream in(text);
  std::ostringstream out;
  static const std::regex address("^\\s*(Address|IPAddress|Host|Server)\\s*=.*$", std::regex::icase);
  static const std::regex serial("^\\s*(COMPort|Port)\\s*=.*$", std::regex::icase);
  static const std::regex seconds("^\\s*([A-Za-z]*Time[Oo]ut[A-Za-z]*Seconds|Timeout)\\s*=.*$");
  std::smatch match;
  for (std::string line; std::getline(in, line);) {
    if (std::regex_match(line, match, address))
      line = match[1].str() + "=127.0.0.1:" + std::to_string(port);
    else if (std::regex_match(line, match, serial))
      line = match[1].str() + "=250";
    else if (std::regex_match(line, match, seconds))
      line = match[1].str() + "=" + std::to_string(kTimeout);
    out << line << "\n";
  }
  return out.str();
}

// One careless session with one driver; failures are collected as text.
class CarelessHost {
public:
  explicit CarelessHost(std::string key) : key_(std::move(key)) {}

  std::string Run(const TestDirectory& dir, int port) {
    const std::string ini = dir.File("driver.ini");
    const std::string spare = dir.File("spare.ini");
    CreateAndForget();
    uint16_t id = 0;
    if (CreateNewDeviceDriver(0, key_.c_str(), &id) != 0) return "cannot create " + key_;
    id_ = id;
    // Before anything was loaded or initialised.
    CallsInTheWrongOrder();
    Check("SaveConfiguration", SaveConfiguration(0, id_, ini.c_str()));
    WriteFile(ini, WithoutInstrument(ReadFile(ini), port));
    Check("LoadConfiguration", LoadConfiguration(0, id_, ini.c_str()));
    CallsInTheWrongOrder();
    Check("Registered", Registered(0, id_));
    Check("CheckDevice", CheckDevice(0, id_));
    Check("InitDevice", InitDevice(0, id_));
    Check("InitDevice again", InitDevice(0, id_));
    Values();
    Check("DeInitDevice", DeInitDevice(0, id_));
    Check("DeInitDevice again", DeInitDevice(0, id_));
    Values();
    Check("UnRegistered", UnRegistered(0, id_));
    Check("UnRegistered again", UnRegistered(0, id_));
    Files(spare);
    Check("RemoveDeviceDriver", RemoveDeviceDriver(0, id_));
    RemovedDriver();
    return failures_.str();
  }

private:
  using Clock = std::chrono::steady_clock;

  template <class F>
  uint32_t Timed(const std::string& what, F call) {
    const auto start = Clock::now();
    const uint32_t status = call();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (seconds > kBound) failures_ << what << " took " << seconds << " s\n";
    return status;
  }

  // A non-zero status of a living driver must have a text.
  void Check(const std::string& what, uint32_t status) {
    if (status == 0 || status == DRV_ERR_UNKNOWN_DEVICE_ID) return;
    if (!texts_.insert(status).second) return;
    char text[512];
    uint32_t count = 0;
    GetErrorString(0, id_, status, text, sizeof text, &count);
    if (count == 0 || text[0] == '\0') failures_ << what << " returned 0x" << std::hex << status << std::dec << " without a text\n";
  }

  template <class F>
  void Call(const std::string& what, F call) {
    Check(what, Timed(what, call));
  }

  void CreateAndForget() {
    uint16_t id = 0;
    for (const char* key : {"", "NO SUCH DRIVER", "\t"})
      if (CreateNewDeviceDriver(0, key, &id) != DRV_ERR_UNKNOWN_DEVICE_TYPE) failures_ << "created '" << key << "'\n";
    if (CreateNewDeviceDriver(0, nullptr, &id) != DRV_ERR_UNKNOWN_DEVICE_TYPE) failures_ << "created a null key\n";
    // A driver whose ID the host dropped stays in the table: find and remove it.
    if (CreateNewDeviceDriver(0, key_.c_str(), nullptr) != 0) failures_ << "create without an ID pointer failed\n";
  }

  void CallsInTheWrongOrder() {
    Call("DeInitDevice before InitDevice", [&] { return DeInitDevice(0, id_); });
    Call("UnRegistered before Registered", [&] { return UnRegistered(0, id_); });
    Values();
  }

  // Text outputs: a null buffer, a 0-byte and a 1-byte buffer, each heap
  // allocated to its exact size.
  template <class F>
  void TextOutput(const std::string& what, F call) {
    uint32_t count = 77;
    Call(what + " (null)", [&] { return call(nullptr, 0u, nullptr); });
    Call(what + " (null, size 8)", [&] { return call(nullptr, 8u, &count); });
    auto one = std::make_unique<char[]>(1);
    one[0] = '#';
    Call(what + " (size 0)", [&] { return call(one.get(), 0u, &count); });
    if (one[0] != '#') failures_ << what << " wrote into a buffer of size 0\n";
    Call(what + " (size 1)", [&] { return call(one.get(), 1u, &count); });
    if (one[0] != '\0' && one[0] != '#') failures_ << what << " left no terminator in a buffer of size 1\n";
    if (count > 0 && count != 77) failures_ << what << " counted " << count << " characters in a buffer of size 1\n";
  }

  void Values() {
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {std::nan(""), inf, -inf, 1e300, -1e300, 0.0};
    for (uint32_t event = 0; event <= kLastEvent + 1; ++event) {
      const std::string name = "event " + std::to_string(event);
      if (event == SWM_EVENT_SendPilotInterfaceData) {
        auto text = std::make_unique<char[]>(1);
        text[0] = '\0';
        Call(name, [&] { return SetValue(0, id_, SWM_VALUE_EVENT, &event, text.get()); });
        continue;
      }
      for (double value : values) Call(name, [&] { return SetValue(0, id_, SWM_VALUE_EVENT, &event, &value); });
      Call(name + " without value", [&] { return SetValue(0, id_, SWM_VALUE_EVENT, &event, nullptr); });
    }
    uint32_t unknown = 0xFFFFFFFF;
    double nan = std::nan("");
    Call("event 0xFFFFFFFF", [&] { return SetValue(0, id_, SWM_VALUE_EVENT, &unknown, &nan); });
    Call("event without number", [&] { return SetValue(0, id_, SWM_VALUE_EVENT, nullptr, &nan); });
    for (uint32_t request : {0u, 1u, 2u, 3u, 5u, 0xFFFFFFFFu}) {
      uint32_t answer = 0xA5A5A5A5;
      Call("request " + std::to_string(request), [&] { return GetValue(0, id_, SWM_VALUE_REQUEST, &request, &answer); });
      Call("request without answer", [&] { return GetValue(0, id_, SWM_VALUE_REQUEST, &request, nullptr); });
    }
    uint32_t text = SWM_REQUEST_RetrievePilotInterfaceData;
    auto one = std::make_unique<char[]>(1);
    one[0] = 'X';
    Call("request 4", [&] { return GetValue(0, id_, SWM_VALUE_REQUEST, &text, one.get()); });
    Call("request without number", [&] { return GetValue(0, id_, SWM_VALUE_REQUEST, nullptr, one.get()); });
    for (double value : values) {
      Call("SetLastCWFrequency", [&] { return SetValue(0, id_, SWM_VALUE_SET_CW_FREQUENCY, &value, nullptr); });
      for (uint32_t setting : {SWM_SETTING_USE_DOUBLES, SWM_SETTING_USE_MILLIHZ_FREQUENCY, 0u, 0xFFFFFFFFu})
        Call("SetSetting", [&] { return SetSetting(0, id_, setting, value); });
    }
    Call("SetLastCWFrequency (null)", [&] { return SetValue(0, id_, SWM_VALUE_SET_CW_FREQUENCY, nullptr, nullptr); });
    for (uint32_t valueId : {0u, SWM_VALUE_SET_INFORMATION_ITEMS, SWM_VALUE_SET_SPECIFIC_SETTING, SWM_VALUE_SET_HOST_VERSION, 9999u})
      Call("SetValue " + std::to_string(valueId) + " (null)", [&] { return SetValue(0, id_, valueId, nullptr, nullptr); });
    for (uint32_t valueId : {0u, SWM_VALUE_GET_SPECIFIC_SETTING_STATE, SWM_VALUE_GET_SPECIFIC_INPUT,
                             SWM_VALUE_CHECK_DEVICE_ON_STREAM, SWM_VALUE_TOWER_CURRENT_HEIGHT, 9999u})
      Call("GetValue " + std::to_string(valueId) + " (null)", [&] { return GetValue(0, id_, valueId, nullptr, nullptr); });
    for (uint32_t info : {0u, SWM_INFO_DOUBLE_SET_GET_VALUE, 0xFFFFFFFFu}) {
      double value = 0;
      Call("GetInfo", [&] { return GetInfo(0, id_, info, &value); });
      Call("GetInfo (null)", [&] { return GetInfo(0, id_, info, nullptr); });
      TextOutput("GetInfoString " + std::to_string(info), [&](char* b, uint32_t s, uint32_t* n) {
        return GetInfoString(0, id_, info, b, s, n);
      });
    }
    for (uint32_t valueId : {0u, SWM_VALUE_GET_SPECIFIC_SETTING, 9999u})
      TextOutput("GetValueString " + std::to_string(valueId), [&](char* b, uint32_t s, uint32_t* n) {
        return GetValueString(0, id_, valueId, nullptr, b, s, n);
      });
    for (uint32_t err : {0u, 1u, DRV_ERR_NOT_IMPLEMENTED, 0x300002D3u, 0x3000FFFFu, 0xFFFFFFFFu})
      TextOutput("GetErrorString", [&](char* b, uint32_t s, uint32_t* n) { return GetErrorString(0, id_, err, b, s, n); });
    Call("GetDriverVersion (null)", [&] { return GetDriverVersion(0, id_, nullptr); });
  }

  void Files(const std::string& spare) {
    Call("SaveConfiguration (null)", [&] { return SaveConfiguration(0, id_, nullptr); });
    Call("SaveConfiguration (no folder)", [&] { return SaveConfiguration(0, id_, "/nonexistent-swm/x.ini"); });
    Call("LoadConfiguration (null)", [&] { return LoadConfiguration(0, id_, nullptr); });
    Call("LoadConfiguration (missing)", [&] { return LoadConfiguration(0, id_, spare.c_str()); });
    WriteFile(spare, "[Common\n=\n\xff\xfe[]\nDescription\n");
    Call("LoadConfiguration (garbage)", [&] { return LoadConfiguration(0, id_, spare.c_str()); });
    if (!getenv("DISPLAY") && !getenv("WAYLAND_DISPLAY"))
      Call("ShowConfigurationDialog", [&] { return ShowConfigurationDialog(0, id_); });
  }

  void RemovedDriver() {
    const uint32_t gone = id_;
    char text[8] = "kept";
    uint32_t count = 4;
    if (RemoveDeviceDriver(0, gone) != DRV_ERR_UNKNOWN_DEVICE_ID) failures_ << "removed twice\n";
    if (InitDevice(0, gone) != DRV_ERR_UNKNOWN_DEVICE_ID) failures_ << "initialised a removed driver\n";
    if (GetErrorString(0, gone, 1, text, sizeof text, &count) != DRV_ERR_UNKNOWN_DEVICE_ID || count != 4 ||
        std::string(text) != "kept")
      failures_ << "GetErrorString of a removed driver touched the buffer\n";
    if (SetValue(0, gone, SWM_VALUE_EVENT, nullptr, nullptr) != DRV_ERR_UNKNOWN_DEVICE_ID) failures_ << "event to a removed driver\n";
  }

  static constexpr uint32_t kLastEvent = SWM_EVENT_PositionerPositionMovementPercentage;
  std::string key_;
  uint32_t id_ = 0;
  std::set<uint32_t> texts_;
  std::ostringstream failures_;
};

class CarelessHostTest : public testing::TestWithParam<std::string> {};

TEST_P(CarelessHostTest, EveryExportReturnsAStatusInTime) {
  ASSERT_TRUE(EnsureWxRuntime());
  TestDirectory dir;
  ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);
  RunIsolated(dir, [&](bool&) {
    setenv("SWMATRIX_PORTS", dir.Path().c_str(), 1);
    const LoopbackPort refusing(LoopbackPort::kRefusing);
    return refusing.Port() ? CarelessHost(GetParam()).Run(dir, refusing.Port()) : "no loopback port";
  });
}

INSTANTIATE_TEST_SUITE_P(EveryKey, CarelessHostTest, testing::ValuesIn(CreatableKeys()), KeyTestName);
}  // namespace

// The 18 functions the host calls. Every one but CreateNewDeviceDriver looks
// the device ID up in the driver table; an ID that is not there gives
// 0x300000D0 at once and no output argument is touched. Each one first
// touches the thread guard, which attaches a thread on its first call.
#include <algorithm>
#include <cstring>
#include <sstream>
#include <string>

#include "framework/DeviceDriverBase.h"
#include "interface/DeviceDriverTable.h"
#include "interface/DeviceTypeRegistry.h"
#include "interface/ThreadAttachGuard.h"
#include "logging/JournexEntry.h"
#include "swmatrix/swmatrix.h"

namespace {
constexpr std::string_view kModule = "DeviceDriver";

DeviceDriverBase* Driver(uint32_t deviceId) {
  return DeviceDriverTable::Instance().Find(static_cast<uint16_t>(deviceId));
}

// "Name(a, b, c)" with the default stream formatting of each argument.
template <class... Args>
std::string CallText(std::string_view name, const Args&... args) {
  std::ostringstream out;
  out << name << "(";
  const char* separator = "";
  ((out << separator << args, separator = ", "), ...);
  out << ")";
  return out.str();
}

// The characters the driver reported in the buffer, never more than it holds.
std::string Quoted(const char* buffer, uint32_t bufferSize, const uint32_t* count) {
  if (!buffer || !count || bufferSize == 0) return "\"\"";
  const size_t length = strnlen(buffer, std::min(*count, bufferSize));
  std::string quoted;
  quoted.reserve(length + 2);
  quoted.append(1, '"').append(buffer, length).append(1, '"');
  return quoted;
}

const char* EndType(Status status) { return status == 0 ? "Complete" : "Error"; }

// A logged export whose only output is its status.
template <class Operation>
Status LoggedCall(std::string_view name, uint16_t id, const std::string& description,
                  JournexEntry::Values arguments, Operation operation) {
  JournexEntry scope(name, kModule);
  scope.LogBegin("Note", description, arguments);
  Status status = DRV_ERR_UNKNOWN_DEVICE_ID;
  if (DeviceDriverBase* driver = Driver(id)) status = operation(*driver);
  scope.LogEnd(EndType(status), {}, {{"Err", status}});
  return status;
}

template <class Operation>
Status SimpleLoggedCall(std::string_view name, uint32_t deviceId, Operation operation) {
  const uint16_t id = static_cast<uint16_t>(deviceId);
  const std::string text = JournexEntry::Enabled() ? CallText(name, id) : std::string();
  return LoggedCall(name, id, text, {{"DeviceID", id}}, operation);
}
}  // namespace

extern "C" {

SwmStatus SWM_CALL CreateNewDeviceDriver(SwmWindow, const char* typeKey, uint16_t* deviceId) {
  ThreadAttachGuard::Touch();
  std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver(typeKey ? typeKey : "");
  if (!driver) return DRV_ERR_UNKNOWN_DEVICE_TYPE;
  const uint16_t id = DeviceDriverTable::Instance().Add(std::move(driver));
  if (deviceId) *deviceId = id;
  return DRV_OK;
}

SwmStatus SWM_CALL RemoveDeviceDriver(SwmWindow, uint32_t deviceId) {
  ThreadAttachGuard::Touch();
  return SimpleLoggedCall("RemoveDeviceDriver", deviceId, [&](DeviceDriverBase&) {
    DeviceDriverTable::Instance().Remove(static_cast<uint16_t>(deviceId));
    return Status{0};
  });
}

SwmStatus SWM_CALL Registered(SwmWindow hWnd, uint32_t deviceId) {
  ThreadAttachGuard::Touch();
  return SimpleLoggedCall("Registered", deviceId, [&](DeviceDriverBase& d) { return d.Registered(hWnd); });
}

SwmStatus SWM_CALL UnRegistered(SwmWindow hWnd, uint32_t deviceId) {
  ThreadAttachGuard::Touch();
  return SimpleLoggedCall("UnRegistered", deviceId, [&](DeviceDriverBase& d) { return d.UnRegistered(hWnd); });
}

SwmStatus SWM_CALL CheckDevice(SwmWindow hWnd, uint32_t deviceId) {
  ThreadAttachGuard::Touch();
  return SimpleLoggedCall("CheckDevice", deviceId, [&](DeviceDriverBase& d) { return d.CheckDevice(hWnd); });
}

SwmStatus SWM_CALL InitDevice(SwmWindow hWnd, uint32_t deviceId) {
  ThreadAttachGuard::Touch();
  return SimpleLoggedCall("InitDevice", deviceId, [&](DeviceDriverBase& d) { return d.InitDevice(hWnd); });
}

SwmStatus SWM_CALL DeInitDevice(SwmWindow hWnd, uint32_t deviceId) {
  ThreadAttachGuard::Touch();
  return SimpleLoggedCall("DeInitDevice", deviceId, [&](DeviceDriverBase& d) { return d.DeInitDevice(hWnd); });
}

SwmStatus SWM_CALL ShowConfigurationDialog(SwmWindow hWnd, uint32_t deviceId) {
  ThreadAttachGuard::Touch();
  return SimpleLoggedCall("ShowConfigurationDialog", deviceId,
                          [&](DeviceDriverBase& d) { return d.ShowConfigurationDialog(hWnd); });
}

SwmStatus SWM_CALL LoadConfiguration(SwmWindow hWnd, uint32_t deviceId, const char* fileName) {
  ThreadAttachGuard::Touch();
  const uint16_t id = static_cast<uint16_t>(deviceId);
  const char* name = fileName ? fileName : "";
  const std::string text = JournexEntry::Enabled() ? CallText("LoadConfiguration", id, name) : std::string();
  return LoggedCall("LoadConfiguration", id, text, {{"DeviceID", id}, {"Filename", name}},
                    [&](DeviceDriverBase& d) { return d.LoadConfiguration(hWnd, fileName); });
}

SwmStatus SWM_CALL SaveConfiguration(SwmWindow hWnd, uint32_t deviceId, const char* fileName) {
  ThreadAttachGuard::Touch();
  const uint16_t id = static_cast<uint16_t>(deviceId);
  const char* name = fileName ? fileName : "";
  const std::string text = JournexEntry::Enabled() ? CallText("SaveConfiguration", id, name) : std::string();
  return LoggedCall("SaveConfiguration", id, text, {{"DeviceID", id}, {"Filename", name}},
                    [&](DeviceDriverBase& d) { return d.SaveConfiguration(hWnd, fileName); });
}

SwmStatus SWM_CALL GetDriverVersion(SwmWindow hWnd, uint32_t deviceId, void* strVer) {
  ThreadAttachGuard::Touch();
  const uint16_t id = static_cast<uint16_t>(deviceId);
  const std::string text = JournexEntry::Enabled() ? CallText("GetDriverVersion", id, "(..)") : std::string();
  return LoggedCall("GetDriverVersion", id, text, {{"DeviceID", id}, {"strVer", "(..)"}},
                    [&](DeviceDriverBase& d) { return d.GetDriverVersion(hWnd, strVer); });
}

SwmStatus SWM_CALL SetSetting(SwmWindow hWnd, uint32_t deviceId, uint32_t setting, double value) {
  ThreadAttachGuard::Touch();
  const uint16_t id = static_cast<uint16_t>(deviceId);
  const std::string text = JournexEntry::Enabled() ? CallText("SetSetting", id, setting, value) : std::string();
  return LoggedCall("SetSetting", id, text, {{"DeviceID", id}, {"Setting", setting}, {"Value", value}},
                    [&](DeviceDriverBase& d) { return d.SetSetting(hWnd, setting, value); });
}

SwmStatus SWM_CALL GetInfo(SwmWindow hWnd, uint32_t deviceId, uint32_t info, double* value) {
  ThreadAttachGuard::Touch();
  const uint16_t id = static_cast<uint16_t>(deviceId);
  JournexEntry scope("GetInfo", kModule);
  const bool logging = JournexEntry::Enabled();
  scope.LogBegin("Note", logging ? CallText("GetInfo", id, info, "(..)") : std::string(),
                 {{"DeviceID", id}, {"Info", info}});
  Status status = DRV_ERR_UNKNOWN_DEVICE_ID;
  if (DeviceDriverBase* driver = Driver(id)) status = driver->GetInfo(hWnd, info, value);
  const double shown = value ? *value : 0.0;
  scope.LogEnd(EndType(status), logging ? CallText("GetInfo", id, info, shown) : std::string(),
               {{"Value", shown}, {"Err", status}});
  return status;
}

SwmStatus SWM_CALL GetInfoString(SwmWindow hWnd, uint32_t deviceId, uint32_t info, char* buffer,
                                 uint32_t bufferSize, uint32_t* filledSize) {
  ThreadAttachGuard::Touch();
  const uint16_t id = static_cast<uint16_t>(deviceId);
  JournexEntry scope("GetInfoString", kModule);
  const bool logging = JournexEntry::Enabled();
  scope.LogBegin("Note", logging ? CallText("GetInfoString", id, info, "(..)") : std::string(),
                 {{"DeviceID", id}, {"Info", info}, {"BufferSize", bufferSize}});
  DeviceDriverBase* driver = Driver(id);
  const Status status = driver ? driver->GetInfoString(hWnd, info, buffer, bufferSize, filledSize)
                               : DRV_ERR_UNKNOWN_DEVICE_ID;
  // For an unknown ID the caller's buffer holds nothing of ours: log an empty text.
  const std::string text = driver ? Quoted(buffer, bufferSize, filledSize) : "\"\"";
  const uint32_t filled = driver && filledSize ? *filledSize : 0;
  scope.LogEnd(EndType(status),
               logging ? CallText("GetInfoString", id, info, text, bufferSize, filled) : std::string(),
               {{"Info", std::string_view(text).substr(1, text.size() - 2)}, {"FilledSize", filled}, {"Err", status}});
  return status;
}

SwmStatus SWM_CALL GetErrorString(SwmWindow hWnd, uint32_t deviceId, uint32_t err, char* buffer,
                                  uint32_t bufferSize, uint32_t* read) {
  ThreadAttachGuard::Touch();
  const uint16_t id = static_cast<uint16_t>(deviceId);
  JournexEntry scope("GetErrorString", kModule);
  const bool logging = JournexEntry::Enabled();
  scope.LogBegin("Note", logging ? CallText("GetErrorString", id, err, "(..)") : std::string(),
                 {{"DeviceID", id}, {"BufferSize", bufferSize}, {"Err", err}});
  DeviceDriverBase* driver = Driver(id);
  const Status status = driver ? driver->GetErrorString(hWnd, err, buffer, bufferSize, read)
                               : DRV_ERR_UNKNOWN_DEVICE_ID;
  const std::string text = driver ? Quoted(buffer, bufferSize, read) : "\"\"";
  const uint32_t count = driver && read ? *read : 0;
  scope.LogEnd(EndType(status),
               logging ? CallText("GetErrorString", id, err, text, bufferSize, count) : std::string(),
               {{"Description", std::string_view(text).substr(1, text.size() - 2)}, {"Read", count}, {"Err", status}});
  return status;
}

SwmStatus SWM_CALL SetValue(SwmWindow hWnd, uint32_t deviceId, uint32_t valueId, void* data1, void* data2) {
  ThreadAttachGuard::Touch();
  DeviceDriverBase* driver = Driver(deviceId);
  return driver ? driver->SetValue(hWnd, valueId, data1, data2) : DRV_ERR_UNKNOWN_DEVICE_ID;
}

SwmStatus SWM_CALL GetValue(SwmWindow hWnd, uint32_t deviceId, uint32_t valueId, void* data1, void* data2) {
  ThreadAttachGuard::Touch();
  DeviceDriverBase* driver = Driver(deviceId);
  return driver ? driver->GetValue(hWnd, valueId, data1, data2) : DRV_ERR_UNKNOWN_DEVICE_ID;
}

SwmStatus SWM_CALL GetValueString(SwmWindow hWnd, uint32_t deviceId, uint32_t valueId, void* data1,
                                  char* buffer, uint32_t bufferSize, uint32_t* filledSize) {
  ThreadAttachGuard::Touch();
  DeviceDriverBase* driver = Driver(deviceId);
  return driver ? driver->GetValueString(hWnd, valueId, data1, buffer, bufferSize, filledSize)
                : DRV_ERR_UNKNOWN_DEVICE_ID;
}

}  // extern "C"

#pragma once
// Loads libswmatrix.so at run time and resolves the 18 exports, the way a
// host does. Header-only, for C++ hosts and tests.
#include <dlfcn.h>

#include <stdexcept>
#include <string>

#include "swmatrix/swmatrix.h"

namespace swm {

class Module {
public:
  explicit Module(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) throw std::runtime_error(std::string("cannot load module: ") + dlerror());
    Resolve(CreateNewDeviceDriver, "CreateNewDeviceDriver");
    Resolve(RemoveDeviceDriver, "RemoveDeviceDriver");
    Resolve(Registered, "Registered");
    Resolve(UnRegistered, "UnRegistered");
    Resolve(CheckDevice, "CheckDevice");
    Resolve(InitDevice, "InitDevice");
    Resolve(DeInitDevice, "DeInitDevice");
    Resolve(ShowConfigurationDialog, "ShowConfigurationDialog");
    Resolve(LoadConfiguration, "LoadConfiguration");
    Resolve(SaveConfiguration, "SaveConfiguration");
    Resolve(GetDriverVersion, "GetDriverVersion");
    Resolve(GetErrorString, "GetErrorString");
    Resolve(GetInfo, "GetInfo");
    Resolve(GetInfoString, "GetInfoString");
    Resolve(SetSetting, "SetSetting");
    Resolve(SetValue, "SetValue");
    Resolve(GetValue, "GetValue");
    Resolve(GetValueString, "GetValueString");
  }
  ~Module() {
    if (handle_) dlclose(handle_);
  }
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // The text GetErrorString gives for a status of a driver.
  std::string ErrorText(uint32_t deviceId, uint32_t status) const {
    char buffer[1024] = {0};
    uint32_t read = 0;
    if (GetErrorString(0, deviceId, status, buffer, sizeof buffer, &read) != 0) return {};
    return std::string(buffer, read);
  }

  decltype(&::CreateNewDeviceDriver) CreateNewDeviceDriver = nullptr;
  decltype(&::RemoveDeviceDriver) RemoveDeviceDriver = nullptr;
  decltype(&::Registered) Registered = nullptr;
  decltype(&::UnRegistered) UnRegistered = nullptr;
  decltype(&::CheckDevice) CheckDevice = nullptr;
  decltype(&::InitDevice) InitDevice = nullptr;
  decltype(&::DeInitDevice) DeInitDevice = nullptr;
  decltype(&::ShowConfigurationDialog) ShowConfigurationDialog = nullptr;
  decltype(&::LoadConfiguration) LoadConfiguration = nullptr;
  decltype(&::SaveConfiguration) SaveConfiguration = nullptr;
  decltype(&::GetDriverVersion) GetDriverVersion = nullptr;
  decltype(&::GetErrorString) GetErrorString = nullptr;
  decltype(&::GetInfo) GetInfo = nullptr;
  decltype(&::GetInfoString) GetInfoString = nullptr;
  decltype(&::SetSetting) SetSetting = nullptr;
  decltype(&::SetValue) SetValue = nullptr;
  decltype(&::GetValue) GetValue = nullptr;
  decltype(&::GetValueString) GetValueString = nullptr;

private:
  template <class F>
  void Resolve(F& function, const char* name) {
    function = reinterpret_cast<F>(dlsym(handle_, name));
    if (!function) throw std::runtime_error(std::string("module lacks the export ") + name);
  }

  void* handle_ = nullptr;
};

}  // namespace swm

#include "drivers/relaycards/LabCardLibrary.h"

#include "logging/JournexEntry.h"
#include "platform/SharedLibrary.h"

namespace {
constexpr std::string_view kModule = "LabCardLibrary";

// Resolves one function; the first one missing is remembered in `missing`.
template <class F>
bool Take(void* handle, const char* name, F*& function, std::string& missing) {
  function = reinterpret_cast<F*>(SharedLibrary::Find(handle, name));
  if (function) return true;
  JournexEntry::Note("LoadLibrary", kModule, "Error", std::string(name) + " not found");
  if (missing.empty()) missing = name;
  return false;
}

Status Result(long result) { return static_cast<Status>(result); }
}  // namespace

std::string LabCardLibrary::LibraryName() { return SharedLibrary::Choose("SWMATRIX_ADVANTECH_LIBRARY", "libadsapi.so"); }

Status LabCardLibrary::Load() {
  if (functions_.DRV_DeviceOpen) return 0;
  std::string error;
  void* handle = SharedLibrary::Open(LibraryName(), &error);
  if (!handle) {
    JournexEntry::Note("LoadLibrary", kModule, "Error", "LoadLibrary(" + LibraryName() + ")",
                       {{"reason", error}, {"Err", kNotLoadable}});
    loadFailure_ = LibraryName() + ": " + error;
    return kNotLoadable;
  }
  Functions f;
  missingFunction_.clear();
  bool complete = Take(handle, "DRV_SelectDevice", f.DRV_SelectDevice, missingFunction_);
  complete = Take(handle, "DRV_DeviceOpen", f.DRV_DeviceOpen, missingFunction_) && complete;
  complete = Take(handle, "DRV_DeviceClose", f.DRV_DeviceClose, missingFunction_) && complete;
  complete = Take(handle, "DRV_DioWritePortByte", f.DRV_DioWritePortByte, missingFunction_) && complete;
  complete = Take(handle, "DRV_DioGetCurrentDOByte", f.DRV_DioGetCurrentDOByte, missingFunction_) && complete;
  if (!complete) return kFunctionMissing;
  functions_ = f;
  return 0;
}

Status LabCardLibrary::Open(unsigned long deviceNumber) {
  if (open_ && deviceNumber == deviceNumber_) return 0;
  Close();
  Status status = Load();
  if (status == 0) status = Result(functions_.DRV_DeviceOpen(deviceNumber, &handle_));
  open_ = status == 0;
  deviceNumber_ = deviceNumber;
  JournexEntry::Note("Open", kModule, status == 0 ? "Complete" : "Error", "DRV_DeviceOpen()",
                     {{"Device", static_cast<long>(deviceNumber)}, {"Err", status}});
  return status;
}

Status LabCardLibrary::Close() {
  if (!open_) return 0;
  open_ = false;
  return Result(functions_.DRV_DeviceClose(&handle_));
}

Status LabCardLibrary::ReadOutputByte(uint16_t& value) {
  if (!open_) return kNotOpen;
  adsapi::PT_DioGetCurrentDOByte request{0, &value};
  return Result(functions_.DRV_DioGetCurrentDOByte(handle_, &request));
}

Status LabCardLibrary::WriteOutputByte(uint16_t value) {
  if (!open_) return kNotOpen;
  adsapi::PT_DioWritePortByte request{0, 0xFF, value};
  return Result(functions_.DRV_DioWritePortByte(handle_, &request));
}

Status LabCardLibrary::SelectDevice(unsigned long& deviceNumber, std::string& description) {
  const Status status = Load();
  if (status != 0) return status;
  char text[256] = {0};
  const Status selected = Result(functions_.DRV_SelectDevice(0, 0, &deviceNumber, text));
  text[sizeof text - 1] = '\0';
  description = text;
  return selected;
}

std::string LabCardLibrary::ErrorText(Status status) const {
  switch (status) {
    case kNotLoadable:
      return "Could not load LabCard DLL." + (loadFailure_.empty() ? std::string() : " (" + loadFailure_ + ")");
    case kFunctionMissing:
      return "The LabCard DLL (" + LibraryName() + ") lacks the function " + missingFunction_ + ".";
    case kNotOpen: return "The Advantech card is not open. Initialise the device first.";
    default: return "";
  }
}

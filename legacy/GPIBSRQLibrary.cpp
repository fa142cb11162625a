#include "legacy/GPIBSRQLibrary.h"

#include "legacy/GPIBStatus.h"
#include "logging/JournexEntry.h"
#include "platform/SharedLibrary.h"

namespace {
constexpr std::string_view kModule = "GPIBSRQLibrary";

template <class F>
void Take(void* handle, const char* name, F*& function, std::vector<std::string>* missing) {
  function = reinterpret_cast<F*>(SharedLibrary::Find(handle, name));
  if (!function) missing->push_back(name);
}
}  // namespace

std::string GPIBSRQLibrary::LibraryName() {
  return SharedLibrary::Choose("SWMATRIX_GPIBSRQ_LIBRARY", "libgpibsrq.so.0");
}

Status GPIBSRQLibrary::Load() {
  if (loaded_) return 0;
  const std::string name = LibraryName();
  std::string error;
  void* handle = SharedLibrary::Open(name, &error);
  if (!handle) {
    JournexEntry::Note("LoadGPIBSRQLibrary", kModule, "Error", name + " could not be loaded",
                       {{"reason", error}, {"Err", gpibstatus::kSrqLibraryNotLoaded}});
    return gpibstatus::kSrqLibraryNotLoaded;
  }
  missing_.clear();
  Functions& f = functions_;
  Take(handle, "RegisterSRQHandler", f.RegisterSRQHandler, &missing_);
  Take(handle, "UnRegisterSRQHandler", f.UnRegisterSRQHandler, &missing_);
  Take(handle, "UnRegisterAllHandlers", f.UnRegisterAllHandlers, &missing_);
  Take(handle, "SetExpectingSRQ", f.SetExpectingSRQ, &missing_);
  Take(handle, "CheckGPIBBusses", f.CheckGPIBBusses, &missing_);
  Take(handle, "GetLastGPIBError", f.GetLastGPIBError, &missing_);
  Take(handle, "SetLastTimingInformation", f.SetLastTimingInformation, &missing_);
  Take(handle, "GetLastTimingInformation", f.GetLastTimingInformation, &missing_);
  for (const std::string& function : missing_)
    JournexEntry::Note("LoadGPIBSRQLibrary", kModule, "Warning", function + " could not be found in " + name);
  loaded_ = true;
  JournexEntry::Note("LoadGPIBSRQLibrary", kModule, "Note", "LoadGPIBSRQLibrary(\"Loaded\")", {{"library", name}});
  return 0;
}

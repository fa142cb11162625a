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

std::vector<std::string> GPIBSRQLibrary::Candidates() {
  const std::string chosen = SharedLibrary::Choose("SWMATRIX_GPIBSRQ_LIBRARY", "");
  if (!chosen.empty()) return {chosen};
  return {SharedLibrary::OwnDirectory() + "/swmatrix/" + kFileName, kFileName};
}

std::string GPIBSRQLibrary::LibraryName() { return Candidates().front(); }

Status GPIBSRQLibrary::Load() {
  if (loaded_) return 0;
  std::string name, error;
  void* handle = SharedLibrary::OpenFirst(Candidates(), &name, &error);
  if (!handle) {
    loadFailure_ = error;
    JournexEntry::Note("LoadGPIBSRQLibrary", kModule, "Error", LibraryName() + " could not be loaded",
                       {{"reason", error}, {"Err", gpibstatus::kSrqLibraryNotLoaded}});
    return gpibstatus::kSrqLibraryNotLoaded;
  }
  loadFailure_.clear();
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
  name_ = name;
  loaded_ = true;
  JournexEntry::Note("LoadGPIBSRQLibrary", kModule, "Note", "LoadGPIBSRQLibrary(\"Loaded\")", {{"library", name}});
  return 0;
}

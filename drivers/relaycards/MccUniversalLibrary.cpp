#include "drivers/relaycards/MccUniversalLibrary.h"

#include <vector>

#include "logging/JournexEntry.h"
#include "platform/SharedLibrary.h"

namespace {
constexpr std::string_view kModule = "MCC_UniversalLibrary";

template <class F>
bool Take(void* handle, const char* name, F*& function) {
  function = reinterpret_cast<F*>(SharedLibrary::Find(handle, name));
  if (!function) JournexEntry::Note("LoadLibrary", kModule, "Error", std::string(name) + " not found");
  return function != nullptr;
}
}  // namespace

MCC_UniversalLibrary& MCC_UniversalLibrary::Instance() {
  static MCC_UniversalLibrary library;
  return library;
}

std::string MCC_UniversalLibrary::LibraryName() {
  return SharedLibrary::Choose("SWMATRIX_MCC_LIBRARY", "libmccuniversal.so");
}

bool MCC_UniversalLibrary::Load() {
  std::string error;
  void* handle = SharedLibrary::Open(LibraryName(), &error);
  if (!handle) {
    JournexEntry::Note("LoadLibrary", kModule, "Error", "LoadLibrary(" + LibraryName() + ")", {{"reason", error}});
    loadFailure_ = LibraryName() + ": " + error;
    return false;
  }
  loadFailure_.clear();
  Functions& f = functions_;
  bool complete = Take(handle, "cbIgnoreInstaCal", f.cbIgnoreInstaCal);
  complete = Take(handle, "cbGetDaqDeviceInventory", f.cbGetDaqDeviceInventory) && complete;
  complete = Take(handle, "cbCreateDaqDevice", f.cbCreateDaqDevice) && complete;
  complete = Take(handle, "cbReleaseDaqDevice", f.cbReleaseDaqDevice) && complete;
  complete = Take(handle, "cbDBitOut", f.cbDBitOut) && complete;
  complete = Take(handle, "cbGetErrMsg", f.cbGetErrMsg) && complete;
  if (!complete) loadFailure_ = LibraryName() + ": a Universal Library function is missing";
  if (!complete) Unload();
  return complete;
}

Status MCC_UniversalLibrary::Open() {
  std::lock_guard guard(lock_);
  if (openCount_ > 0) {
    ++openCount_;
    return 0;
  }
  if (!Load()) return kNotLoadable;
  board_ = -1;
  functions_.cbIgnoreInstaCal();
  std::vector<mcc::DaqDeviceDescriptor> inventory(kInventoryRoom);
  int found = kInventoryRoom;
  functions_.cbGetDaqDeviceInventory(mcc::kAnyInterface, inventory.data(), &found);
  if (found <= 0) {
    Unload();
    JournexEntry::Note("Open", kModule, "Error", "No MC Computing devices are found.");
    return kNoDevices;
  }
  for (int i = 0; i < found && i < kInventoryRoom; ++i) {
    mcc::DaqDeviceDescriptor& device = inventory[static_cast<size_t>(i)];
    device.ProductName[sizeof device.ProductName - 1] = '\0';
    JournexEntry::Note("Open", kModule, "Note", "DetectedDevice-" + std::to_string(i),
                       {{"ProductName", device.ProductName}, {"ProductID", device.ProductID},
                        {"InterfaceType", static_cast<int>(device.InterfaceType)}});
  }
  if (functions_.cbCreateDaqDevice(0, inventory[0]) == 0) board_ = 0;
  ++openCount_;
  return 0;
}

Status MCC_UniversalLibrary::Close() {
  std::lock_guard guard(lock_);
  if (openCount_ == 0) return 0;
  if (--openCount_ > 0) return 0;
  if (board_ == 0) functions_.cbReleaseDaqDevice(0);
  board_ = -1;
  Unload();
  return 0;
}

Status MCC_UniversalLibrary::DBitOut(int bit, unsigned short value) {
  std::lock_guard guard(lock_);
  if (!functions_.cbDBitOut) return kNotLoadable;
  const int error = functions_.cbDBitOut(board_, mcc::kFirstPortA, bit, value);
  return error == 0 ? 0 : kLibraryErrorBase + static_cast<Status>(error);
}

std::string MCC_UniversalLibrary::ErrorText(Status status) {
  if (status == kNotLoadable) {
    std::lock_guard guard(lock_);
    return "The MC Computing Universal Library cannot be loaded. Please install the Universal Library." +
           (loadFailure_.empty() ? std::string() : " (" + loadFailure_ + ")");
  }
  if (status == kNoDevices) return "No MC Computing devices are found.";
  if (status < kLibraryErrorBase || status > kLibraryErrorLast) return "";
  std::lock_guard guard(lock_);
  // The texts come from the library; load it for the question when no driver holds it open.
  const bool loadedHere = !functions_.cbGetErrMsg;
  if (loadedHere && !Load()) return "";
  char text[mcc::kErrorTextLength + 1] = {0};
  functions_.cbGetErrMsg(static_cast<int>(status - kLibraryErrorBase), text);
  text[mcc::kErrorTextLength] = '\0';
  if (loadedHere && openCount_ == 0) Unload();
  return text;
}

#pragma once
// The GPIB service-request library, loaded at run time: $SWMATRIX_GPIBSRQ_LIBRARY
// when set, else libgpibsrq.so.0 from the module's private directory beside
// it (lib/swmatrix/), else wherever the dynamic loader finds that name. It
// watches the service-request line of the boards on a thread of its own,
// serial-polls the devices registered there and calls the handler of one that
// asked for service with its status byte. It also keeps the time of each
// device's last bus access, so that devices spaced by a minimum wait keep it
// across objects. docs/real-instruments.md describes the functions.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/Status.h"

class GPIBSRQLibrary {
public:
  using Handler = void (*)(void* context, int statusByte);

  struct Functions {
    int (*RegisterSRQHandler)(int board, int pad, int sad, Handler handler, void* context) = nullptr;
    int (*UnRegisterSRQHandler)(int handle) = nullptr;
    void (*UnRegisterAllHandlers)() = nullptr;
    int (*SetExpectingSRQ)(int handle, int expecting) = nullptr;
    int (*CheckGPIBBusses)() = nullptr;
    int (*GetLastGPIBError)() = nullptr;
    void (*SetLastTimingInformation)(int board, int pad, unsigned long long milliseconds) = nullptr;
    unsigned long long (*GetLastTimingInformation)(int board, int pad) = nullptr;
  };

  static constexpr const char* kFileName = "libgpibsrq.so.0";
  // The libraries tried, in order.
  static std::vector<std::string> Candidates();
  // The first of them (for messages).
  static std::string LibraryName();

  // Loads the library and resolves the functions; a missing function is
  // logged, and the operation that needs it fails or is skipped.
  // 0 or 0x30000246 when the library cannot be loaded.
  Status Load();
  bool IsLoaded() const { return loaded_; }
  const Functions& Calls() const { return functions_; }
  const std::vector<std::string>& Missing() const { return missing_; }
  // The library that was loaded; why none could be (every name with its reason).
  const std::string& LoadedName() const { return name_; }
  const std::string& LoadFailure() const { return loadFailure_; }

private:
  bool loaded_ = false;
  Functions functions_;
  std::vector<std::string> missing_;
  std::string name_;
  std::string loadFailure_;
};

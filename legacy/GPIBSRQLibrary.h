#pragma once
// The GPIB service-request library, loaded at run time ($SWMATRIX_GPIBSRQ_LIBRARY,
// default libgpibsrq.so.0). It watches the service-request line of the
// boards on a thread of its own, serial-polls the device that asks for
// service and calls the handler registered for it with the status byte. It
// also keeps the time of each device's last bus access, so that devices
// spaced by a minimum wait keep it across objects. docs/simulator.md
// describes the functions.
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

  static std::string LibraryName();

  // Loads the library and resolves the functions; a missing function is
  // logged, and the operation that needs it fails or is skipped.
  // 0 or 0x30000246 when the library cannot be loaded.
  Status Load();
  bool IsLoaded() const { return loaded_; }
  const Functions& Calls() const { return functions_; }
  const std::vector<std::string>& Missing() const { return missing_; }

private:
  bool loaded_ = false;
  Functions functions_;
  std::vector<std::string> missing_;
};

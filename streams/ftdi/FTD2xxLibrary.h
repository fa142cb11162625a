#pragma once
// The FTDI D2XX library, loaded at run time ($SWMATRIX_FTD2XX_LIBRARY,
// default libftd2xx.so), with its calls resolved by name. Every call
// returns a D2XX status (0 for success).
#include <cstdint>
#include <memory>
#include <string>

#include "framework/Status.h"
#include "streams/VendorLibrary.h"

class FTD2xxLibrary {
public:
  using Handle = void*;
  using D2xxStatus = uint32_t;
  // One entry of the device information list.
  struct DeviceInfoNode {
    uint32_t flags;  // bit 0: opened
    uint32_t type;
    uint32_t id;     // vendor and product identifier
    uint32_t locationId;
    char serialNumber[16];
    char description[64];
    Handle handle;
  };
  static constexpr uint32_t kOpenBySerialNumber = 1;
  static constexpr uint32_t kPurgeReceive = 1;
  static constexpr uint32_t kPurgeTransmit = 2;

  struct Functions {
    D2xxStatus (*FT_Open)(int index, Handle* handle) = nullptr;
    D2xxStatus (*FT_Close)(Handle handle) = nullptr;
    D2xxStatus (*FT_ResetDevice)(Handle handle) = nullptr;
    D2xxStatus (*FT_SetBitMode)(Handle handle, uint8_t mask, uint8_t mode) = nullptr;
    D2xxStatus (*FT_SetLatencyTimer)(Handle handle, uint8_t milliseconds) = nullptr;
    D2xxStatus (*FT_SetTimeouts)(Handle handle, uint32_t readMs, uint32_t writeMs) = nullptr;
    D2xxStatus (*FT_Write)(Handle handle, void* buffer, uint32_t size, uint32_t* written) = nullptr;
    D2xxStatus (*FT_GetQueueStatus)(Handle handle, uint32_t* received) = nullptr;
    D2xxStatus (*FT_Read)(Handle handle, void* buffer, uint32_t size, uint32_t* got) = nullptr;
    D2xxStatus (*FT_OpenEx)(void* argument, uint32_t flags, Handle* handle) = nullptr;
    D2xxStatus (*FT_CreateDeviceInfoList)(uint32_t* count) = nullptr;
    D2xxStatus (*FT_GetDeviceInfoList)(DeviceInfoNode* list, uint32_t* count) = nullptr;
    D2xxStatus (*FT_Purge)(Handle handle, uint32_t mask) = nullptr;
  };

  FTD2xxLibrary();

  // The library every D2XX user of the process shares.
  static std::shared_ptr<FTD2xxLibrary> Shared();
  static std::string LibraryName();

  // Loads the library the variable names now (again when the name changed)
  // and resolves every call: 0, or 0x30005B18 (each missing call is logged).
  Status Load();
  const Functions& Calls() const { return library_.Calls(); }
  // Why the last load failed, without the library's name (empty after a success).
  std::string Failure() const { return library_.Failure(); }

private:
  VendorLibrary<Functions> library_;
};

#pragma once
// The Advantech device driver library, loaded at run time
// ($SWMATRIX_ADVANTECH_LIBRARY, default libadsapi.so): opens a card by its
// device number and reads and writes its digital output byte. Library
// results other than 0 are returned as they are.
#include <cstdint>
#include <string>

#include "framework/Status.h"

namespace adsapi {
struct PT_DioWritePortByte {
  uint16_t port;
  uint16_t mask;
  uint16_t state;
};
struct PT_DioGetCurrentDOByte {
  uint16_t port;
  uint16_t* value;
};
}  // namespace adsapi

class LabCardLibrary {
public:
  static constexpr Status kNotLoadable = 0x30001388;
  static constexpr Status kFunctionMissing = 0x30001389;  // the library lacks a function; the text names it
  static constexpr Status kNotOpen = 0x3000138A;          // switching before the card was opened

  static std::string LibraryName();

  ~LabCardLibrary() { Close(); }

  // Loads the library and opens the card (nothing when it is open).
  Status Open(unsigned long deviceNumber);
  Status Close();
  bool IsOpen() const { return open_; }
  Status ReadOutputByte(uint16_t& value);
  Status WriteOutputByte(uint16_t value);
  // The library's device selection; kNotLoadable when it cannot be loaded.
  Status SelectDevice(unsigned long& deviceNumber, std::string& description);
  // The text of a status of the library's own (kNotLoadable ...), else empty.
  std::string ErrorText(Status status) const;

private:
  struct Functions {
    long (*DRV_SelectDevice)(uint32_t, int, unsigned long*, char*) = nullptr;
    long (*DRV_DeviceOpen)(unsigned long, long*) = nullptr;
    long (*DRV_DeviceClose)(long*) = nullptr;
    long (*DRV_DioWritePortByte)(long, void*) = nullptr;
    long (*DRV_DioGetCurrentDOByte)(long, void*) = nullptr;
  };
  Status Load();

  Functions functions_;
  std::string missingFunction_;  // the first function the library lacked
  std::string loadFailure_;      // "library: the loader's reason" of the last failed load
  unsigned long deviceNumber_ = 0;
  long handle_ = 0;
  bool open_ = false;
};

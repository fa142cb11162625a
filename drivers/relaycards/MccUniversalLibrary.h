#pragma once
// The Measurement Computing Universal Library, loaded at run time
// ($SWMATRIX_MCC_LIBRARY, default libmccuniversal.so) and shared by every
// MCC driver of the process: the first open loads it, finds the devices and
// makes the first one board 0; the last close releases the board and lets
// the library go. Library errors e become statuses 0x3000B158 + e, whose
// texts the library supplies.
#include <cstdint>
#include <mutex>
#include <string>

#include "framework/Status.h"

namespace mcc {
// The library's interface selector and device descriptor.
enum DaqDeviceInterface : int { kUsbInterface = 1, kBluetoothInterface = 2, kEthernetInterface = 4, kAnyInterface = 7 };
struct DaqDeviceDescriptor {
  char ProductName[64];
  unsigned int ProductID;
  DaqDeviceInterface InterfaceType;
  char DevString[64];
  char UniqueID[64];
  unsigned long long NUID;
  char Reserved[512];
};
constexpr int kFirstPortA = 10;
constexpr int kErrorTextLength = 256;
}  // namespace mcc

class MCC_UniversalLibrary {
public:
  static constexpr Status kNotLoadable = 0x3000B0F4;
  static constexpr Status kNoDevices = 0x3000B0F5;
  static constexpr Status kLibraryErrorBase = 0x3000B158;
  static constexpr Status kLibraryErrorLast = 0x3000B927;
  static constexpr int kInventoryRoom = 100;

  static MCC_UniversalLibrary& Instance();
  static std::string LibraryName();

  // Reference-counted open and close of the library and board 0.
  Status Open();
  Status Close();
  // One relay bit of the first port; library errors become statuses.
  Status DBitOut(int bit, unsigned short value);
  // The text of a status of this library, empty when it is not one.
  std::string ErrorText(Status status);

  int OpenCount() const { return openCount_; }
  int Board() const { return board_; }

private:
  struct Functions {
    int (*cbIgnoreInstaCal)() = nullptr;
    int (*cbGetDaqDeviceInventory)(mcc::DaqDeviceInterface, mcc::DaqDeviceDescriptor*, int*) = nullptr;
    int (*cbCreateDaqDevice)(int, mcc::DaqDeviceDescriptor) = nullptr;
    int (*cbReleaseDaqDevice)(int) = nullptr;
    int (*cbDBitOut)(int, int, int, unsigned short) = nullptr;
    int (*cbGetErrMsg)(int, char*) = nullptr;
  };
  bool Load();
  void Unload() { functions_ = Functions{}; }

  std::recursive_mutex lock_;
  std::string loadFailure_;  // "library: the loader's reason" of the last failed load
  Functions functions_;
  int board_ = -1;
  int openCount_ = 0;
};

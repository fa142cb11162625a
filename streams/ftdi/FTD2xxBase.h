#pragma once
// One FTDI chip through the D2XX library: each call wrapped, logged (source
// "FTDI") and its D2XX status turned into a module status, and the opening
// sequence that puts the chip into its synchronous serial engine (MPSSE)
// mode. Bytes are waited for by polling the receive queue, 1 ms apart.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "streams/ftdi/FTD2xxLibrary.h"

class FTD2xxBase {
public:
  static constexpr uint8_t kBitMask = 0xF3;
  static constexpr uint8_t kModeMpsse = 2;
  static constexpr uint8_t kLatencyMs = 2;
  // How long the engine has to echo each synchronisation command.
  static constexpr uint32_t kSynchronisationWaitMs = 1000;

  explicit FTD2xxBase(std::shared_ptr<FTD2xxLibrary> library = FTD2xxLibrary::Shared());
  virtual ~FTD2xxBase();
  FTD2xxBase(const FTD2xxBase&) = delete;
  FTD2xxBase& operator=(const FTD2xxBase&) = delete;

  Status LoadFTD2xxDLL();
  // The attached chips (loads the library first).
  Status GetDeviceInfoList(std::vector<FTD2xxLibrary::DeviceInfoNode>* nodes);

  // Loads the library, builds the device list, opens the chip with the
  // serial number, resets it, sets MPSSE mode (mask 0xF3), a 2 ms latency
  // and no time-outs, sets the engine up (0x8A; 0x86 0x00 0x00),
  // synchronises with the bad commands 0xAA and 0xAB (each answered 0xFA and
  // the command) and sets the pins (0x85; 0x80 0x00 0xF3; 0x82 0xFF 0x7E).
  // Any failure closes the chip again.
  Status OpenDevice(const std::string& serialNumber);
  Status CloseDevice();
  bool IsOpen() const { return handle_ != nullptr; }

  // Writes every byte; the status of the call.
  Status WriteBytes(const std::string& bytes);
  // Takes what has arrived, waiting up to waitMs for the first byte and up
  // to quietMs for more after each one, until count bytes are there. 0, or
  // kReadTimedOut when nothing came.
  Status ReadBytes(std::string* bytes, size_t count, uint32_t waitMs, uint32_t quietMs);
  Status Purge();

  // The text of a D2XX status of this block; empty for others.
  static std::string ErrorText(Status status);

private:
  Status Check(const char* call, uint32_t d2xxStatus, const std::string& logText);
  Status OpenEx(const std::string& serialNumber);
  Status Synchronise(uint8_t command);
  Status Close();

  std::shared_ptr<FTD2xxLibrary> library_;
  FTD2xxLibrary::Handle handle_ = nullptr;
};

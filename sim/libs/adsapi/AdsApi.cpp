// The simulated Advantech device driver library: the calls the module's
// PCI-1761 drivers use, carried to the simulated cards on swmsim's bus
// (resource "ADVANTECH::<device number>::INSTR"). Handles are the device
// number plus 1000; results other than 0 are the library's error numbers.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "sim/libs/CardExchange.h"

namespace {
constexpr long kSuccess = 0, kDeviceNotFound = 1, kInvalidHandle = 2, kNoAnswer = 3, kInvalidPort = 4;
constexpr long kHandleBase = 1000;

struct PT_DioWritePortByte {
  uint16_t port;
  uint16_t mask;
  uint16_t state;
};
struct PT_DioGetCurrentDOByte {
  uint16_t port;
  uint16_t* value;
};

std::string Resource(long handle) { return "ADVANTECH::" + std::to_string(handle - kHandleBase) + "::INSTR"; }
}  // namespace

extern "C" {

long DRV_SelectDevice(uint32_t /*window*/, int /*getModule*/, unsigned long* deviceNumber, char* description) {
  const auto cards = simlib::CardResources("ADVANTECH::");
  if (cards.empty() || !deviceNumber) return kDeviceNotFound;
  *deviceNumber = std::strtoul(cards.front().c_str() + std::strlen("ADVANTECH::"), nullptr, 10);
  if (description) std::snprintf(description, 80, "PCI-1761 I/O=%lu", *deviceNumber);
  return kSuccess;
}

long DRV_DeviceOpen(unsigned long deviceNumber, long* handle) {
  if (!handle) return kInvalidHandle;
  const long candidate = kHandleBase + static_cast<long>(deviceNumber);
  if (!simlib::CardExchange(Resource(candidate), "DO? 0")) return kDeviceNotFound;
  *handle = candidate;
  return kSuccess;
}

long DRV_DeviceClose(long* handle) {
  if (!handle || *handle < kHandleBase) return kInvalidHandle;
  *handle = 0;
  return kSuccess;
}

long DRV_DioWritePortByte(long handle, void* parameters) {
  if (handle < kHandleBase || !parameters) return kInvalidHandle;
  const auto* request = static_cast<const PT_DioWritePortByte*>(parameters);
  const auto answer = simlib::CardExchange(Resource(handle), "DO " + std::to_string(request->port) + " " +
                                                                 std::to_string(request->mask) + " " +
                                                                 std::to_string(request->state));
  if (!answer) return kNoAnswer;
  return *answer == "0" ? kSuccess : kInvalidPort;
}

long DRV_DioGetCurrentDOByte(long handle, void* parameters) {
  if (handle < kHandleBase || !parameters) return kInvalidHandle;
  const auto* request = static_cast<const PT_DioGetCurrentDOByte*>(parameters);
  const auto answer = simlib::CardExchange(Resource(handle), "DO? " + std::to_string(request->port));
  if (!answer) return kNoAnswer;
  const long value = std::strtol(answer->c_str(), nullptr, 10);
  if (value < 0) return kInvalidPort;
  if (request->value) *request->value = static_cast<uint16_t>(value);
  return kSuccess;
}

}  // extern "C"

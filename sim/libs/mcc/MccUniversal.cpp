// The simulated Measurement Computing Universal Library: the calls the
// module's MCC drivers use, carried to the simulated boards on swmsim's bus
// (resources "MCCDAQ::..."). Boards made with cbCreateDaqDevice are kept
// per process; error numbers and texts are the library's own.
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "sim/libs/CardExchange.h"

namespace {
constexpr int kNoErrors = 0, kBadBoard = 1, kBadPortNumber = 8, kBadBitNumber = 9, kDeadDevice = 35;
constexpr int kMaxBoards = 100;

struct DaqDeviceDescriptor {
  char ProductName[64];
  unsigned int ProductID;
  int InterfaceType;
  char DevString[64];
  char UniqueID[64];
  unsigned long long NUID;
  char Reserved[512];
};

std::mutex lock;
std::map<int, std::string> boards;  // board number → bus resource

void Copy(char* target, size_t size, const std::string& text) {
  std::strncpy(target, text.c_str(), size - 1);
  target[size - 1] = '\0';
}
}  // namespace

extern "C" {

int cbIgnoreInstaCal() { return kNoErrors; }

int cbGetDaqDeviceInventory(int /*interfaceType*/, DaqDeviceDescriptor* inventory, int* numberOfDevices) {
  if (!numberOfDevices) return kNoErrors;
  const int room = *numberOfDevices;
  *numberOfDevices = 0;
  for (const std::string& resource : simlib::CardResources("MCCDAQ::")) {
    if (*numberOfDevices >= room || !inventory) break;
    const std::optional<std::string> info = simlib::CardExchange(resource, "INFO?");
    if (!info) continue;
    // "name,id,interface"
    const size_t first = info->find(','), second = info->find(',', first + 1);
    if (first == std::string::npos || second == std::string::npos) continue;
    DaqDeviceDescriptor& device = inventory[*numberOfDevices];
    std::memset(&device, 0, sizeof device);
    Copy(device.ProductName, sizeof device.ProductName, info->substr(0, first));
    device.ProductID = static_cast<unsigned int>(std::strtoul(info->substr(first + 1).c_str(), nullptr, 10));
    device.InterfaceType = std::atoi(info->substr(second + 1).c_str());
    Copy(device.DevString, sizeof device.DevString, resource);
    Copy(device.UniqueID, sizeof device.UniqueID, resource);
    ++*numberOfDevices;
  }
  return kNoErrors;
}

int cbCreateDaqDevice(int board, DaqDeviceDescriptor descriptor) {
  if (board < 0 || board >= kMaxBoards) return kBadBoard;
  descriptor.DevString[sizeof descriptor.DevString - 1] = '\0';
  std::lock_guard guard(lock);
  boards[board] = descriptor.DevString;
  return kNoErrors;
}

int cbReleaseDaqDevice(int board) {
  std::lock_guard guard(lock);
  return boards.erase(board) ? kNoErrors : kBadBoard;
}

int cbDBitOut(int board, int portType, int bitNumber, unsigned short bitValue) {
  std::string resource;
  {
    std::lock_guard guard(lock);
    const auto found = boards.find(board);
    if (found == boards.end()) return kBadBoard;
    resource = found->second;
  }
  const std::optional<std::string> answer = simlib::CardExchange(
      resource, "DBITOUT " + std::to_string(portType) + " " + std::to_string(bitNumber) + " " + std::to_string(bitValue));
  if (!answer) return kDeadDevice;
  const int error = std::atoi(answer->c_str());
  return error < 0 ? kBadPortNumber : error;
}

int cbGetErrMsg(int errorCode, char* errorMessage) {
  if (!errorMessage) return kNoErrors;
  const char* text = "Unknown error code.";
  switch (errorCode) {
    case kNoErrors: text = "No error has occurred."; break;
    case kBadBoard: text = "Invalid board number."; break;
    case kBadPortNumber: text = "Invalid digital port type."; break;
    case kBadBitNumber: text = "Invalid digital bit number."; break;
    case kDeadDevice: text = "Device is not responding."; break;
    default: break;
  }
  std::strcpy(errorMessage, text);
  return kNoErrors;
}

}  // extern "C"

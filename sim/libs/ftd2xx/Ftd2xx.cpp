// The simulated FTDI D2XX library: the thirteen FT_ calls the module
// resolves. Every chip is an instrument of the family "ftdi" on swmsim's bus
// under the resource FTDI::SERIAL; the device information list is the bus's
// list of such resources. Bytes written go to the chip as one bus write
// each; what the chip answers waits in the library's receive queue. Before
// each call on a chip the library asks the chip's state whether a test has
// injected a D2XX status for that call ("fail = FT_OpenEx 2"), and keeps the
// chip's open state and settings up to date through the bus's "set".
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "sim/libs/BusClient.h"

namespace {

using Status = uint32_t;
constexpr Status kOk = 0;
constexpr Status kInvalidHandle = 1;
constexpr Status kDeviceNotFound = 2;
constexpr Status kDeviceNotOpened = 3;
constexpr Status kIoError = 4;
constexpr Status kInvalidParameter = 6;
constexpr Status kInvalidArgs = 16;

constexpr uint32_t kOpenBySerialNumber = 1;
constexpr uint32_t kOpenByDescription = 2;
constexpr uint32_t kPurgeReceive = 1;
constexpr uint32_t kPurgeTransmit = 2;
constexpr uint32_t kFlagOpened = 1;
constexpr uint32_t kTypeFt2232H = 6;
constexpr uint32_t kVendorProduct = 0x04036010;
constexpr const char* kPrefix = "FTDI::";
constexpr int kBusWaitMs = 10000;

struct InfoNode {
  uint32_t Flags;
  uint32_t Type;
  uint32_t ID;
  uint32_t LocId;
  char SerialNumber[16];
  char Description[64];
  void* ftHandle;
};

struct Chip {
  std::string resource;
  std::string received;  // answered bytes not read yet
  uint32_t readTimeoutMs = 0;
};

std::mutex tableLock;
std::set<Chip*> chips;

bool Valid(void* handle) {
  std::lock_guard guard(tableLock);
  return handle && chips.count(static_cast<Chip*>(handle));
}

bool Request(const std::string& line, const std::string& payload, bool withPayload, int waitMs,
             simlib::BusAnswer* answer) {
  return simlib::BusRequest(line, payload, withPayload, waitMs, answer);
}

// The chip's own state as swmsim describes it ("fail", "opened",
// "description", ...); not an object when the resource is no chip.
nlohmann::json ChipState(const std::string& resource) {
  simlib::BusAnswer answer;
  if (!Request("state " + resource, "", false, kBusWaitMs, &answer) || !answer.Ok()) return {};
  const nlohmann::json state = nlohmann::json::parse(answer.line.substr(3), nullptr, false);
  if (!state.is_object() || state.value("family", "") != "ftdi" || !state.contains("instrument")) return {};
  return state["instrument"];
}

// The status injected for a call on the chip, 0 when none (or the chip's
// state cannot be had: the call itself then reports what went wrong).
Status Injected(const std::string& resource, const char* call) {
  const nlohmann::json state = ChipState(resource);
  if (!state.is_object()) return kOk;
  const nlohmann::json& failures = state["fail"];
  return failures.contains(call) ? failures[call].get<Status>() : kOk;
}

bool SetKey(const std::string& resource, const std::string& key, const std::string& value) {
  simlib::BusAnswer answer;
  return Request("set " + resource + " " + key + " " + value, "", false, kBusWaitMs, &answer) && answer.Ok();
}

// Every chip resource on the bus, in the bus's order; false when the bus cannot be reached.
bool ChipResources(std::vector<std::string>* resources) {
  simlib::BusAnswer answer;
  if (!Request("list", "", false, kBusWaitMs, &answer) || !answer.Ok()) return false;
  for (size_t i = 1;; ++i) {
    const std::string word = answer.Word(i);
    if (word.empty()) return true;
    if (word.starts_with(kPrefix)) resources->push_back(word);
  }
}

// The status of a call on an open chip: an invalid handle, an injected status, or 0.
Status Check(void* handle, const char* call) {
  if (!Valid(handle)) return kInvalidHandle;
  return Injected(static_cast<Chip*>(handle)->resource, call);
}

// Moves everything the chip has answered into the receive queue.
Status Drain(Chip* chip) {
  for (;;) {
    simlib::BusAnswer answer;
    if (!Request("read " + chip->resource + " 65536 0", "", true, kBusWaitMs, &answer)) return kIoError;
    if (!answer.Ok() && !answer.TimedOut()) return kIoError;
    chip->received += answer.payload;
    if (answer.TimedOut() || answer.payload.empty()) return kOk;
  }
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

Status OpenResource(const std::string& resource, void** handle) {
  const nlohmann::json state = ChipState(resource);
  if (!state.is_object()) return kDeviceNotFound;
  const nlohmann::json& failures = state["fail"];
  if (failures.contains("FT_OpenEx")) return failures["FT_OpenEx"].get<Status>();
  if (state["opened"].get<bool>()) return kDeviceNotOpened;  // in use by another handle
  if (!SetKey(resource, "opened", "yes")) return kIoError;
  auto chip = std::make_unique<Chip>();
  chip->resource = resource;
  std::lock_guard guard(tableLock);
  *handle = chip.get();
  chips.insert(chip.release());
  return kOk;
}

}  // namespace

extern "C" {

Status FT_CreateDeviceInfoList(uint32_t* count) {
  if (!count) return kInvalidParameter;
  std::vector<std::string> resources;
  if (!ChipResources(&resources)) return kIoError;
  for (const std::string& resource : resources)
    if (const Status status = Injected(resource, "FT_CreateDeviceInfoList")) return status;
  *count = static_cast<uint32_t>(resources.size());
  return kOk;
}

// Fills one node per chip (the caller's list holds as many as
// FT_CreateDeviceInfoList counted); *count becomes the number filled.
Status FT_GetDeviceInfoList(InfoNode* list, uint32_t* count) {
  if (!list || !count) return kInvalidParameter;
  std::vector<std::string> resources;
  if (!ChipResources(&resources)) return kIoError;
  const size_t filled = std::min<size_t>(resources.size(), *count);
  for (size_t i = 0; i < filled; ++i) {
    const nlohmann::json state = ChipState(resources[i]);
    if (!state.is_object()) return kIoError;
    const nlohmann::json& chip = state;
    if (chip["fail"].contains("FT_GetDeviceInfoList")) return chip["fail"]["FT_GetDeviceInfoList"].get<Status>();
    InfoNode& node = list[i];
    std::memset(&node, 0, sizeof node);
    node.Flags = chip["opened"].get<bool>() ? kFlagOpened : 0;
    node.Type = kTypeFt2232H;
    node.ID = kVendorProduct;
    node.LocId = static_cast<uint32_t>(0x1000 + i);
    const std::string serial = resources[i].substr(std::strlen(kPrefix));
    std::strncpy(node.SerialNumber, serial.c_str(), sizeof node.SerialNumber - 1);
    std::strncpy(node.Description, chip["description"].get<std::string>().c_str(), sizeof node.Description - 1);
  }
  *count = static_cast<uint32_t>(filled);
  return kOk;
}

Status FT_Open(int index, void** handle) {
  if (!handle || index < 0) return kInvalidParameter;
  std::vector<std::string> resources;
  if (!ChipResources(&resources)) return kIoError;
  if (static_cast<size_t>(index) >= resources.size()) return kDeviceNotFound;
  return OpenResource(resources[static_cast<size_t>(index)], handle);
}

// Opens the chip named by its serial number (flag 1) or description (flag 2).
Status FT_OpenEx(void* argument, uint32_t flags, void** handle) {
  if (!argument || !handle) return kInvalidParameter;
  const std::string wanted(static_cast<const char*>(argument));
  std::vector<std::string> resources;
  if (!ChipResources(&resources)) return kIoError;
  for (const std::string& resource : resources) {
    if (flags == kOpenBySerialNumber && Upper(wanted) == resource.substr(std::strlen(kPrefix)))
      return OpenResource(resource, handle);
    if (flags == kOpenByDescription) {
      const nlohmann::json state = ChipState(resource);
      if (state.is_object() && state["description"] == wanted) return OpenResource(resource, handle);
    }
  }
  return flags == kOpenBySerialNumber || flags == kOpenByDescription ? kDeviceNotFound : kInvalidArgs;
}

Status FT_Close(void* handle) {
  if (const Status status = Check(handle, "FT_Close")) return status;
  Chip* chip = static_cast<Chip*>(handle);
  SetKey(chip->resource, "opened", "no");
  std::lock_guard guard(tableLock);
  chips.erase(chip);
  delete chip;
  return kOk;
}

Status FT_ResetDevice(void* handle) {
  if (const Status status = Check(handle, "FT_ResetDevice")) return status;
  Chip* chip = static_cast<Chip*>(handle);
  chip->received.clear();
  simlib::BusAnswer answer;
  return Request("clear " + chip->resource, "", false, kBusWaitMs, &answer) && answer.Ok() ? kOk : kIoError;
}

Status FT_SetBitMode(void* handle, uint8_t mask, uint8_t mode) {
  if (const Status status = Check(handle, "FT_SetBitMode")) return status;
  return SetKey(static_cast<Chip*>(handle)->resource, "bit-mode", std::to_string(mask) + " " + std::to_string(mode))
             ? kOk
             : kIoError;
}

Status FT_SetLatencyTimer(void* handle, uint8_t milliseconds) {
  if (const Status status = Check(handle, "FT_SetLatencyTimer")) return status;
  if (milliseconds < 2) return kInvalidParameter;
  return SetKey(static_cast<Chip*>(handle)->resource, "latency", std::to_string(milliseconds)) ? kOk : kIoError;
}

// Read and write time-outs in milliseconds; a read time-out of 0 returns at
// once with what has arrived.
Status FT_SetTimeouts(void* handle, uint32_t readMs, uint32_t writeMs) {
  if (const Status status = Check(handle, "FT_SetTimeouts")) return status;
  Chip* chip = static_cast<Chip*>(handle);
  chip->readTimeoutMs = std::min<uint32_t>(readMs, 3'600'000);
  return SetKey(chip->resource, "timeouts", std::to_string(chip->readTimeoutMs) + " " + std::to_string(writeMs))
             ? kOk
             : kIoError;
}

Status FT_Write(void* handle, void* buffer, uint32_t size, uint32_t* written) {
  if (written) *written = 0;
  if (const Status status = Check(handle, "FT_Write")) return status;
  if (!buffer || !written) return kInvalidParameter;
  Chip* chip = static_cast<Chip*>(handle);
  const std::string bytes(static_cast<const char*>(buffer), size);
  simlib::BusAnswer answer;
  if (!Request("write " + chip->resource + " " + std::to_string(size), bytes, false, kBusWaitMs, &answer) ||
      !answer.Ok())
    return kIoError;
  *written = size;
  return kOk;
}

Status FT_GetQueueStatus(void* handle, uint32_t* received) {
  if (const Status status = Check(handle, "FT_GetQueueStatus")) return status;
  if (!received) return kInvalidParameter;
  Chip* chip = static_cast<Chip*>(handle);
  const Status status = Drain(chip);
  *received = static_cast<uint32_t>(chip->received.size());
  return status;
}

// Reads up to size bytes, waiting up to the read time-out for the rest;
// FT_OK with fewer bytes when the time-out passed.
Status FT_Read(void* handle, void* buffer, uint32_t size, uint32_t* got) {
  if (got) *got = 0;
  if (const Status status = Check(handle, "FT_Read")) return status;
  if (!buffer || !got) return kInvalidParameter;
  Chip* chip = static_cast<Chip*>(handle);
  if (const Status status = Drain(chip)) return status;
  if (chip->received.size() < size && chip->readTimeoutMs > 0) {
    simlib::BusAnswer answer;
    const std::string missing = std::to_string(size - chip->received.size());
    if (!Request("read " + chip->resource + " " + missing + " " + std::to_string(chip->readTimeoutMs), "", true,
                 static_cast<int>(chip->readTimeoutMs) + kBusWaitMs, &answer))
      return kIoError;
    chip->received += answer.payload;
  }
  const size_t taken = std::min<size_t>(size, chip->received.size());
  std::memcpy(buffer, chip->received.data(), taken);
  chip->received.erase(0, taken);
  *got = static_cast<uint32_t>(taken);
  return kOk;
}

Status FT_Purge(void* handle, uint32_t mask) {
  if (const Status status = Check(handle, "FT_Purge")) return status;
  if (mask == 0 || (mask & ~(kPurgeReceive | kPurgeTransmit))) return kInvalidParameter;
  Chip* chip = static_cast<Chip*>(handle);
  if (mask & kPurgeReceive) {
    if (const Status status = Drain(chip)) return status;
    chip->received.clear();
  }
  return kOk;  // writes reach the chip at once: nothing waits to be sent
}

}  // extern "C"

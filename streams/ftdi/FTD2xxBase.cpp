#include "streams/ftdi/FTD2xxBase.h"

#include <chrono>

#include "logging/JournexEntry.h"
#include "platform/Clock.h"
#include "streams/DeviceStreamStatus.h"
#include "streams/ftdi/FTD2xxStatus.h"

namespace {
constexpr std::string_view kModule = "FTDI";
using Clock = std::chrono::steady_clock;
}  // namespace

FTD2xxBase::FTD2xxBase(std::shared_ptr<FTD2xxLibrary> library) : library_(std::move(library)) {}

FTD2xxBase::~FTD2xxBase() { CloseDevice(); }

Status FTD2xxBase::Check(const char* call, uint32_t d2xxStatus, const std::string& logText) {
  const Status status = ftd2xxstatus::FromD2xx(d2xxStatus);
  JournexEntry::Note(call, kModule, status == 0 ? "Note" : "Error", logText, {{"FT_STATUS", d2xxStatus}, {"Err", status}});
  return status;
}

Status FTD2xxBase::LoadFTD2xxDLL() { return library_ ? library_->Load() : ftd2xxstatus::kLibraryNotLoaded; }

Status FTD2xxBase::GetDeviceInfoList(std::vector<FTD2xxLibrary::DeviceInfoNode>* nodes) {
  nodes->clear();
  Status status = LoadFTD2xxDLL();
  if (status != 0) return status;
  uint32_t count = 0;
  status = Check("CreateDeviceInfoList", library_->Calls().FT_CreateDeviceInfoList(&count), "CreateDeviceInfoList");
  if (status != 0 || count == 0) return status;
  nodes->resize(count);
  status = Check("GetDeviceInfoList", library_->Calls().FT_GetDeviceInfoList(nodes->data(), &count),
                 "GetDeviceInfoList(devices:" + std::to_string(count) + ")");
  nodes->resize(status == 0 ? count : 0);
  for (auto& node : *nodes) {
    node.serialNumber[sizeof node.serialNumber - 1] = '\0';
    node.description[sizeof node.description - 1] = '\0';
  }
  return status;
}

Status FTD2xxBase::OpenEx(const std::string& serialNumber) {
  std::string argument = serialNumber;
  FTD2xxLibrary::Handle handle = nullptr;
  const uint32_t d2xx = library_->Calls().FT_OpenEx(argument.data(), FTD2xxLibrary::kOpenBySerialNumber, &handle);
  const Status status = Check("OpenEx", d2xx, "OpenEx(" + std::to_string(d2xx) + ")");
  if (status == 0) handle_ = handle;
  return status;
}

Status FTD2xxBase::Synchronise(uint8_t command) {
  Status status = WriteBytes(std::string(1, static_cast<char>(command)));
  std::string echo;
  if (status == 0) status = ReadBytes(&echo, 2, kSynchronisationWaitMs, kSynchronisationWaitMs);
  const std::string expected{'\xFA', static_cast<char>(command)};
  if (status == 0 && echo != expected) status = ftd2xxstatus::kSynchronisationFailed;
  if (status == streamstatus::kReadTimedOut) status = ftd2xxstatus::kSynchronisationFailed;
  JournexEntry::Note("Synchronise", kModule, status == 0 ? "Note" : "Error",
                     "Synchronise(" + std::to_string(command) + ")", {{"echo", echo}, {"Err", status}});
  return status;
}

Status FTD2xxBase::OpenDevice(const std::string& serialNumber) {
  JournexEntry entry("OpenDevice", kModule);
  entry.LogBegin("Note", "OpenDevice", {{"SerialNumber", serialNumber}});
  CloseDevice();
  std::vector<FTD2xxLibrary::DeviceInfoNode> nodes;
  Status status = GetDeviceInfoList(&nodes);
  if (status == 0) status = OpenEx(serialNumber);
  const FTD2xxLibrary::Functions& f = library_->Calls();
  if (status == 0) status = Check("ResetDevice", f.FT_ResetDevice(handle_), "ResetDevice");
  if (status == 0)
    status = Check("SetBitMode", f.FT_SetBitMode(handle_, kBitMask, kModeMpsse),
                   "SetBitMode(" + std::to_string(kBitMask) + "," + std::to_string(kModeMpsse) + ")");
  if (status == 0) status = Check("SetLatencyTimer", f.FT_SetLatencyTimer(handle_, kLatencyMs), "SetLatencyTimer");
  if (status == 0) status = Check("SetTimeouts", f.FT_SetTimeouts(handle_, 0, 0), "SetTimeouts");
  if (status == 0) status = WriteBytes("\x8A");
  if (status == 0) status = WriteBytes(std::string("\x86\x00\x00", 3));
  if (status == 0) status = Synchronise(0xAA);
  if (status == 0) status = Synchronise(0xAB);
  if (status == 0) status = WriteBytes("\x85");
  if (status == 0) status = WriteBytes(std::string("\x80\x00\xF3", 3));
  if (status == 0) status = WriteBytes("\x82\xFF\x7E");
  if (status != 0) CloseDevice();
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"Err", status}});
  return status;
}

Status FTD2xxBase::Close() {
  const Status status = Check("Close", library_->Calls().FT_Close(handle_), "Close");
  handle_ = nullptr;
  return status;
}

Status FTD2xxBase::CloseDevice() {
  if (!handle_) return 0;
  JournexEntry::Note("CloseDevice", kModule, "Note", "CloseDevice");
  return Close();
}

Status FTD2xxBase::WriteBytes(const std::string& bytes) {
  if (!handle_) return ftd2xxstatus::FromD2xx(3);  // not opened
  std::string buffer = bytes;
  uint32_t written = 0;
  const uint32_t d2xx =
      library_->Calls().FT_Write(handle_, buffer.data(), static_cast<uint32_t>(buffer.size()), &written);
  Status status = ftd2xxstatus::FromD2xx(d2xx);
  if (status == 0 && written != buffer.size()) status = ftd2xxstatus::FromD2xx(10);  // failed to write
  if (status != 0) JournexEntry::Note("Write", kModule, "Error", "FT_Write", {{"FT_STATUS", d2xx}, {"Err", status}});
  return status;
}

Status FTD2xxBase::ReadBytes(std::string* bytes, size_t count, uint32_t waitMs, uint32_t quietMs) {
  bytes->clear();
  if (!handle_) return ftd2xxstatus::FromD2xx(3);
  const FTD2xxLibrary::Functions& f = library_->Calls();
  auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  while (bytes->size() < count) {
    uint32_t queued = 0;
    Status status = ftd2xxstatus::FromD2xx(f.FT_GetQueueStatus(handle_, &queued));
    if (status != 0) return status;
    if (queued > 0) {
      std::string chunk(std::min<size_t>(queued, count - bytes->size()), '\0');
      uint32_t got = 0;
      status = ftd2xxstatus::FromD2xx(f.FT_Read(handle_, chunk.data(), static_cast<uint32_t>(chunk.size()), &got));
      if (status != 0) return status;
      bytes->append(chunk, 0, got);
      deadline = Clock::now() + std::chrono::milliseconds(quietMs);
      continue;
    }
    if (Clock::now() >= deadline) break;
    SleepMilliseconds(1);
  }
  return bytes->empty() && count > 0 ? streamstatus::kReadTimedOut : 0;
}

Status FTD2xxBase::Purge() {
  if (!handle_) return 0;
  return Check("Purge",
               library_->Calls().FT_Purge(handle_, FTD2xxLibrary::kPurgeReceive | FTD2xxLibrary::kPurgeTransmit),
               "Purge");
}

std::string FTD2xxBase::ErrorText(Status status) {
  std::string text = ftd2xxstatus::Text(status);
  if (status != ftd2xxstatus::kLibraryNotLoaded) return text;
  // The fixed text knows only the vendor's file name: add the library tried and why it failed.
  const std::string failure = FTD2xxLibrary::Shared()->Failure();
  return failure.empty() ? text : text + " (" + FTD2xxLibrary::LibraryName() + ": " + failure + ")";
}

#include "legacy/NI4882MGPIB.h"

#include "legacy/GPIBStatus.h"
#include "logging/JournexEntry.h"

namespace {
constexpr std::string_view kModule = "NI4882MGPIB";
}

NI4882MGPIB::~NI4882MGPIB() {
  UnregisterDevice();
  if (IsOpen()) NI488GPIB::CloseDevice(0);
}

Status NI4882MGPIB::LoadLibraries() {
  if (const Status status = NI488GPIB::LoadLibraries()) return status;
  return srqLibrary_.Load();
}

std::string NI4882MGPIB::LoadFailureNote(Status status) const {
  if (status == gpibstatus::kSrqLibraryNotLoaded && !srqLibrary_.LoadFailure().empty())
    return " (" + srqLibrary_.LoadFailure() + ")";
  return NI488GPIB::LoadFailureNote(status);
}

void NI4882MGPIB::HandlerEntry(void* context, int statusByte) {
  static_cast<NI4882MGPIB*>(context)->SRQHandler(statusByte);
}

void NI4882MGPIB::SRQHandler(int) {}

Status NI4882MGPIB::RegisterDevice() {
  const GPIBSRQLibrary::Functions& f = srqLibrary_.Calls();
  if (!f.RegisterSRQHandler) {
    JournexEntry::Note("RegisterDevice", kModule, "Error",
                       "RegisterSRQHandler could not be found in " + GPIBSRQLibrary::LibraryName(),
                       {{"Err", gpibstatus::kNoRegisterSrqHandler}});
    return gpibstatus::kNoRegisterSrqHandler;
  }
  {
    // The library takes a descriptor of its own for the device.
    std::lock_guard table(gpiblocks::TableLock());
    srqHandle_ = f.RegisterSRQHandler(GetBoard(), GetPrimaryAddress(), GetSecondaryAddress(), &HandlerEntry, this);
  }
  if (srqHandle_ > 0) {
    JournexEntry::Note("RegisterDevice", kModule, "Note",
                       Format("RegisterSRQHandler(%d, %d, %d): %d", static_cast<int>(GetBoard()),
                              GetPrimaryAddress(), GetSecondaryAddress(), srqHandle_));
    return 0;
  }
  const int error = f.GetLastGPIBError ? f.GetLastGPIBError() : -1;
  srqHandle_ = 0;
  const Status status = gpibstatus::kErrorBase + gpibstatus::EDVR;
  JournexEntry::Note("RegisterDevice", kModule, "Error", "RegisterSRQHandler failed",
                     {{"GetLastGPIBError", error}, {"Err", status}});
  return status;
}

void NI4882MGPIB::UnregisterDevice() {
  if (srqHandle_ <= 0) return;
  if (srqLibrary_.Calls().UnRegisterSRQHandler) {
    std::lock_guard table(gpiblocks::TableLock());
    srqLibrary_.Calls().UnRegisterSRQHandler(srqHandle_);
  }
  JournexEntry::Note("UnregisterDevice", kModule, "Note", Format("UnRegisterSRQHandler(%d)", srqHandle_));
  srqHandle_ = 0;
}

Status NI4882MGPIB::OpenDevice(HostWindow hWnd, GPIBBoardNumbers board, int primaryAddress,
                               int secondaryAddress) {
  if (const Status status = LoadLibraries()) return status;
  if (IsOpen() || HasSrqHandler()) CloseDevice(hWnd);
  SetBoard(board);
  SetPrimaryAddress(primaryAddress);
  SetSecondaryAddress(secondaryAddress);
  // The library's registration opens the board too: checked first.
  Status status = CheckBoardFile(board);
  if (!status) status = RegisterDevice();
  if (!status) status = NI488GPIB::OpenDevice(hWnd, board, primaryAddress, secondaryAddress);
  if (status) CloseDevice(hWnd);
  return status;
}

Status NI4882MGPIB::CloseDevice(HostWindow hWnd) {
  UnregisterDevice();
  return NI488GPIB::CloseDevice(hWnd);
}

void NI4882MGPIB::ExpectServiceRequest(bool expecting) {
  if (HasSrqHandler() && srqLibrary_.Calls().SetExpectingSRQ)
    srqLibrary_.Calls().SetExpectingSRQ(srqHandle_, expecting ? 1 : 0);
}

Status NI4882MGPIB::AfterOperation(Status status) {
  if (status == 0) ExpectServiceRequest(false);
  return status;
}

Status NI4882MGPIB::SendWaitingForCompletion(HostWindow hWnd, const std::string& text) {
  return SaveSendGPIB(hWnd, text, true, 0, nullptr);
}

// The library keeps whole milliseconds: a time is stored rounded up, so that
// a wait measured from it is never shorter than asked.
uint64_t NI4882MGPIB::LastAccess() const {
  if (srqLibrary_.Calls().GetLastTimingInformation)
    return srqLibrary_.Calls().GetLastTimingInformation(GetBoard(), GetPrimaryAddress()) * 1000;
  return NI488GPIB::LastAccess();
}

void NI4882MGPIB::NoteAccess(uint64_t microseconds) {
  NI488GPIB::NoteAccess(microseconds);
  if (srqLibrary_.Calls().SetLastTimingInformation)
    srqLibrary_.Calls().SetLastTimingInformation(GetBoard(), GetPrimaryAddress(), (microseconds + 999) / 1000);
}

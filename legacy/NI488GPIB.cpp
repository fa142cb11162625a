#include "legacy/NI488GPIB.h"

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "dialogs/PanelList.h"
#include "dialogs/TabbedConfigurationDialog.h"
#include "framework/TextBuffer.h"
#include "framework/Timing.h"
#include "legacy/GPIBConfigurationPanel.h"
#include "legacy/GPIBStatus.h"
#include "legacy/GPIBTimeout.h"
#include "legacy/SystemErrorStatus.h"
#include "logging/JournexEntry.h"
#include "logging/WireBytes.h"
#include "platform/Clock.h"
#include "platform/GpibBoardFile.h"

namespace {
constexpr std::string_view kModule = "NI488GPIB";
constexpr std::string_view kCategory = "NIGPIBDD";
constexpr size_t kOperationCompleteLength = 500;
constexpr size_t kStatusByteLength = 100;
constexpr size_t kErrorTextLength = 500;
constexpr int kReadyTries = 30;
constexpr uint32_t kReadyBudgetMs = 15000;

std::string WithoutLineEnd(std::string text) {
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  return text;
}
}  // namespace

NI488GPIB::NI488GPIB(GPIBBoardNumbers board, int primaryAddress, int secondaryAddress,
                     unsigned long defaultWait)
    : NI488GPIBConfiguration(board, primaryAddress, secondaryAddress, defaultWait) {
  SetTimeOutGPIB(gpibtimeout::kDefaultCode);
}

NI488GPIB::~NI488GPIB() {
  // A device still open at the end goes back to local and off line; the
  // board's descriptor goes back to the library.
  if (IsOpen()) NI488GPIB::CloseDevice(0);
  else ReleaseBoard();
}

uint32_t NI488GPIB::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  return NI488GPIBConfiguration::LoadProgramSettings(hostContext, store);
}

uint32_t NI488GPIB::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  return NI488GPIBConfiguration::SaveProgramSettings(hostContext, store);
}

std::string NI488GPIB::Format(const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  va_list copy;
  va_copy(copy, arguments);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text(length > 0 ? static_cast<size_t>(length) : 0, '\0');
  if (length > 0) std::vsnprintf(text.data(), text.size() + 1, format, arguments);
  va_end(arguments);
  return text;
}

uint64_t NI488GPIB::NowMicroseconds() {
  int64_t ticks = 0;
  ReadMonotonicCounter(&ticks);
  return static_cast<uint64_t>(ticks / (kMonotonicFrequency / 1000000));
}

Status NI488GPIB::Finish(std::string_view function, const std::string& callText, std::string_view wireName,
                         std::string_view wire) {
  const NI4882MLibrary::Functions& f = library_.Calls();
  lastStatusWord_ = f.ThreadIbsta();
  const int error = f.ThreadIberr();
  const long count = f.ThreadIbcntl();
  const Status status = (lastStatusWord_ & kStatusError) ? gpibstatus::FromError(error, count) : 0;
  if (!JournexEntry::Enabled()) return status;
  const std::string_view type = status ? "Error" : "Note";
  if (wireName.empty()) {
    JournexEntry::Note(function, kModule, type, callText,
                       {{"ibsta", lastStatusWord_}, {"iberr", error}, {"ibcntl", count}, {"Err", status}}, kCategory);
  } else {
    // A write counts what the library took: only those bytes went over the bus.
    const size_t sent = wireName == "WireSent" ? std::clamp<size_t>(count > 0 ? count : 0, 0, wire.size()) : wire.size();
    JournexEntry::Note(function, kModule, type, callText,
                       {{"ibsta", lastStatusWord_}, {"iberr", error}, {"ibcntl", count}, {"Err", status},
                        {"Stream", ResourceName()}, {wireName, WireHex(wire.substr(0, sent))}},
                       kCategory);
  }
  return status;
}

std::string NI488GPIB::ResourceName() const {
  std::string name = Format("GPIB%d::%d::", static_cast<int>(GetBoard()), GetPrimaryAddress());
  if (GetSecondaryAddress() >= 96) name += std::to_string(GetSecondaryAddress() - 96) + "::";
  return name + "INSTR";
}

int NI488GPIB::EndOfStringWord() const {
  return ((static_cast<int>(endOfStringMode_) & 7) << 10) | endOfStringCharacter_;
}

Status NI488GPIB::LoadLibraries() { return library_.Load(); }

Status NI488GPIB::FindBoard(int board) {
  ReleaseBoard();
  const NI4882MLibrary::Functions& f = library_.Calls();
  {
    std::lock_guard table(gpiblocks::TableLock());
    if (f.ibfindW) {
      const std::wstring name = L"GPIB" + std::to_wstring(board);
      boardDescriptor_ = f.ibfindW(name.c_str());
    } else {
      const std::string name = "GPIB" + std::to_string(board);
      boardDescriptor_ = f.ibfind(name.c_str());
    }
  }
  boardIndex_ = board;
  const Status status = Finish("FindBoard", Format("ibfind(%d)", board));
  if (!status) {
    boardFound_ = true;
    return 0;
  }
  // linux-gpib finds a board only by the name gpib.conf gives it (its
  // template says "violet"), but it sets up a descriptor equal to the board
  // index for every configured board, and NI-488.2 takes the index as a
  // board descriptor too: a board that answers under its index is used so.
  int address = 0;
  OnDescriptor(f.ibask, board, kOptionPrimaryAddress, &address);
  if (Finish("FindBoard", Format("ibask((board)%d, %d): no board named GPIB%d, its index used", board,
                                 kOptionPrimaryAddress, board)) == 0) {
    boardDescriptor_ = board;
    boardFound_ = false;
    return 0;
  }
  boardDescriptor_ = -1;
  return status;
}

Status NI488GPIB::CheckBoardFile(int board) {
  const int error = GpibBoardOpenError(board);
  if (error == 0) return 0;
  const Status status = systemerror::ToStatus(error);
  JournexEntry::Note("CheckBoardFile", kModule, "Error", Format("the device file of GPIB board %d cannot be opened", board),
                     {{"errno", error}, {"Err", status}});
  return status;
}

void NI488GPIB::GiveBack(int descriptor) {
  std::lock_guard table(gpiblocks::TableLock());
  OnDescriptor(library_.Calls().ibonl, descriptor, 0);
}

void NI488GPIB::ReleaseBoard() {
  // Only a descriptor of ibfind is the module's to give back; a board index
  // belongs to the library, and taking it off line would stop the board.
  if (boardDescriptor_ >= 0 && boardFound_) {
    GiveBack(boardDescriptor_);
    Finish("CloseBoard", Format("ibonl((board)%d, 0)", boardDescriptor_));
  }
  boardDescriptor_ = -1;
  boardFound_ = false;
}

Status NI488GPIB::OpenDeviceConnection(int board, int primaryAddress, int secondaryAddress) {
  {
    std::lock_guard table(gpiblocks::TableLock());
    device_ = library_.Calls().ibdev(board, primaryAddress, secondaryAddress, timeoutCode_, 1, EndOfStringWord());
  }
  const Status status = Finish("OpenDeviceConnection",
                               Format("ibdev((board)%d, %d, %d, %d, 1): %d", board, primaryAddress,
                                      secondaryAddress, timeoutCode_, device_));
  if (status) device_ = -1;
  return status;
}

Status NI488GPIB::GoOnlineDevice() {
  OnDescriptor(library_.Calls().ibonl, device_, 1);
  return Finish("GoOnlineDevice", Format("ibonl(%d, 1)", device_));
}

Status NI488GPIB::GoOfflineDevice() {
  GiveBack(device_);
  return Finish("GoOfflineDevice", Format("ibonl(%d, 0)", device_));
}

Status NI488GPIB::GoToLocalDevice() {
  OnDescriptor(library_.Calls().ibloc, device_);
  return Finish("GoToLocalDevice", Format("ibloc(%d)", device_));
}

Status NI488GPIB::ClearGPIB() {
  OnDescriptor(library_.Calls().ibclr, device_);
  return Finish("ClearGPIB", Format("ibclr(%d)", device_));
}

Status NI488GPIB::LockDevice() {
  if (!library_.Calls().iblck) {
    JournexEntry::Note("LockDevice", kModule, "Warning", "iblck is not offered by the GPIB library: not locked");
    return 0;
  }
  OnDescriptor(library_.Calls().iblck, device_, 1, lockWaitMilliseconds_, nullptr);
  return Finish("LockDevice", Format("iblck(%d, 1, %u)", device_, lockWaitMilliseconds_));
}

Status NI488GPIB::UnLockDevice() {
  if (!library_.Calls().iblck) return 0;
  OnDescriptor(library_.Calls().iblck, device_, 0, lockWaitMilliseconds_, nullptr);
  return Finish("UnLockDevice", Format("iblck(%d, 0, %u)", device_, lockWaitMilliseconds_));
}

Status NI488GPIB::SetTimeOutGPIB(int code) {
  timeoutCode_ = gpibtimeout::Normalised(code);
  timeoutMilliseconds_ = gpibtimeout::Milliseconds(timeoutCode_);
  if (!IsOpen()) return 0;
  OnDescriptor(library_.Calls().ibtmo, device_, timeoutCode_);
  return Finish("SetTimeOutGPIB", Format("ibtmo(%d, %d)", device_, timeoutCode_));
}

Status NI488GPIB::SetTimeoutMilliseconds(uint32_t milliseconds) {
  return SetTimeOutGPIB(gpibtimeout::CodeFor(milliseconds));
}

Status NI488GPIB::ConfigBoardGPIB(int option, int value) {
  if (boardDescriptor_ < 0) return 0;
  OnDescriptor(library_.Calls().ibconfig, boardDescriptor_, option, value);
  return Finish("ConfigBoardGPIB", Format("ibconfig((board)%d, %d, %d)", boardDescriptor_, option, value));
}

Status NI488GPIB::ConfigDeviceGPIB(int option, int value) {
  OnDescriptor(library_.Calls().ibconfig, device_, option, value);
  return Finish("ConfigDeviceGPIB", Format("ibconfig(%d, %d, %d)", device_, option, value));
}

Status NI488GPIB::AskConfigBoardGPIB(int option, int* value) {
  *value = 0;
  OnDescriptor(library_.Calls().ibask, boardDescriptor_, option, value);
  return Finish("AskConfigBoardGPIB", Format("GPIBibask((board)%d, %d, %d)", boardDescriptor_, option, *value));
}

Status NI488GPIB::CommandGPIB(const std::string& bytes) {
  OnDescriptor(library_.Calls().ibcmd, boardDescriptor_, bytes.data(), static_cast<long>(bytes.size()));
  return Finish("CommandGPIB", Format("ibcmd((board)%d, \"%.80s\", %d)", boardDescriptor_, bytes.c_str(),
                                      static_cast<int>(bytes.size())));
}

void NI488GPIB::KeepSpacing() {
  const uint64_t wait = static_cast<uint64_t>(GetWait()) * 1000;
  if (wait == 0) return;
  const uint64_t now = NowMicroseconds();
  const uint64_t last = LastAccess();
  const uint64_t since = now > last ? now - last : 0;
  if (since < wait) Timing().WaitMicroseconds(wait - since);
}

Status NI488GPIB::SendGPIB(const std::string& text) {
  if (!IsOpen()) return NotOpen("SendGPIB");
  KeepSpacing();
  OnDescriptor(library_.Calls().ibwrt, device_, text.data(), static_cast<long>(text.size()));
  NoteAccess(NowMicroseconds());
  return Finish("SendGPIB", Format("ibwrt(%d,\"%.80s\",%d)", device_, text.c_str(), static_cast<int>(text.size())),
                "WireSent", text);
}

Status NI488GPIB::ReceiveGPIB(std::string* text, size_t bufferSize) {
  text->clear();
  lastCount_ = 0;
  if (bufferSize == 0) return 0;
  if (!IsOpen()) return NotOpen("ReceiveGPIB");
  KeepSpacing();
  std::vector<char> buffer(bufferSize, '\0');
  const NI4882MLibrary::Functions& f = library_.Calls();
  OnDescriptor(f.ibrd, device_, buffer.data(), static_cast<long>(bufferSize - 1));
  NoteAccess(NowMicroseconds());
  const long count = f.ThreadIbcntl();
  lastCount_ = count > 0 && static_cast<size_t>(count) < bufferSize ? count : 0;
  text->assign(buffer.data(), static_cast<size_t>(lastCount_));
  return Finish("ReceiveGPIB", Format("ibrd(%d,\"%.80s\",%ld)", device_, text->c_str(), lastCount_),
                "WireReceived", *text);
}

Status NI488GPIB::NotOpen(std::string_view call) const {
  JournexEntry::Note(call, kModule, "Error", "The device is not open: nothing sent or read",
                     {{"Err", gpibstatus::kDeviceNotOpen}});
  return gpibstatus::kDeviceNotOpen;
}

Status NI488GPIB::SerialPoll(uint8_t* statusByte) {
  char value = 0;
  OnDescriptor(library_.Calls().ibrsp, device_, &value);
  *statusByte = static_cast<uint8_t>(value);
  return Finish("SerialPoll", Format("ibrsp(%d, %u)", device_, static_cast<unsigned>(*statusByte)));
}

Status NI488GPIB::OpenDevice(HostWindow hWnd, GPIBBoardNumbers board, int primaryAddress,
                             int secondaryAddress) {
  JournexEntry entry("OpenDevice", kModule);
  entry.LogBegin("Note", Format("OpenDevice(%d, %d, %d)", static_cast<int>(board), primaryAddress, secondaryAddress));
  Status status = LoadLibraries();
  if (status) {
    entry.LogEnd("Error", {}, {{"Err", status}});
    return status;
  }
  if (IsOpen()) CloseDevice(hWnd);
  SetBoard(board);
  SetPrimaryAddress(primaryAddress);
  SetSecondaryAddress(secondaryAddress);
  status = CheckBoardFile(board);
  if (!status) status = FindBoard(board);
  if (!status) {
    int boardAddress = -1;
    status = AskConfigBoardGPIB(kOptionPrimaryAddress, &boardAddress);
    if (!status && boardAddress == primaryAddress) status = gpibstatus::kAddressIsBoards;
  }
  if (!status) status = OpenDeviceConnection(board, primaryAddress, secondaryAddress);
  if (!status) status = GoOnlineDevice();
  if (!status) {
    status = LockDevice();
    if (!status) {
      status = ConfigDeviceGPIB(kOptionReaddress, GetReaddress() ? 1 : 0);
      if (status == gpibstatus::kECAP && !GetReaddress()) status = 0;
      if (!status && GetClear()) status = ClearGPIB();
      status = FirstError(status, UnLockDevice());
    }
  }
  if (!status) status = CommandGPIB(std::string(1, static_cast<char>(kLocalLockout)));
  if (status) {
    CloseDevice(hWnd);
    entry.LogEnd("Error", {}, {{"Err", status}});
    return status;
  }
  entry.LogEnd("Complete", {}, {{"ud", device_}, {"Err", status}});
  return 0;
}

Status NI488GPIB::OpenBoard(HostWindow hWnd) {
  if (const Status status = LoadLibraries()) return status;
  if (IsOpen()) CloseDevice(hWnd);
  if (const Status status = CheckBoardFile(GetBoard())) return status;
  return FindBoard(GetBoard());
}

Status NI488GPIB::CloseDevice(HostWindow hWnd) {
  Status status = 0;
  if (IsOpen()) {
    status = GoToLocalDevice();
    status = FirstError(status, GoOfflineDevice());
    device_ = -1;
  }
  return FirstError(status, CloseBoard(hWnd));
}

Status NI488GPIB::CloseBoard(HostWindow) {
  ReleaseBoard();
  return 0;
}

Status NI488GPIB::GetIdentificationString(HostWindow hWnd, std::string* identification) {
  identification->clear();
  Status status = Send(hWnd, identificationQuery_, false);
  if (status) {
    JournexEntry::Note("GetIdentificationString", kModule, "Error",
                       "Something went wrong sending the get identification request", {{"Err", status}});
    return status;
  }
  status = ReceiveGPIB(identification, kOperationCompleteLength);
  *identification = WithoutLineEnd(*identification);
  return status;
}

Status NI488GPIB::ShowConfigurationDialog(HostWindow hWnd) {
  PanelList panels;
  AddConfigurationPanel(hWnd, panels);
  return ShowTabbedDialog(hWnd, "GPIB Configuration", panels);
}

Status NI488GPIB::AddConfigurationPanel(HostWindow, PanelList& panels) {
  NI488GPIBConfiguration* configuration = this;
  panels.Add({[configuration] { return new GPIBConfigurationPanel(configuration); }, "GPIBConfiguration", "GPIB"});
  return 0;
}

Status NI488GPIB::SendWithFlag(HostWindow hWnd, const std::string& text, bool waitForOperationComplete) {
  return Send(hWnd, text, waitForOperationComplete);
}

Status NI488GPIB::Send(HostWindow hWnd, const std::string& text, bool waitForOperationComplete) {
  return SaveSendGPIB(hWnd, text, waitForOperationComplete, 0, nullptr);
}

Status NI488GPIB::SaveSendGPIB(HostWindow, const std::string& text, bool waitForOperationComplete,
                               size_t replyLength, std::string* reply) {
  std::string command = text;
  if (waitForOperationComplete) {
    if (!command.empty()) command += ";";
    command += "*OPC?";
  }
  Status status = SendGPIB(command);
  if (!status && waitForOperationComplete) {
    std::string complete;
    status = ReceiveGPIB(&complete, kOperationCompleteLength);
  }
  if (!status && replyLength > 0 && reply) status = ReceiveGPIB(reply, replyLength);
  return AfterOperation(status);
}

Status NI488GPIB::GetErrorString(HostWindow, uint32_t status, char* buffer, uint32_t bufferSize,
                                 uint32_t* read) {
  ClearTextBuffer(buffer, bufferSize, read);
  std::string text;
  if (status == gpibstatus::kDeviceError)
    text = "Specific System Error: " + lastDeviceError_;
  else if (status == gpibstatus::kDeviceNotOpen)
    text = Format("The GPIB device GPIB%d, primary address %d, is not open: initialise the driver "
                  "(or its initialisation failed).",
                  static_cast<int>(GetBoard()), GetPrimaryAddress());
  else if (systemerror::IsSystemStatus(status))
    text = systemerror::Text(status);
  else
    text = gpibstatus::Text(status);
  if (!text.empty()) CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}

std::string NI488GPIB::LoadFailureNote(Status status) const {
  const std::string& failure = library_.LoadFailure();
  if (failure.empty() || (status != gpibstatus::kLibraryNotLoaded && status != systemerror::ToStatus(ENOSYS)))
    return "";
  return " (" + NI4882MLibrary::LibraryName() + ": " + failure + ")";
}

Status NI488GPIB::EnableHS488(HostWindow) { return ConfigBoardGPIB(kOptionHS488, kHS488CableLength); }

Status NI488GPIB::DisableHS488(HostWindow) { return ConfigBoardGPIB(kOptionHS488, 0); }

Status NI488GPIB::CheckDeviceErrors(HostWindow) {
  // The error-queue bit asks for one "SYST:ERR?"; its text ends the check as
  // a device error, so a single round settles it.
  std::string answer;
  Status status = SendGPIB("*STB?");
  if (!status) status = ReceiveGPIB(&answer, kStatusByteLength);
  if (status) return status;
  const long statusByte = std::strtol(answer.c_str(), nullptr, 10);
  if ((statusByte & 4) == 0) return 0;
  std::string error;
  status = SendGPIB("SYST:ERR?");
  if (!status) status = ReceiveGPIB(&error, kErrorTextLength);
  if (status) return status;
  return SetDeviceError(WithoutLineEnd(error));
}

Status NI488GPIB::WaitUntilReady(HostWindow hWnd) {
  const Timing timing;
  const uint32_t start = timing.Now();
  const uint32_t pause = kReadyBudgetMs / kReadyTries;
  Status status = 0;
  for (int attempt = 0; attempt < kReadyTries; ++attempt) {
    status = CheckDeviceErrors(hWnd);
    if (status == 0) return 0;
    if (timing.Elapsed(start) + pause > kReadyBudgetMs) break;
    timing.Wait(pause);
  }
  return status;
}

Status NI488GPIB::AfterOperation(Status status) { return status; }

Status NI488GPIB::SetDeviceError(const std::string& text) {
  lastDeviceError_ = text;
  JournexEntry::Note("SetDeviceError", kModule, "Error", "Specific System Error: " + text,
                     {{"Err", gpibstatus::kDeviceError}});
  return gpibstatus::kDeviceError;
}

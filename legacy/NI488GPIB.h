#pragma once
// A GPIB device reached through the NI-488.2 library: opened by board and
// primary/secondary address, written to and read from as text, with bus
// errors mapped to the module's status codes. Older drivers derive from it
// (or from NI4882MGPIB / NI4882CompliantGPIB) to become GPIB devices.
//
// Every library call is logged with its call text under the category
// "NIGPIBDD", followed by the calling thread's status word, error and count.
#include <cstdint>
#include <string>

#include "framework/Status.h"
#include "legacy/GpibDescriptorLocks.h"
#include "legacy/NI4882MLibrary.h"
#include "legacy/NI488GPIBConfiguration.h"
#include "settings/SaveLoadConfigurationConvertor.h"

class PanelList;
using HostWindow = uint32_t;

SWM_ENUM(eEndOfStringMode, eeosmNone = 0, eeosmTerminateReadOnEOS = 1, eeosmSendEndWithEOS = 2,
         eeosmEightBitCompare = 4)

class NI488GPIB : public SaveLoadConfigurationConvertor, public NI488GPIBConfiguration {
public:
  static constexpr int kStatusError = 0x8000;  // ERR bit of the status word
  static constexpr int kOptionPrimaryAddress = 0x1;
  static constexpr int kOptionReaddress = 0x6;
  static constexpr int kOptionHS488 = 0x1F;
  static constexpr int kHS488CableLength = 5;
  static constexpr uint8_t kLocalLockout = 0x11;

  NI488GPIB(GPIBBoardNumbers board = GPIB0, int primaryAddress = 1, int secondaryAddress = 0,
            unsigned long defaultWait = 0);
  ~NI488GPIB() override;
  NI488GPIB(const NI488GPIB&) = delete;
  NI488GPIB& operator=(const NI488GPIB&) = delete;

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;

  // Loads the library, finds the board, checks the address, opens the
  // device, brings it on line, sets re-addressing, clears it (when "Clear"),
  // and sends local lockout. Any failure closes again; the first error counts.
  virtual Status OpenDevice(HostWindow hWnd, GPIBBoardNumbers board, int primaryAddress,
                            int secondaryAddress);
  Status OpenDevice(HostWindow hWnd) {
    return OpenDevice(hWnd, GetBoard(), GetPrimaryAddress(), GetSecondaryAddress());
  }
  // Opens the board only (closing a device first if one is open).
  virtual Status OpenBoard(HostWindow hWnd);
  // Go to local, go off line, forget the device, close the board; every step runs.
  virtual Status CloseDevice(HostWindow hWnd);
  virtual Status CloseBoard(HostWindow hWnd);
  // Sends the identification query and reads the answer (line end removed).
  virtual Status GetIdentificationString(HostWindow hWnd, std::string* identification);
  // The "GPIBConfiguration" panel in a dialog of its own, titled "GPIB Configuration".
  virtual Status ShowConfigurationDialog(HostWindow hWnd);
  // The page "GPIB" of a driver's tabbed dialog.
  virtual Status AddConfigurationPanel(HostWindow hWnd, PanelList& panels);
  virtual Status SendWithFlag(HostWindow hWnd, const std::string& text, bool waitForOperationComplete);
  virtual Status Send(HostWindow hWnd, const std::string& text, bool waitForOperationComplete);
  // Sends the text (with ";*OPC?" and reading its "1" when waiting for
  // completion), then reads a reply of up to replyLength characters when one
  // is asked for.
  virtual Status SaveSendGPIB(HostWindow hWnd, const std::string& text, bool waitForOperationComplete,
                              size_t replyLength, std::string* reply);
  virtual Status GetErrorString(HostWindow hWnd, uint32_t status, char* buffer, uint32_t bufferSize,
                                uint32_t* read);
  // For the status of a library that could not be loaded (or lacks a
  // function): " (library: the loader's reason)"; empty otherwise.
  virtual std::string LoadFailureNote(Status status) const;
  // High-speed HS488 transfers on the board (cable length 5 m), or off.
  virtual Status EnableHS488(HostWindow hWnd);
  virtual Status DisableHS488(HostWindow hWnd);
  // "*STB?"; when its error-queue bit (4) is set, "SYST:ERR?" and its text
  // become the device error (0x30000239).
  virtual Status CheckDeviceErrors(HostWindow hWnd);
  // Repeats the error check up to 30 times within 15 s until it passes.
  virtual Status WaitUntilReady(HostWindow hWnd);
  // Runs after each SaveSendGPIB with its status, which it returns.
  virtual Status AfterOperation(Status status);
  // Keeps the device's error text and returns 0x30000239.
  virtual Status SetDeviceError(const std::string& text);

  // The wrapped library calls. FindBoard finds the board by its name
  // "GPIBn", or else by its index.
  Status FindBoard(int board);
  Status OpenDeviceConnection(int board, int primaryAddress, int secondaryAddress);
  Status GoOnlineDevice();
  Status GoOfflineDevice();
  Status GoToLocalDevice();
  Status ClearGPIB();
  Status LockDevice();
  Status UnLockDevice();
  // Stores the code (1 to 17; others become 13) and applies it to an open device.
  Status SetTimeOutGPIB(int code);
  // The shortest time-out code that lasts at least the given time.
  Status SetTimeoutMilliseconds(uint32_t milliseconds);
  Status ConfigBoardGPIB(int option, int value);
  Status ConfigDeviceGPIB(int option, int value);
  Status AskConfigBoardGPIB(int option, int* value);
  Status CommandGPIB(const std::string& bytes);
  // Writes the whole text; kDeviceNotOpen while the device is closed.
  Status SendGPIB(const std::string& text);
  // Reads at most bufferSize - 1 characters (kDeviceNotOpen while closed);
  // the count of the read is kept as LastCount().
  Status ReceiveGPIB(std::string* text, size_t bufferSize);
  Status SerialPoll(uint8_t* statusByte);

  bool IsOpen() const { return device_ >= 0; }
  int DeviceDescriptor() const { return device_; }
  int BoardDescriptor() const { return boardDescriptor_; }
  long LastCount() const { return lastCount_; }
  // The status word of the calling thread's last library call.
  int LastStatusWord() const { return lastStatusWord_; }
  const std::string& LastDeviceError() const { return lastDeviceError_; }
  int TimeoutCode() const { return timeoutCode_; }
  uint32_t TimeoutMilliseconds() const { return timeoutMilliseconds_; }
  const std::string& IdentificationQuery() const { return identificationQuery_; }
  void SetIdentificationQuery(const std::string& query) { identificationQuery_ = query; }
  eEndOfStringMode EndOfStringMode() const { return endOfStringMode_; }
  void SetEndOfString(eEndOfStringMode mode, uint8_t character) {
    endOfStringMode_ = mode;
    endOfStringCharacter_ = character;
  }
  // The EOS word handed to ibdev: (mode & 7) << 10 | character.
  int EndOfStringWord() const;
  unsigned int LockWaitMilliseconds() const { return lockWaitMilliseconds_; }
  void SetLockWaitMilliseconds(unsigned int milliseconds) { lockWaitMilliseconds_ = milliseconds; }
  const NI4882MLibrary& Library() const { return library_; }

protected:
  // Loads the NI-488.2 library (and, in the service-request classes, theirs).
  virtual Status LoadLibraries();
  // The time of the device's last bus access (monotonic microseconds), and
  // noting a new one; the service-request classes keep it in their library.
  virtual uint64_t LastAccess() const { return lastAccess_; }
  virtual void NoteAccess(uint64_t microseconds) { lastAccess_ = microseconds; }
  // Logs and returns kDeviceNotOpen for a call on a closed device.
  Status NotOpen(std::string_view call) const;
  // Sleeps until "Wait" milliseconds have passed since the last access.
  void KeepSpacing();
  static uint64_t NowMicroseconds();

  // Reads the thread's status after a call, logs the call and converts an error.
  // Logs wire bytes under wireName ("WireSent", "WireReceived") when one is given.
  Status Finish(std::string_view function, const std::string& callText, std::string_view wireName = {},
                std::string_view wire = {});
  // The device's VISA-style resource name, "GPIB0::7::INSTR", naming it in the log.
  std::string ResourceName() const;
  static std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
  // Gives the board's descriptor back to the library when it is the module's.
  void ReleaseBoard();
  // Before any ibfind or ibdev: the board's device file must open (an open
  // that fails in the library keeps a descriptor); the system's error else.
  Status CheckBoardFile(int board);
  // One library call with the descriptor's lock held.
  template <class Function, class... Args>
  static int OnDescriptor(Function* function, int descriptor, Args... arguments) {
    std::lock_guard guard(gpiblocks::DescriptorLock(descriptor));
    return function(descriptor, arguments...);
  }
  // ibonl(descriptor, 0): gives it back to the library's table.
  void GiveBack(int descriptor);

  NI4882MLibrary library_;

private:
  int device_ = -1;
  int boardDescriptor_ = -1;
  bool boardFound_ = false;  // the descriptor came from ibfind and is the module's
  int boardIndex_ = 0;
  std::string identificationQuery_ = "*IDN?";
  eEndOfStringMode endOfStringMode_ = eeosmNone;
  uint8_t endOfStringCharacter_ = 0;
  unsigned int lockWaitMilliseconds_ = 0;
  int timeoutCode_ = 13;
  uint32_t timeoutMilliseconds_ = 10000;
  long lastCount_ = 0;
  // The calling thread's: a handler's calls on another thread leave it alone.
  static inline thread_local int lastStatusWord_ = 0;
  std::string lastDeviceError_;
  uint64_t lastAccess_ = 0;
};

#pragma once
// A serial device of the older drivers: the port settings (RS232Configuration)
// and the open port, reached through the system's serial functions or a VISA
// serial session (RS232Configuration::GetImplementation). Reads end at the
// requested count or the time-out; OptimizedRead also at a line end, a
// terminator or a pattern.
#include <memory>
#include <string>

#include "framework/Mutex.h"
#include "framework/Status.h"
#include "legacy/RS232Configuration.h"
#include "legacy/RS232RunTimeData.h"

class PanelList;
using HostWindow = uint32_t;

class RS232DeviceDriver : public RS232Configuration {
public:
  static constexpr Status kNotOpen = RS232RunTimeData::kNotOpen;
  static constexpr Status kNotAllWritten = RS232RunTimeData::kNotAllWritten;
  static constexpr Status kShortRead = RS232RunTimeData::kShortRead;

  using RS232Configuration::RS232Configuration;
  ~RS232DeviceDriver() override;
  RS232DeviceDriver(const RS232DeviceDriver&) = delete;
  RS232DeviceDriver& operator=(const RS232DeviceDriver&) = delete;

  // Opens the port with the configured settings (closing it first when open).
  Status Open();
  // Opens it with these settings, which become the configuration.
  Status Open(BaudRate baudRate, Parity parity, DataBits dataBits, StopBits stopBits);
  Status Close();
  bool IsOpen() const;

  Status Write(const std::string& text);
  // Reads exactly count characters within the time-out; 0x3000012E with fewer.
  Status Read(std::string* text, size_t count);
  // Reads until count characters have come, the text ends with the
  // terminator (when not empty), with "\n" or "\r" (when line ends end a
  // string), or matches the pattern (a regular expression, when not empty),
  // or the time-out has passed (0x3000012E). Each wait takes at most 90 % of
  // the time still left.
  Status OptimizedRead(std::string* text, size_t count, uint32_t timeoutMs,
                       const std::string& terminator = {}, const std::string& pattern = {});
  Status ClearInputBuffer();
  Status ClearOutputBuffer();
  // How many received bytes wait in the port's input queue, unread.
  Status InputQueueCount(size_t* count);
  Status SetTimeout(uint32_t milliseconds);
  Status SetMinimumTimeout(uint32_t milliseconds);

  // The port's own lock, shared by every user of the same device in every
  // process, whether it names the device by a COM port or by a path (a COM
  // link and the adapter's node it points to are one device): 0, 0x300001A1
  // after the time-out, or the lock's failure.
  Status Lock(uint32_t milliseconds);
  Status Unlock();
  // The name of that lock: "Global\VANTORIX:PORT:" and the device with its
  // links resolved, for a COM port or a device path.
  static std::wstring PortLockName(int comPort);
  static std::wstring DeviceLockName(const std::string& devicePath);

  // The page "RS232" of a driver's tabbed dialog, and the same panel alone
  // in a dialog titled "RS232 Configuration".
  virtual Status AddConfigurationPanel(HostWindow hWnd, PanelList& panels);
  virtual Status ShowConfigurationDialog(HostWindow hWnd);
  virtual Status GetErrorString(HostWindow hWnd, uint32_t status, char* buffer, uint32_t bufferSize,
                                uint32_t* read);

  // Line controls and read end handed over by the serial stream.
  bool GetFirstLineControl() const { return settings_.dataTerminalReady; }
  void SetFirstLineControl(bool on) { settings_.dataTerminalReady = on; }
  bool GetSecondLineControl() const { return settings_.hardwareFlowControl; }
  void SetSecondLineControl(bool on) { settings_.hardwareFlowControl = on; }
  bool GetEndOfString() const { return settings_.lineEndTerminates; }
  void SetEndOfString(bool lineEndTerminates) { settings_.lineEndTerminates = lineEndTerminates; }

  // A device path opened instead of the device of the COM port (empty: the
  // COM port's).
  const std::string& GetDevicePath() const { return settings_.devicePath; }
  void SetDevicePath(const std::string& path) { settings_.devicePath = path; }

  // "COM3", or the device path, naming the instrument in the log.
  std::string PortName() const;
  // "termios" or "VISA" once opened, else "".
  std::string ImplementationName() const;
  const RS232RunTimeData* RunTimeData() const { return runTime_.get(); }
  uint32_t Timeout() const { return timeout_; }

protected:
  // Creates the implementation the configuration asks for: VISA unless the
  // native functions are chosen or no VISA library can be loaded.
  void ChooseImplementation();

private:
  std::unique_ptr<RS232RunTimeData> runTime_;
  int runTimeImplementation_ = -1;  // the setting the implementation was chosen for
  RS232PortSettings settings_;
  uint32_t timeout_ = 3000;
  Mutex lock_;
  std::wstring lockedName_;
  bool lockNameOfOpening_ = false;  // lockedName_ was resolved while the port was open
};

#pragma once
// The Hubline text protocol shared by every Hubline card driver: card
// addressing, identification of the unit and its firmware version, device
// errors turned into statuses and texts, keyboard lock and return to local.
#include <string>

#include "framework/DeviceDriverBase.h"
#include "framework/Version.h"
#include "settings/StorableMemberVariable.h"
#include "streams/DeviceStreamClientWithStream.h"

template <class Matrix>
class HublineBase : public Matrix, public DeviceStreamClientWithStream {
public:
  static constexpr Status kNoResponse = 0x30000FBA;
  static constexpr Status kFirmwareIncompatible = 0x30000FC7;
  static constexpr Status kMultislotNeedsUpdate = 0x30000FC8;
  static constexpr Status kDeviceErrorBase = 0x30003A98;
  static constexpr Status kDeviceErrorHighBase = 0x300083A4;
  static constexpr Status kNotOpen = DRV_ERR_WRONG_DEVICE;
  static constexpr Status kRecursion = DRV_ERR_REENTRY_LIMIT;
  static constexpr size_t kMaxReply = 1024;

  explicit HublineBase(const std::string& expectedIdentification);

  Status CheckDevice(HostWindow hWnd) override { return InternalCheckDevice(hWnd); }
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                        uint32_t* read) override;
  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  virtual Status Read(std::string& reply, size_t maximum, bool check);
  virtual Status SendCommand(const std::string& command, std::string& reply, uint32_t attempts);
  virtual Status Write(const std::string& command);
  virtual Status InternalCheckDevice(HostWindow hWnd);
  virtual long ParseResponseForError(const std::string& reply);
  virtual Status CheckResponseForErrors(const std::string& reply);
  virtual std::string FamilyName() const { return "Hubline"; }
  virtual std::string AddressPrefix() const { return ""; }
  virtual int SubDevicesPerSlot() const { return 1; }
  virtual std::string AddressSeparator() const { return ":"; }
  virtual bool MayReturnToLocal() const;
  virtual Status SetKeyboardLock(bool on);
  virtual Status ReturnToLocal(HostWindow hWnd);
  virtual Status SendLocal(const std::string& id);
  virtual std::string SystemErrorMessage(Status status) const;
  virtual Status GetSystemErrorDescriptionFromDevice(long number);

  // Device error number ↔ status.
  static Status DeviceErrorStatus(long number);
  static bool DeviceErrorNumber(Status status, long& number);
  // "12" → "8", "0B" → "1" (one sub-device), "2b" → "2B" (two or more).
  std::string NormalisedDeviceID(const std::string& text) const;
  // The Hubline texts for a status, empty when it is not one of them.
  std::string HublineErrorText(Status status);

  int CentreType() const { return centreType_; }
  void SetCentreType(int type) { centreType_ = type; }
  std::string DeviceID() const { return deviceID_.Value().ToStdString(); }
  // Stores the slot as NormalisedDeviceID gives it.
  void SetDeviceID(const std::string& text) { deviceID_ = wxString(NormalisedDeviceID(text)); }
  bool ShowSoftwareUpdatePanel() const { return showSoftwareUpdatePanel_; }
  const Version& FirmwareVersion() const { return version_; }
  bool KeyboardLockUsed() const { return keyboardLockUsed_; }

protected:
  bool StreamOpen() { return IsConnected(); }
  bool MultislotAddressing() const { return centreType_ == 0 || centreType_ == 1; }
  bool TransportIs(const std::string& name) const;
  Status WriteRaw(const std::string& text);
  // 0 when the stream is open; after InitDevice (and before DeInitDevice) a
  // stream that the unit closed is connected again and initialised as
  // InitDevice did (identification, keyboard lock); otherwise kNotOpen.
  Status Reconnected();

  StorableMemberVariable<wxString> deviceID_;
  StorableMemberVariable<int> centreType_;
  StorableMemberVariable<bool> showSoftwareUpdatePanel_;
  StorableMemberVariable<int> retryDelayMilliseconds_;
  int communication_ = 1;
  Version version_{0, 0, 0};
  std::string workingID_;
  std::string errorDescription_;
  bool descriptionValid_ = false;
  bool deviceErrorPending_ = false;
  bool commandSent_ = false;
  bool pauseBeforeReading_ = false;
  bool keyboardLockUsed_ = false;
  bool watchEarlyEnd_ = true;
  bool mayReturnToLocal_ = true;
  bool initialised_ = false;  // InitDevice opened the stream, DeInitDevice not yet called
};

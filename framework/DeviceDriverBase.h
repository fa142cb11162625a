#pragma once
// The driver contract: every operation the exports forward to, with a working
// default for each, the generic value channel, and the state all drivers share.
#include <wx/string.h>

#include <cstdint>
#include <string>

#include "framework/AutomationObject.h"
#include "framework/Status.h"
#include "framework/Timing.h"
#include "settings/SaveLoadConfigurationConvertor.h"
#include "settings/StorableMembersManager.h"

class PanelList;
using HostWindow = uint32_t;

class DeviceDriverBase : public SaveLoadConfigurationConvertor {
public:
  DeviceDriverBase() = default;
  ~DeviceDriverBase() override = default;

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t LoadConfiguration(uint32_t hostContext, const char* fileName) override;
  uint32_t SaveConfiguration(uint32_t hostContext, const char* fileName) override;

  virtual Status Registered(HostWindow hWnd);
  virtual Status UnRegistered(HostWindow hWnd);
  virtual Status CheckDevice(HostWindow hWnd);
  virtual Status InitDevice(HostWindow hWnd);
  virtual Status DeInitDevice(HostWindow hWnd);
  virtual Status ShowConfigurationDialog(HostWindow hWnd);
  virtual Status SetLastCWFrequency(HostWindow hWnd, const double* frequency);
  virtual Status ShowConfigurationDialogUnavailable(HostWindow hWnd);
  virtual Status SetValue(HostWindow hWnd, uint32_t valueId, void* data1, void* data2);
  virtual Status GetValue(HostWindow hWnd, uint32_t valueId, void* data1, void* data2);
  virtual Status GetValueString(HostWindow hWnd, uint32_t valueId, void* data1, char* buffer,
                                uint32_t bufferSize, uint32_t* filledSize);
  virtual Status GetInfo(HostWindow hWnd, uint32_t info, double* value);
  virtual Status GetInfoString(HostWindow hWnd, uint32_t info, char* buffer, uint32_t bufferSize,
                               uint32_t* filledSize);
  virtual Status SetSetting(HostWindow hWnd, uint32_t setting, double value);
  virtual Status GetDriverVersion(HostWindow hWnd, void* strVer);
  virtual Status GetCurrentFrequency(HostWindow hWnd, double* frequency);
  virtual Status SetVantorixVersion(HostWindow hWnd, const char* version);
  virtual Status SetSpecificSetting(HostWindow hWnd, void* data1, void* data2);
  virtual Status GetSpecificSetting(HostWindow hWnd, void* data1, char* buffer,
                                    uint32_t bufferSize, uint32_t* filledSize);
  virtual Status CheckDeviceOnStream(HostWindow hWnd);
  virtual Status GetSpecificSettingState(HostWindow hWnd, void* setting, void* state);
  virtual Status GetSpecificInput(HostWindow hWnd, void* data1, void* data2);
  virtual Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                                uint32_t* read);
  virtual void ShowErrorMessage(HostWindow hWnd, uint32_t err);
  virtual Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels);

  Status ShowTabbedConfigurationDialog(HostWindow hWnd);
  void SetInformationItems(void* data1, void* data2);
  // Brand, type and description joined for dialog and message-box titles.
  wxString DeviceCaption() const;
  // The caption, or, when brand, type and description are all empty, the
  // type key the driver was created by, so that a dialog is always named.
  wxString DialogTitle() const;
  const std::string& TypeKey() const { return typeKey_; }
  void SetTypeKey(const std::string& key) { typeKey_ = key; }
  // A message box owned by hWnd, written to the log; returns the answer.
  int LoggedMessageBox(HostWindow hWnd, const wxString& text, const wxString& title,
                       uint32_t type);

  bool UseDoubles() const { return useDoubles; }
  bool UseMilliHzFrequency() const { return useMilliHzFrequency; }
  double LastCWFrequency() const { return lastCWFrequency; }
  const wxString& Description() const { return msDescription; }
  const wxString& Brand() const { return msBrand; }
  const wxString& Type() const { return msType; }
  SwmAutomation* EUT() const { return clsDEUT.Get(); }
  SwmAutomation* InformationItems() const { return clsInformationItems.Get(); }
  SwmAutomation* TestData() const { return ITestData.Get(); }
  StorableMembersManager& Members() { return storableMembers; }

protected:
  AutomationObject clsDEUT;
  AutomationObject clsInformationItems;
  AutomationObject ITestData;
  Timing timing;
  bool useDoubles = false;
  bool useMilliHzFrequency = false;
  wxString msDescription;
  wxString msBrand;
  wxString msType;
  uint32_t callDepth = 0;
  double lastCWFrequency = 0.0;
  StorableMembersManager storableMembers;

private:
  std::string typeKey_;
  std::string saveFailureText_;
};

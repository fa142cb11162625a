#include "drivers/amplifier/BonnBas.h"

#include <cstdio>

#include "dialogs/PanelList.h"
#include "drivers/amplifier/AmplifierPanels.h"
#include "framework/HostEvents.h"
#include "framework/TextBuffer.h"

BonnBas::BonnBas() : NI4882MGPIB(GPIB0, 1, 0, 0) {}

const std::vector<std::string>& BonnBas::SettingTexts() {
  static const std::vector<std::string> texts = {"Do not switch", "Low Band", "High Band"};
  return texts;
}

uint32_t BonnBas::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = SwitchMatrixBase::LoadProgramSettings(hostContext, store);
  const uint32_t gpib = NI4882MGPIB::LoadProgramSettings(hostContext, store);
  if (store) {
    store->PushTable(kTable);
    during_ = static_cast<bonn::RelaisSettings>(store->Read("During", static_cast<long>(during_)));
    after_ = static_cast<bonn::RelaisSettings>(store->Read("After", static_cast<long>(after_)));
    store->PopTable();
  }
  return status != 0 ? status : gpib;
}

uint32_t BonnBas::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = SwitchMatrixBase::SaveProgramSettings(hostContext, store);
  const uint32_t gpib = NI4882MGPIB::SaveProgramSettings(hostContext, store);
  if (store) {
    store->PushTable(kTable);
    store->Write("During", static_cast<long>(during_));
    store->Write("After", static_cast<long>(after_));
    store->PopTable();
  }
  return status != 0 ? status : gpib;
}

Status BonnBas::CheckDevice(HostWindow hWnd) {
  Status status = OpenDevice(hWnd);
  std::string answer;
  if (status == 0) status = SaveSendGPIB(hWnd, "*IDN?\n", false, kIdentificationLimit, &answer);
  if (status == 0 && answer.find("BAS") == std::string::npos) status = DRV_ERR_WRONG_DEVICE;
  const Status closed = CloseDevice(hWnd);
  return status != 0 ? status : closed;
}

Status BonnBas::HandleEvent(HostWindow hWnd, const uint32_t* event, const double*) {
  if (event && *event == SWM_EVENT_InitialisationStarted) return SetBand(hWnd, 0);
  if (event && *event == SWM_EVENT_TestStopped) return SetBand(hWnd, 1);
  return 0;
}

Status BonnBas::SetBand(HostWindow hWnd, int which) {
  const bonn::RelaisSettings setting = Setting(which);
  const char* command = setting == bonn::LowBand ? "SW01_1\n" : setting == bonn::HighBand ? "SW01_2\n" : "";
  return *command ? Send(hWnd, command, false) : 0;
}

std::string BonnBas::AddressName() const {
  char text[64];
  std::snprintf(text, sizeof text, "GPIB:%d,%d,%d", static_cast<int>(GetBoard()), GetPrimaryAddress(),
                GetSecondaryAddress());
  return text;
}

Status BonnBas::GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize, uint32_t* read) {
  NI4882MGPIB::GetErrorString(hWnd, err, buffer, bufferSize, read);
  if (read && *read > 0) return 0;
  return SwitchMatrixBase::GetErrorString(hWnd, err, buffer, bufferSize, read);
}

Status BonnBas::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  AddConfigurationPanel(hWnd, panels);
  AddBonnBasPanel(*this, panels);
  return 0;
}

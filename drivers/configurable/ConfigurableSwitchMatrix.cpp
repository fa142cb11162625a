#include "drivers/configurable/ConfigurableSwitchMatrix.h"

#include <cmath>

#include "drivers/configurable/ConfigurableSwitchMatrixCommandsPanel.h"
#include "drivers/configurable/ConfigurableSwitchMatrixPanel1.h"
#include "drivers/configurable/NumberedKeyList.h"
#include "framework/HostEvents.h"
#include "logging/JournexEntry.h"
#include "streams/DeviceStreamStatus.h"

namespace {
constexpr std::string_view kModule = "ConfigurableSwitchMatrix";
}  // namespace

const std::array<const char*, ConfigurableSwitchMatrix::kCommandCount> ConfigurableSwitchMatrix::kCommandKeys = {
    "onTestStarted",           "onTestStopped",           "onFrequencyChanged",         "onCarrierLevelChanged",
    "onDwellTimeStarted",      "onDwellTimeStopped",      "onModulationOn",             "onModulationOff",
    "onMeasuringForwardPower", "onForwardPowerMeasured",  "onMeasuringReflectedPower",  "onReflectedPowerMeasured",
    "onNetPowerMeasured",      "onFieldSensorMeasured",   "onAntennaMovementStarted",   "onAntennaMovementStopped",
    "onAntennaTowerChanged",   "AntennaPolarisationChanged", "onTurntableMovementStarted", "onTurntableMovementStopped",
    "onTurntableChanged"};

ConfigurableSwitchMatrix::ConfigurableSwitchMatrix() = default;

bool ConfigurableSwitchMatrix::Differs(double a, double b) {
  const double difference = std::fabs(a - b);
  if (a == 0.0 || b == 0.0) return difference > 1e-8;
  return difference / std::max(std::fabs(a), std::fabs(b)) > 1e-8;
}

uint32_t ConfigurableSwitchMatrix::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  uint32_t status = DeviceDriverBase::LoadProgramSettings(hostContext, store);
  if (store) store->PushTable(kTable);
  status = FirstError(status, LoadConfigurableSettings(hostContext, store));
  if (!store) return status;
  performReadAfterWrite = store->Read("PerformReadAfterWrite", performReadAfterWrite);
  duringTest = ReadNumberedKeyList(*store, "DuringTest");
  afterTest = ReadNumberedKeyList(*store, "AfterTest");
  storedDuringTest_ = duringTest.size();
  storedAfterTest_ = afterTest.size();
  for (size_t i = 0; i < kCommandCount; ++i) commands[i] = store->ReadNarrow(kCommandKeys[i], commands[i]);
  store->PopTable();
  store->PushTable(kFieldTable);
  septumHeightMetre = store->Read("septumHeightMetre", septumHeightMetre);
  forwardPowerCorrection = store->Read("ForwardPowerCorrection", forwardPowerCorrection);
  store->PopTable();
  return status;
}

uint32_t ConfigurableSwitchMatrix::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  uint32_t status = DeviceDriverBase::SaveProgramSettings(hostContext, store);
  if (store) store->PushTable(kTable);
  status = FirstError(status, SaveConfigurableSettings(hostContext, store));
  if (!store) return status;
  store->Write("PerformReadAfterWrite", performReadAfterWrite);
  WriteNumberedKeyList(*store, "DuringTest", duringTest, storedDuringTest_);
  WriteNumberedKeyList(*store, "AfterTest", afterTest, storedAfterTest_);
  storedDuringTest_ = std::max(storedDuringTest_, duringTest.size());
  storedAfterTest_ = std::max(storedAfterTest_, afterTest.size());
  for (size_t i = 0; i < kCommandCount; ++i) store->WriteNarrow(kCommandKeys[i], commands[i]);
  store->PopTable();
  store->PushTable(kFieldTable);
  store->Write("septumHeightMetre", septumHeightMetre);
  store->Write("ForwardPowerCorrection", forwardPowerCorrection);
  store->PopTable();
  return status;
}

Status ConfigurableSwitchMatrix::InitDevice(HostWindow hWnd) {
  Status status = ConfigurableDeviceDriver::InitDevice(hWnd);
  if (status == 0) status = SendCommand(hWnd, onTestStarted, {}, false);
  return status;
}

Status ConfigurableSwitchMatrix::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  const Status status = CreateStreamConfigurationPanels(hWnd, panels);
  panels.Add({[this] { return new ConfigurableSwitchMatrixPanel1(this); }, "CustomSwitchMatrixPanel1", "Custom 1"});
  for (int page = 2; page <= 4; ++page) {
    const std::string number = std::to_string(page);
    panels.Add({[this, page] {
                  return new ConfigurableSwitchMatrixCommandsPanel(this,
                                                                   ConfigurableSwitchMatrixCommandsPanel::PageControls(page));
                },
                "CustomSwitchMatrixPanel" + number, "Custom " + number});
  }
  return status;
}

void ConfigurableSwitchMatrix::AddPowerGroup(PlaceholderList& list, const std::string& name, double dBm) {
  const double milliwatt = std::pow(10.0, dBm / 10.0);
  list.push_back({"__" + name + "__", dBm, 1.0});
  list.push_back({"__" + name + "dBm__", dBm, 1.0});
  list.push_back({"__" + name + "mW__", milliwatt, 1.0});
  list.push_back({"__" + name + "W__", milliwatt, 0.001});
}

PlaceholderList ConfigurableSwitchMatrix::BuildPlaceholderList(const PlaceholderList& eventEntries) const {
  PlaceholderList list = eventEntries;
  list.push_back({"__calc_electrical_field__", calculatedField, 1000.0});
  if (Known(frequency)) {
    list.push_back({"__freq__", frequency, 1.0});
    list.push_back({"__freqHz__", frequency, 1000000.0});
    list.push_back({"__freqkHz__", frequency, 1000.0});
    list.push_back({"__freqMHz__", frequency, 1.0});
    list.push_back({"__freqGHz__", frequency, 0.001});
  }
  if (Known(carrier)) AddPowerGroup(list, "carrier", carrier);
  if (Known(forward)) AddPowerGroup(list, "forward", forward);
  if (Known(reflected)) AddPowerGroup(list, "reflected", reflected);
  if (Known(height)) {
    list.push_back({"__height__", height, 1.0});
    list.push_back({"__heightm__", height, 1.0});
    list.push_back({"__heightcm__", height, 100.0});
  }
  if (Known(angle)) {
    const double stored = static_cast<float>(angle);
    list.push_back({"__angle__", stored, 1.0});
    list.push_back({"__degree__", stored, 1.0});
    list.push_back({"__radian__", stored, 0.0174533});
  }
  return list;
}

void ConfigurableSwitchMatrix::ComputeField() {
  const double dBm = Known(forward) ? forward : carrier;
  const double watt = std::pow(10.0, dBm / 10.0) / 1000.0;
  calculatedField = std::sqrt(watt * 50.0) / septumHeightMetre;
  JournexEntry::Note("ComputeField", kModule, "Note", "CalculatedElectricalField(" + std::to_string(calculatedField) + ")",
                     {{"calculatedField", calculatedField}, {"forward", forward}, {"carrier", carrier},
                      {"septumHeightMetre", septumHeightMetre}});
}

Status ConfigurableSwitchMatrix::SendCommand(HostWindow hWnd, Command command, const PlaceholderList& eventEntries,
                                             bool substitute) {
  const std::string& typed = commands[command];
  commandSent_ = false;
  if (typed.empty()) return 0;
  const std::string text = substitute ? SubstitutePlaceholders(typed, BuildPlaceholderList(eventEntries)) : typed;
  Status status = AcquireStream(hWnd);
  if (status == 0) status = Send(text, Settings().sendAndWaitForCompletion);
  commandSent_ = status == 0;
  return FirstError(status, ReleaseStream(hWnd));
}

Status ConfigurableSwitchMatrix::RunList(HostWindow hWnd, const std::vector<std::string>& list) {
  // An empty list (its first command empty) opens nothing.
  if (list.empty() || list.front().empty()) return 0;
  Status status = AcquireStream(hWnd);
  for (size_t i = 0; status == 0 && i < list.size() && !list[i].empty(); ++i) {
    status = Send(SubstitutePlaceholders(list[i], BuildPlaceholderList()), Settings().sendAndWaitForCompletion);
    if (status == 0 && performReadAfterWrite) {
      std::string reply;
      status = Read(hWnd, reply, kReadBlock);
      if (status == streamstatus::kReadTimedOut) status = 0;
    }
  }
  return FirstError(status, ReleaseStream(hWnd));
}

Status ConfigurableSwitchMatrix::HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) {
  commandSent_ = false;
  if (!event || *event > kLastHandledEvent) return 0;
  // Event 62 carries a text, not a number: its value is never read as one.
  const bool given = value != nullptr && *event != SWM_EVENT_SendPilotInterfaceData;
  const double data = given ? *value : 0.0;
  PlaceholderList result;
  switch (*event) {
    case SWM_EVENT_TestStarted:
      return SendCommand(hWnd, onTestStarted, {}, false);
    case SWM_EVENT_TestStopped: {
      const Status status = RunList(hWnd, afterTest);
      return FirstError(status, SendCommand(hWnd, onTestStopped, {}, false));
    }
    case SWM_EVENT_InitialisationStarted:
      return RunList(hWnd, duringTest);
    case SWM_EVENT_FrequencyChanged:
      if (given) frequency = data;
      return SendCommand(hWnd, onFrequencyChanged, {});
    case SWM_EVENT_CarrierLevelChanged:
      if (given) carrier = data;
      ComputeField();
      return SendCommand(hWnd, onCarrierLevelChanged, {});
    case SWM_EVENT_DwellTimeStarted:
      return SendCommand(hWnd, onDwellTimeStarted, {});
    case SWM_EVENT_DwellTimeStopped:
      return SendCommand(hWnd, onDwellTimeStopped, {});
    case SWM_EVENT_ModulationOn:
      return SendCommand(hWnd, onModulationOn, {});
    case SWM_EVENT_ModulationOff:
      return SendCommand(hWnd, onModulationOff, {});
    case SWM_EVENT_MeasuringForwardPower:
      AddPowerGroup(result, "result", data);
      return SendCommand(hWnd, onMeasuringForwardPower, result);
    case SWM_EVENT_ForwardPowerMeasured:
      if (given) forward = data + forwardPowerCorrection;
      ComputeField();
      AddPowerGroup(result, "result", forward);
      return SendCommand(hWnd, onForwardPowerMeasured, result);
    case SWM_EVENT_MeasuringReflectedPower:
      AddPowerGroup(result, "result", data);
      return SendCommand(hWnd, onMeasuringReflectedPower, result);
    case SWM_EVENT_ReflectedPowerMeasured:
      if (given) reflected = data + forwardPowerCorrection;
      AddPowerGroup(result, "result", reflected);
      return SendCommand(hWnd, onReflectedPowerMeasured, result);
    case SWM_EVENT_NetPower:
      AddPowerGroup(result, "result", data);
      return SendCommand(hWnd, onNetPowerMeasured, result);
    case SWM_EVENT_FieldSensorMeasured:
      return SendCommand(hWnd, onFieldSensorMeasured, {{"__result__", data, 1.0}});
    case SWM_EVENT_AntennaMovementStarted:
      if (given) height = data;
      return SendCommand(hWnd, onAntennaMovementStarted, {});
    case SWM_EVENT_AntennaMovementStopped: {
      const bool changed = given && Differs(data, height);
      if (given) height = data;
      const Status status = SendCommand(hWnd, onAntennaMovementStopped, {});
      if (status != 0 || !changed) return status;
      return SendCommand(hWnd, onAntennaTowerChanged, {});
    }
    case SWM_EVENT_AntennaPolarisationChanged:
      return SendCommand(hWnd, AntennaPolarisationChanged, {});
    case SWM_EVENT_TurnTableMovementStarted:
      if (given) angle = data;
      return SendCommand(hWnd, onTurntableMovementStarted, {});
    case SWM_EVENT_TurnTableMovementStopped: {
      const bool changed = given && Differs(data, angle);
      if (given) angle = data;
      const Status status = SendCommand(hWnd, onTurntableMovementStopped, {});
      if (status != 0 || !changed) return status;
      return SendCommand(hWnd, onTurntableChanged, {});
    }
    default:
      return 0;
  }
}

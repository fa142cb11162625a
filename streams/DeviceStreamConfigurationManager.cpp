#include "streams/DeviceStreamConfigurationManager.h"

#include "dialogs/TabbedConfigurationDialog.h"
#include "framework/LockProblem.h"
#include "framework/Mutex.h"
#include "legacy/GPIBRS232.h"
#include "logging/JournexEntry.h"
#include "platform/MessageBox.h"
#include "streams/DeviceStreamConfigurationPanel.h"
#include "streams/DeviceStreamSeparatedReadWrite.h"
#include "streams/DeviceStreamTypeRegistry.h"
#include "streams/LegacyConfigurationTransfers.h"
#include "streams/SharedDeviceStreams.h"

namespace {
constexpr std::string_view kModule = "DeviceStreamClient::DeviceStreamConfigurationManager";
constexpr const char* kGPIB = "GPIB";
constexpr const char* kCompliantGPIB = "CompliantGPIB";
constexpr const char* kSerial = "RS-232";

const char* ManagerText(Status code) {
  switch (code) {
    case streamstatus::kCannotCreateStream: return "Can not create requested device stream.";
    case streamstatus::kNotConnected: return "Device stream is not connected.";
    case streamstatus::kNotLocked: return "Device stream is not locked.";
    case streamstatus::kStreamNotCreated: return "Requested device stream not created.";
    case streamstatus::kInvalidConfiguration: return "Invalid Configuration object created.";
    case streamstatus::kCouldNotSetValue: return "Could not set value in device";
    default: return nullptr;
  }
}
}  // namespace

std::string DeviceStreamConfigurationManager::PartnerGPIBTypeName(const std::string& typeName) {
  if (typeName == kGPIB) return kCompliantGPIB;
  if (typeName == kCompliantGPIB) return kGPIB;
  return {};
}

std::string DeviceStreamConfigurationManager::FirstGPIBTypeName() const {
  if (configurations_.count(kGPIB)) return kGPIB;
  if (configurations_.count(kCompliantGPIB)) return kCompliantGPIB;
  return {};
}

std::string DeviceStreamConfigurationManager::ResolveSelection(const std::string& stored) const {
  if (configurations_.count(stored)) return stored;
  const std::string candidates[] = {
      PartnerGPIBTypeName(stored),
      legacySelector_ == kLegacyGPIB ? kGPIB : kSerial,
      defaultTypeName_,
  };
  for (const std::string& candidate : candidates)
    if (!candidate.empty() && configurations_.count(candidate)) return candidate;
  return configurations_.empty() ? stored : configurations_.begin()->first;
}

uint32_t DeviceStreamConfigurationManager::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    defaultConfigurationLoaded_ = store->Read("DefaultStreamConfigurationLoaded", defaultConfigurationLoaded_);
    store->PopTable();
  }
  Status status = LoadLegacyProgramSettings(hostContext, store);
  if (status != 0) return status;

  std::string stored = selectedTypeName_;
  if (store) {
    store->PushTable(kTable);
    stored = store->ReadNarrow("Selected", selectedTypeName_);
    store->PopTable();
  }
  if (configurations_.empty()) {
    JournexEntry::Note("LoadProgramSettings", kModule, "Warning", "No communication streams programmed");
    PlatformMessageBox(hostContext, "No communication streams programmed", "Selected Stream",
                       kMbOk | kMbIconWarning);
    selectedTypeName_ = stored;
    return 0;
  }
  selectedTypeName_ = ResolveSelection(stored);
  JournexEntry::Note("LoadProgramSettings", kModule, "Note", "LoadProgramSettings(Stream Config)",
                     {{"Stored", stored}, {"Selected", selectedTypeName_}});

  if (store) store->PushTable(kTable);
  status = configurations_.at(selectedTypeName_)->LoadProgramSettings(hostContext, store);
  for (auto entry = configurations_.begin(); status == 0 && entry != configurations_.end(); ++entry)
    status = entry->second->LoadProgramSettings(hostContext, store);
  if (store) store->PopTable();
  return status;
}

uint32_t DeviceStreamConfigurationManager::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  Status status = 0;
  if (store) {
    store->PushTable(kTable);
    store->WriteNarrow("Selected", EffectiveTypeName());
    store->Write("DefaultStreamConfigurationLoaded", defaultConfigurationLoaded_);
  }
  for (auto entry = configurations_.begin(); status == 0 && entry != configurations_.end(); ++entry)
    status = entry->second->SaveProgramSettings(hostContext, store);
  if (store) store->PopTable();
  return FirstError(status, SaveLegacyProgramSettings(hostContext, store));
}

Status DeviceStreamConfigurationManager::LoadLegacyProgramSettings(uint32_t hostContext, const SettingsStore& store) {
  if (!store) return 0;
  Status status = 0;
  const std::string gpib = FirstGPIBTypeName();
  for (const std::string& typeName : {gpib, std::string(kSerial)}) {
    if (typeName.empty() || !configurations_.count(typeName)) continue;
    const LegacyConfigurationTransfer* transfer = LegacyConfigurationTransfers::Find(typeName);
    if (!transfer || !transfer->load) continue;
    status = transfer->load(hostContext, store, *configurations_.at(typeName));
    if (status != 0) return status;
  }
  if (!gpib.empty() && configurations_.count(kSerial)) {
    GPIBRS232 selector(legacySelector_);
    status = selector.LoadProgramSettings(hostContext, store);
    legacySelector_ = selector.IsGPIB() ? kLegacyGPIB : kLegacySerial;
  }
  return status;
}

Status DeviceStreamConfigurationManager::SaveLegacyProgramSettings(uint32_t hostContext, const SettingsStore& store) {
  if (!store) return 0;
  Status status = 0;
  for (const char* typeName : {kGPIB, kCompliantGPIB, kSerial}) {
    auto found = configurations_.find(typeName);
    if (found == configurations_.end()) continue;
    const LegacyConfigurationTransfer* transfer = LegacyConfigurationTransfers::Find(typeName);
    if (transfer && transfer->save) status = FirstError(status, transfer->save(hostContext, store, *found->second));
  }
  return status;
}

Status DeviceStreamConfigurationManager::ShowConfigurationDialog(uint32_t hostContext) {
  PanelList panels;
  panels.Add(CreateConfigurationPanel());
  return ShowTabbedDialog(hostContext, kPanelTitle, panels);
}

PanelListEntry DeviceStreamConfigurationManager::CreateConfigurationPanel() {
  return {[this] { return new DeviceStreamConfigurationPanel(*this); }, kPanelName, kPanelTitle};
}

Status DeviceStreamConfigurationManager::GetErrorString(uint32_t hostContext, Status code, std::string& text,
                                                        DeviceStreamSeparatedReadWrite* stream) {
  Status status = 0;
  if (const char* own = ManagerText(code)) {
    text = own;
  } else if (code == Mutex::kNotCreated && !LastLockProblem().empty()) {
    text = "The device stream's lock cannot be used: " + LastLockProblem() + ".";
  } else {
    if (DeviceStreamConfigurationPtr selected = GetSelectedConfiguration())
      status = selected->GetErrorString(hostContext, code, text);
    if (text.empty() && stream) status = stream->GetErrorString(hostContext, code, text);
    // A status of a stream that was released meanwhile (a failed check
    // closes it) still has its text: a new stream of the selected type knows
    // it without being connected.
    if (text.empty()) {
      if (const DeviceStreamPtr texts = DeviceStreamTypeRegistry::CreateStream(EffectiveTypeName()))
        status = texts->GetErrorString(hostContext, code, text);
    }
  }
  JournexEntry::Note("GetErrorString", kModule, "Note",
                     std::string(kModule) + " GetErrorString() returns " + text, {{"Err", code}});
  return status;
}

Status DeviceStreamConfigurationManager::AddStreamConfiguration(const std::string& typeName) {
  DeviceStreamConfigurationPtr configuration = DeviceStreamTypeRegistry::CreateConfiguration(typeName);
  if (!configuration) return streamstatus::kInvalidConfiguration;
  AddStreamConfiguration(typeName, std::move(configuration));
  return 0;
}

void DeviceStreamConfigurationManager::AddStreamConfiguration(const std::string& typeName,
                                                              DeviceStreamConfigurationPtr configuration) {
  configurations_[typeName] = std::move(configuration);
}

DeviceStreamConfigurationPtr DeviceStreamConfigurationManager::GetConfiguration(const std::string& typeName) const {
  auto found = configurations_.find(typeName);
  return found == configurations_.end() ? nullptr : found->second;
}

std::string DeviceStreamConfigurationManager::EffectiveTypeName() const {
  return selectedTypeName_.empty() ? defaultTypeName_ : selectedTypeName_;
}

DeviceStreamConfigurationPtr DeviceStreamConfigurationManager::GetSelectedConfiguration() const {
  return GetConfiguration(EffectiveTypeName());
}

Status DeviceStreamConfigurationManager::GetSelectedDeviceStream(DeviceStreamPtr& stream, bool create,
                                                                 bool* created) {
  if (created) *created = false;
  stream.reset();
  const DeviceStreamConfigurationPtr configuration = GetSelectedConfiguration();
  if (!configuration) {
    DeviceStreamSeparatedReadWrite::ShowAssertion(
        "There is no Device Stream Configuration.",
        "Status DeviceStreamConfigurationManager::GetSelectedDeviceStream(DeviceStreamPtr&, bool, bool*)");
    return streamstatus::kStreamNotCreated;
  }
  const std::string typeName = EffectiveTypeName();
  const std::string idString = configuration->GetIDString();
  stream = SharedDeviceStreams::Find(typeName, idString);
  if (stream) return 0;
  if (!create) return streamstatus::kStreamNotCreated;
  stream = DeviceStreamTypeRegistry::CreateStream(typeName);
  if (!stream) return streamstatus::kCannotCreateStream;
  SharedDeviceStreams::Add(typeName, idString, stream);
  if (created) *created = true;
  return 0;
}

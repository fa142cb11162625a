#include "streams/rsib/RSIBDeviceStreamConfig.h"

#include "logging/JournexEntry.h"
#include "streams/rsib/RSIBConfigurationDialog.h"
#include "streams/rsib/RSIBDeviceStream.h"
#include "streams/rsib/RSIBStatus.h"

namespace {
// Tables "0" and "RSIB" inside the manager's "Stream Config": the section
// "Stream Config.0.RSIB".
void PushTables(const SettingsStore& store) {
  store->PushTable("0");
  store->PushTable("RSIB");
}
void PopTables(const SettingsStore& store) {
  store->PopTable();
  store->PopTable();
}
}  // namespace

uint32_t RSIBDeviceStreamConfig::LoadProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    PushTables(store);
    address_ = store->ReadNarrow("Address", address_);
    PopTables(store);
  }
  JournexEntry::Note("LoadProgramSettings", "RSIBDeviceStreamConfig", "Note", "LoadProgramSettings(RSIB)",
                     {{"Address", address_}});
  return 0;
}

uint32_t RSIBDeviceStreamConfig::SaveProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    PushTables(store);
    store->WriteNarrow("Address", address_);
    PopTables(store);
  }
  return 0;
}

Status RSIBDeviceStreamConfig::GetErrorString(uint32_t, Status code, std::string& text) {
  // Only the transport's own block: time-out texts come from the stream that timed out.
  if (code >= rsibstatus::kNoLibraryWrapper && code <= rsibstatus::kServiceRequestFailed)
    text = RSIBDeviceStream::ErrorText(code);
  return 0;
}

ValidatorBasedPanel* RSIBDeviceStreamConfig::CreateConfigurationPanel() {
  return new DeviceStreamConfigurationRSIBConfigurationDialog(this);
}

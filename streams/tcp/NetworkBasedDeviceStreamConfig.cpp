#include "streams/tcp/NetworkBasedDeviceStreamConfig.h"

#include "logging/JournexEntry.h"
#include "streams/tcp/NetworkBasedDeviceStreamConfigPanel.h"

NetworkBasedDeviceStreamConfig::NetworkBasedDeviceStreamConfig(std::string table, std::string idPrefix,
                                                               std::string defaultServer, uint16_t defaultPort)
    : table_(std::move(table)),
      idPrefix_(std::move(idPrefix)),
      defaultServer_(std::move(defaultServer)),
      defaultPort_(defaultPort) {}

uint32_t NetworkBasedDeviceStreamConfig::LoadProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(table_);
    address_ = store->ReadNarrow("Address", address_);
    store->PopTable();
  }
  JournexEntry::Note("LoadProgramSettings", "NetworkBasedDeviceStreamConfig", "Note",
                     "LoadProgramSettings(" + table_ + ")", {{"Address", address_}});
  return 0;
}

uint32_t NetworkBasedDeviceStreamConfig::SaveProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(table_);
    store->WriteNarrow("Address", address_);
    store->PopTable();
  }
  return 0;
}

ValidatorBasedPanel* NetworkBasedDeviceStreamConfig::CreateConfigurationPanel() {
  return new NetworkBasedDeviceStreamConfigPanel(this);
}

std::string NetworkBasedDeviceStreamConfig::GetLockID() const {
  const NetworkAddress address = GetEffectiveAddress();
  std::string server = address.server;
  for (char& c : server)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return idPrefix_ + server + ":" + std::to_string(address.port);
}

void NetworkBasedDeviceStreamConfig::SetNotConnectedReason(const std::string& reason) {
  std::lock_guard guard(reasonLock_);
  notConnectedReason_ = reason;
}

void NetworkBasedDeviceStreamConfig::SetHttpStatusLine(const std::string& line) {
  std::lock_guard guard(reasonLock_);
  httpStatusLine_ = line;
}

Status NetworkBasedDeviceStreamConfig::GetErrorString(uint32_t, Status code, std::string& text) {
  std::lock_guard guard(reasonLock_);
  if (code == networkstatus::kHttpStatus) {
    const NetworkAddress address = GetEffectiveAddress();
    text = (httpStatusLine_.empty() ? std::string("An HTTP reply outside 2xx") : httpStatusLine_) + " from " +
           address.server + ":" + std::to_string(address.port);
    return 0;
  }
  if (code != networkstatus::kNotConnected) return 0;
  if (!notConnectedReason_.empty()) text = "Ethernet not connected (" + notConnectedReason_ + ")";
  return 0;
}

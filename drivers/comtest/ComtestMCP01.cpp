#include "drivers/comtest/ComtestMCP01.h"

#include "drivers/teseq/TeseqPanels.h"
#include "framework/HostEvents.h"
#include "streams/DeviceStreamStatus.h"

namespace {
std::string Key(int relay, int which) {
  return std::to_string(relay) + (which == ComtestMCP01::kBefore ? "-before" : "-after");
}
}  // namespace

ComtestMCP01::ComtestMCP01() {
  for (int relay = 1; relay <= kRelays; ++relay) relays_[relay] = {comtest::DoNotChange, comtest::DoNotChange};
  OfferTransports(kTransports);
  Manager().SetDefaultTypeName("GPIB");
}

const std::vector<std::string>& ComtestMCP01::RelayStateTexts() {
  static const std::vector<std::string> texts = {"Do not change", "Normally Open", "Normally Closed"};
  return texts;
}

comtest::RelayState ComtestMCP01::Setting(int relay, int which) const {
  const auto found = relays_.find(relay);
  if (found == relays_.end()) return comtest::DoNotChange;
  return which == kBefore ? found->second.first : found->second.second;
}

void ComtestMCP01::SetSetting(int relay, int which, comtest::RelayState state) {
  auto& pair = relays_[relay];
  (which == kBefore ? pair.first : pair.second) = state;
}

uint32_t ComtestMCP01::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = TwoBaseClasses::LoadProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  for (auto& [relay, pair] : relays_) {
    pair.first = static_cast<comtest::RelayState>(store->Read(Key(relay, kBefore), static_cast<long>(pair.first)));
    pair.second = static_cast<comtest::RelayState>(store->Read(Key(relay, kAfter), static_cast<long>(pair.second)));
  }
  store->PopTable();
  return status;
}

uint32_t ComtestMCP01::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = TwoBaseClasses::SaveProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  for (const auto& [relay, pair] : relays_) {
    store->Write(Key(relay, kBefore), static_cast<long>(pair.first));
    store->Write(Key(relay, kAfter), static_cast<long>(pair.second));
  }
  store->PopTable();
  return status;
}

Status ComtestMCP01::CheckDevice(HostWindow hWnd) {
  if (!StreamOpen()) ConnectStream(hWnd, true);
  if (!StreamOpen()) return streamstatus::kNotConnected;
  return DisconnectStream(hWnd);
}

Status ComtestMCP01::InitDevice(HostWindow hWnd) {
  if (!StreamOpen()) ConnectStream(hWnd, true);
  SetSendTermination(hWnd, "", false);
  SetReceiveTermination(hWnd, "", false);
  if (!StreamOpen()) return streamstatus::kNotConnected;
  statusByte_ = 0;
  return WriteStatusByte();
}

// The byte of events 3 and 2 goes out on the open stream; without one the write fails with its text.
Status ComtestMCP01::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  if (*event == SWM_EVENT_InitialisationStarted) return SetAll(kBefore);
  if (*event == SWM_EVENT_TestStopped) return SetAll(kAfter);
  return 0;
}

Status ComtestMCP01::SetAll(int which) {
  Status status = 0;
  for (int relay = 1; relay <= kRelays; ++relay) {
    const auto found = relays_.find(relay);
    if (found == relays_.end()) {
      status = kMissingKey;
      continue;
    }
    const comtest::RelayState state = which == kBefore ? found->second.first : found->second.second;
    const uint8_t bit = static_cast<uint8_t>(1u << (relay - 1));
    if (state == comtest::NormallyOpen) statusByte_ |= bit;
    if (state == comtest::NormallyClosed) statusByte_ &= static_cast<uint8_t>(~bit);
  }
  return status != 0 ? status : WriteStatusByte();
}

Status ComtestMCP01::WriteStatusByte() { return Write(0, std::string(1, static_cast<char>(statusByte_)), false); }

std::string ComtestMCP01::OwnErrorText(Status status) {
  return status == kMissingKey ? "Could not load key from dictionary" : "";
}

Status ComtestMCP01::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  const Status status = CreateStreamConfigurationPanels(hWnd, panels);
  AddComtestPanel(*this, panels);
  return status;
}

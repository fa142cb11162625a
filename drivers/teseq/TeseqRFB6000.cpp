#include "drivers/teseq/TeseqRFB6000.h"

#include "drivers/teseq/TeseqAnswers.h"
#include "drivers/teseq/TeseqPanels.h"
#include "framework/HostEvents.h"
#include "logging/JournexEntry.h"
#include "streams/DeviceStreamStatus.h"

namespace {
std::string Key(char letter, int which) {
  return std::string(1, letter) + (which == TeseqRFB6000::kBefore ? "-before" : "-after");
}

// A slot's setting from the file; a number outside the settings 0–7 (a
// hand-edited file) leaves the slot as it is rather than reach the unit.
teseq::SwitchState StoredSetting(const SettingsStore& store, const std::string& key, teseq::SwitchState current) {
  const long value = store->Read(key, static_cast<long>(current));
  if (value >= teseq::DoNotChange && value <= teseq::Output6) return static_cast<teseq::SwitchState>(value);
  JournexEntry::Note("LoadProgramSettings", "TeseqRFB6000", "Error", key + " is no setting: the slot is left as it is",
                     {{"value", value}});
  return teseq::DoNotChange;
}
}  // namespace

TeseqRFB6000::TeseqRFB6000(const std::string& model) : model_(model) {
  for (const char* letter = SlotLetters(); *letter; ++letter) slots_[*letter] = {teseq::DoNotChange, teseq::DoNotChange};
  OfferTransports(kTransports);
  Manager().SetDefaultTypeName("RS-232");
}

const std::vector<std::string>& TeseqRFB6000::SwitchStateTexts() {
  static const std::vector<std::string> texts = {"Do not change", "No output", "Output 1", "Output 2",
                                                 "Output 3",      "Output 4",  "Output 5", "Output 6"};
  return texts;
}

teseq::SwitchState TeseqRFB6000::Setting(char letter, int which) const {
  const auto found = slots_.find(letter);
  if (found == slots_.end()) return teseq::DoNotChange;
  return which == kBefore ? found->second.first : found->second.second;
}

void TeseqRFB6000::SetSetting(char letter, int which, teseq::SwitchState state) {
  auto& pair = slots_[letter];
  (which == kBefore ? pair.first : pair.second) = state;
}

uint32_t TeseqRFB6000::LoadProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = TwoBaseClasses::LoadProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  for (auto& [letter, pair] : slots_) {
    pair.first = StoredSetting(store, Key(letter, kBefore), pair.first);
    pair.second = StoredSetting(store, Key(letter, kAfter), pair.second);
  }
  store->PopTable();
  return status;
}

uint32_t TeseqRFB6000::SaveProgramSettings(uint32_t hostContext, SettingsStore store) {
  const uint32_t status = TwoBaseClasses::SaveProgramSettings(hostContext, store);
  if (!store) return status;
  store->PushTable(kTable);
  for (const auto& [letter, pair] : slots_) {
    store->Write(Key(letter, kBefore), static_cast<long>(pair.first));
    store->Write(Key(letter, kAfter), static_cast<long>(pair.second));
  }
  store->PopTable();
  return status;
}

Status TeseqRFB6000::InitDevice(HostWindow hWnd) {
  const Status status = StreamOpen() ? 0 : ConnectStream(hWnd, true);
  if (status != 0) return status;
  return StreamOpen() ? 0 : streamstatus::kNotConnected;
}

Status TeseqRFB6000::DeInitDevice(HostWindow hWnd) {
  const Status status = StreamOpen() ? Write(hWnd, "*GTL", false) : 0;
  const Status closed = DisconnectStream(hWnd);
  return status != 0 ? status : closed;
}

// A slot to set goes out on the open stream; without one the write fails with its text.
Status TeseqRFB6000::HandleEvent(HostWindow, const uint32_t* event, const double*) {
  if (!event) return 0;
  if (*event == SWM_EVENT_InitialisationStarted) return SetAll(kBefore);
  if (*event == SWM_EVENT_TestStopped) return SetAll(kAfter);
  return 0;
}

Status TeseqRFB6000::SetAll(int which) {
  Status status = 0;
  for (const char* letter = SlotLetters(); *letter; ++letter) {
    const auto found = slots_.find(*letter);
    if (found == slots_.end()) {
      status = kMissingKey;
      continue;
    }
    const int setting = which == kBefore ? found->second.first : found->second.second;
    if (setting == teseq::DoNotChange) continue;
    status = SetSlot(*letter, setting == teseq::NoOutput ? "0" : std::to_string(setting - 1));
  }
  return status;
}

Status TeseqRFB6000::SetSlot(char letter, const std::string& output) {
  return Write(0, std::string("SET:STATE ") + letter + " " + output, false);
}

std::optional<int> TeseqRFB6000::LargestSetting(char letter) const {
  const auto found = slots_.find(letter);
  if (found == slots_.end()) return std::nullopt;
  return std::max<int>(found->second.first, found->second.second);
}

void TeseqRFB6000::Complain(char letter, int outputs, int largest) {
  if (outputs < largest - 1)
    complaints_ += std::string("\nSlot ") + letter + " only has " + std::to_string(outputs) + " outputs, while output " +
                   std::to_string(largest - 1) + " is selected";
}

Status TeseqRFB6000::CheckDevice(HostWindow hWnd) {
  complaints_.clear();
  missingSlot_.clear();
  Status status = 0;
  if (!GetExpectedResponse().empty()) status = RunIdentificationCheck(hWnd);
  if (status != 0) return status;
  if (!StreamOpen()) ConnectStream(hWnd, true);
  if (!StreamOpen()) return streamstatus::kNotConnected;

  std::string answer;
  status = WriteReadWithRetryLoop(hWnd, "GET:POSARR?", answer, kReplyLimit, 3);
  if (status == 0) {
    const std::vector<std::string> fields = teseq::SplitFields(teseq::WithoutLineEnds(answer));
    if (fields.size() != 10) {
      JournexEntry::Note("CheckDevice", "TeseqRFB6000", "Error",
                         "Switch does not have 10 slots: " + std::to_string(fields.size()));
      status = kNotTenSlots;
    }
    for (size_t i = 0; status != kNotTenSlots && i < 10; ++i) {
      const char letter = SlotLetters()[i];
      const std::optional<int> largest = LargestSetting(letter);
      if (!largest) {
        if (status == 0) status = kMissingKey;
        continue;
      }
      const teseq::SlotField slot = teseq::ParseSlotField(fields[i]);
      // An empty slot matters only when the configuration switches it.
      if (!slot.present && *largest != teseq::DoNotChange) {
        if (status == 0) {
          status = kSlotNotAvailable;
          missingSlot_ = std::string(1, letter);
        }
      } else if (slot.present) {
        Complain(letter, slot.outputs, *largest);
      }
    }
    if (status == 0 && !complaints_.empty()) status = kIncorrectValue;
  }
  const Status closed = DeInitDevice(hWnd);
  return status != 0 ? status : closed;
}

std::string TeseqRFB6000::OwnErrorText(Status status) {
  switch (status) {
    case kMissingKey:
      return "Could not load key from dictionary";
    case kSlotNotAvailable:
      return "Slot " + missingSlot_ + " is not available, please correct the configuration and try again.";
    case kIncorrectValue:
      return "Incorrect switch value selected: " + complaints_ + "\nPlease correct the configuration and try again";
    case kNotTenSlots:
      return "It appears that the device does not have 10 slots";
    default:
      return "";
  }
}

Status TeseqRFB6000::AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) {
  const Status status = CreateStreamConfigurationPanels(hWnd, panels);
  AddTeseqPanel(*this, panels);
  return status;
}

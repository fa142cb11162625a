#include "streams/visa/VISADeviceStreamConfiguration.h"

#include <regex>

#include "legacy/Visa.h"
#include "legacy/VisaLibrary.h"
#include "legacy/VisaResourceName.h"
#include "logging/JournexEntry.h"
#include "streams/visa/VISADeviceStreamConfigurationDialog.h"

VISADeviceStreamConfiguration::VISADeviceStreamConfiguration() : identifier_(Visa::kInitialIdentifier) {}

uint32_t VISADeviceStreamConfiguration::LoadProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    identifier_ = store->ReadNarrow("Identifier", identifier_);
    tryHiSLIP_ = store->Read("TryHiSLIP", tryHiSLIP_);
    store->PopTable();
  }
  JournexEntry::Note("LoadProgramSettings", "VISADeviceStreamConfiguration", "Note", "LoadProgramSettings(VISA)",
                     {{"Identifier", identifier_}, {"TryHiSLIP", tryHiSLIP_}});
  return 0;
}

uint32_t VISADeviceStreamConfiguration::SaveProgramSettings(uint32_t, SettingsStore store) {
  if (!store) return 0;
  store->PushTable(kTable);
  store->WriteNarrow("Identifier", identifier_);
  store->Write("TryHiSLIP", tryHiSLIP_);
  store->PopTable();
  return 0;
}

ValidatorBasedPanel* VISADeviceStreamConfiguration::CreateConfigurationPanel() {
  return new VISADeviceStreamConfigurationDialog(this);
}

Status VISADeviceStreamConfiguration::GetErrorString(uint32_t, Status code, std::string& text) {
  if (visa::IsVisaStatus(code)) text = VisaLibrary::FixedText(code);
  return 0;
}

std::string VISADeviceStreamConfiguration::HiSLIPIdentifier(const std::string& identifier) {
  using std::regex_constants::icase;
  static const std::regex lan("^TCPIP[0-9]*::[^:]+(?:::INSTR)?$", icase);
  static const std::regex board("^(TCPIP[0-9]*)::[^:]+(?:::INSTR)?$", icase);
  static const std::regex host("^TCPIP[0-9]*::([^:]+)(?:::INSTR)?$", icase);
  static const std::regex suffix("^TCPIP[0-9]*::[^:]+((?:::INSTR)?)$", icase);
  if (identifier.size() > VisaResourceName::kLongestName || !std::regex_search(identifier, lan)) return identifier;
  std::smatch b, h, s;
  std::regex_search(identifier, b, board);
  std::regex_search(identifier, h, host);
  std::regex_search(identifier, s, suffix);
  const std::string ending = s[1].length() == 0 ? "::INSTR" : s[1].str();
  return b[1].str() + "::" + h[1].str() + "::hislip0" + ending;
}

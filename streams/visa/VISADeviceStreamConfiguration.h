#pragma once
// The settings of an instrument reached through VISA (stream type "VISA"):
// the resource identifier and whether a LAN resource is first tried over
// HiSLIP. Saved in the table "VISA" ("Identifier", "TryHiSLIP"); edited in
// the panel "VisaConfiguration", which builds the identifier from an alias,
// a GPIB address, a LAN address, a serial port or a free text.
#include <string>

#include "streams/DeviceStreamConfiguration.h"

class VISADeviceStreamConfiguration : public DeviceStreamConfiguration {
public:
  static constexpr const char* kTypeName = "VISA";
  static constexpr const char* kTable = "VISA";
  static constexpr const char* kPanelName = "VisaConfiguration";

  VISADeviceStreamConfiguration();

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  ValidatorBasedPanel* CreateConfigurationPanel() override;
  std::string ConfigurationPanelName() const override { return kPanelName; }
  std::string GetStreamTypeName() const override { return kTypeName; }
  std::string GetCommunicationFamily() const override { return "VISA"; }
  // "VISA:" and the identifier.
  std::string GetIDString() const override { return "VISA:" + identifier_; }
  // The fixed texts of VISA statuses (the stream adds the library's own descriptions).
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;

  const std::string& GetIdentifier() const { return identifier_; }
  void SetIdentifier(const std::string& identifier) { identifier_ = identifier; }
  bool GetTryHiSLIP() const { return tryHiSLIP_; }
  void SetTryHiSLIP(bool tryHiSLIP) { tryHiSLIP_ = tryHiSLIP; }
  // The identifier to open first: its HiSLIP form when HiSLIP is tried.
  std::string GetOpenIdentifier() const { return tryHiSLIP_ ? HiSLIPIdentifier(identifier_) : identifier_; }

  // A LAN instrument resource (TCPIPn::host or TCPIPn::host::INSTR, letter
  // case ignored) as its HiSLIP resource, TCPIPn::host::hislip0::INSTR; any
  // other identifier unchanged.
  static std::string HiSLIPIdentifier(const std::string& identifier);

private:
  std::string identifier_;
  bool tryHiSLIP_ = false;
};

#pragma once
// The settings of an RSIB instrument: its LAN address (host name or IPv4
// text), saved in the tables "0" and "RSIB" inside the manager's "Stream
// Config" (the section "Stream Config.0.RSIB"), key "Address". The ID string
// is "RSIB:" and the address, e.g. RSIB:192.168.0.10.
#include <string>

#include "streams/SingleTextStreamConfiguration.h"

class RSIBDeviceStreamConfig : public SingleTextStreamConfiguration {
public:
  static constexpr const char* kTypeName = "RSIB";
  static constexpr const char* kPanelName = "RSIBConfiguration";
  static constexpr const char* kDefaultAddress = "192.168.0.10";

  RSIBDeviceStreamConfig();
  ValidatorBasedPanel* CreateConfigurationPanel() override;

  const std::string& GetAddress() const { return Text(); }
  void SetAddress(const std::string& address) { SetText(address); }
};

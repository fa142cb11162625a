#pragma once
// The settings of an instrument on an FTDI virtual COM port, found by its
// identifier (eight dot-separated numbers): table "USBDeviceStream", key
// "DeviceID". The ID string is "USB:" and the identifier.
#include <string>

#include "streams/SingleTextStreamConfiguration.h"

class USBDeviceStreamConfiguration : public SingleTextStreamConfiguration {
public:
  static constexpr const char* kTypeName = "USB";
  static constexpr const char* kTable = "USBDeviceStream";
  static constexpr const char* kPanelName = "USBConfiguration";
  static constexpr const char* kDefaultDeviceID = "1.0.0.0.0.0.0.0";

  USBDeviceStreamConfiguration();
  ValidatorBasedPanel* CreateConfigurationPanel() override;

  const std::string& GetDeviceID() const { return Text(); }
  void SetDeviceID(const std::string& id) { SetText(id); }
};

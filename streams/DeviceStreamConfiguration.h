#pragma once
// The settings of one transport that a driver offers (a port, an address):
// persisted in its own table, edited in its own panel, and named by an ID
// string that identifies the port or address (streams on the same ID string
// share one lock and one connection).
#include <memory>
#include <string>

#include "framework/Status.h"
#include "settings/SavableLoadableClass.h"

class ValidatorBasedPanel;

class DeviceStreamConfiguration : public SavableLoadableClass {
public:
  ~DeviceStreamConfiguration() override = default;

  // Shows the configuration's panel alone in a dialog owned by the host window.
  virtual Status ShowConfigurationDialog(uint32_t hostContext);
  // A new panel bound to this configuration, not yet laid out: it loads the
  // XRC layout ConfigurationPanelName(). Null when the transport has none.
  virtual ValidatorBasedPanel* CreateConfigurationPanel() { return nullptr; }
  virtual std::string ConfigurationPanelName() const { return {}; }

  // The stream type name it is registered under ("TCPIP", "RS-232", ...).
  virtual std::string GetStreamTypeName() const = 0;
  // The family it belongs to: "GPIB", "Serial", "TCPIP" or another word.
  virtual std::string GetCommunicationFamily() const = 0;
  // The text naming the port or address, e.g. "ETHER:10.0.0.7:5025".
  virtual std::string GetIDString() const = 0;

  // Texts for codes of the configuration's own range; 0 and no text otherwise.
  virtual Status GetErrorString(uint32_t /*hostContext*/, Status /*code*/, std::string& /*text*/) {
    return 0;
  }
  // The device-clear registration of bus transports; others have none.
  virtual bool HasClearDeviceRegistration() const { return false; }
  virtual bool GetClearDeviceRegistration() const { return false; }
  virtual void SetClearDeviceRegistration(bool /*registered*/) {}
};

using DeviceStreamConfigurationPtr = std::shared_ptr<DeviceStreamConfiguration>;

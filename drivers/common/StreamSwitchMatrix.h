#pragma once
// A switch matrix that talks to its instrument over a device stream: its
// settings are the driver's own (storable members and the "Common" texts)
// followed by the stream client's; InitDevice connects the stream,
// DeInitDevice disconnects it, and error texts come from the stream layer
// before the driver base. Drivers add their own events and pages.
#include <initializer_list>
#include <string>

#include "framework/SwitchMatrixBase.h"
#include "streams/DeviceStreamClientWithStream.h"

class StreamSwitchMatrix : public SwitchMatrixBase, public DeviceStreamClientWithStream {
public:
  // The transports offered, the first one selected by default.
  StreamSwitchMatrix(std::initializer_list<const char*> transports);

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                        uint32_t* read) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

protected:
  // Writes one command without waiting for operation complete; a stream
  // that is not connected is an error (kNotConnected).
  Status Send(const std::string& command);
};

#pragma once
// The selector of older configurations between GPIB and RS232: one integer
// "Communication", 1 for GPIB and anything else for RS232 (default 0), read
// and written in its table (default "GPIBRS232") and nothing else. Its page
// "GPIB/RS232" and its dialog "GPIBRS232Communication" choose with two radio
// buttons; their setup buttons open the GPIB and RS232 dialogs of the
// configurations it is given.
#include <string>

#include "framework/Status.h"
#include "settings/SavableLoadableClass.h"

class NI488GPIBConfiguration;
class PanelList;
class RS232Configuration;
using HostWindow = uint32_t;

class GPIBRS232 : public SavableLoadableClass {
public:
  static constexpr int kGPIB = 1;
  static constexpr int kRS232 = 0;

  explicit GPIBRS232(int communication = kRS232, std::string table = "GPIBRS232");

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;

  int GetCommunication() const { return communication_; }
  void SetCommunication(int communication) { communication_ = communication; }
  bool IsGPIB() const { return communication_ == kGPIB; }

  // The configurations the setup buttons show (either may be null: its button is disabled).
  void SetConfigurations(NI488GPIBConfiguration* gpib, RS232Configuration* rs232) {
    gpib_ = gpib;
    rs232_ = rs232;
  }
  NI488GPIBConfiguration* GpibConfiguration() const { return gpib_; }
  RS232Configuration* SerialConfiguration() const { return rs232_; }

  // The page "GPIB/RS232" (XRC panel "GPIBRS232Panel").
  Status AddConfigurationPanel(HostWindow hWnd, PanelList& panels);
  // The dialog "GPIBRS232Communication".
  Status ShowConfigurationDialog(HostWindow hWnd);
  // The dialogs of the setup buttons, titled "GPIB Configuration" and "RS232 Configuration".
  Status ShowGpibDialog(HostWindow hWnd);
  Status ShowRS232Dialog(HostWindow hWnd);

private:
  int communication_;
  std::string table_;
  NI488GPIBConfiguration* gpib_ = nullptr;
  RS232Configuration* rs232_ = nullptr;
};

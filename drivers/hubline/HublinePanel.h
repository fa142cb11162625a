#pragma once
// The "Hubline" page of a Hubline card: how the card is reached (radio
// buttons for the centre type) and its slot ("ID_HUBLINE_DEVICE_ID", slots
// 1–8, with a sub-device letter when a slot holds several devices). The slot
// only matters inside a multislot unit, so it is enabled only there.
#include "dialogs/ValidatorSupport.h"
#include "drivers/hubline/HublineBase.h"
#include "framework/SwitchMatrixBase.h"

class wxComboBox;

class HublinePanel : public ValidatorBasedPanel {
public:
  using Driver = HublineBase<SwitchMatrixBase>;
  static constexpr const char* kName = "HublinePanel";
  static constexpr const char* kTitle = "Hubline";
  static constexpr const char* kDeviceId = "ID_HUBLINE_DEVICE_ID";

  // Radio button and the centre type it selects.
  struct CentreRadio {
    const char* id;
    int centreType;
  };
  static constexpr CentreRadio kRadios[] = {{"ID_RADIO_DIRECTLY", 3},
                                            {"ID_RADIO_HUBLINE1", 2},
                                            {"ID_RADIO_HUBLINE_MULTISLOT", 0},
                                            {"ID_RADIO_HUBLINE_ULTRA", 4}};

  explicit HublinePanel(Driver& driver) : driver_(driver) {}

  bool TransferDataToWindow() override;
  // The entries of the slot list: "1" … "8", or "1A" … per sub-device.
  static std::vector<wxString> DeviceIdEntries(int subDevicesPerSlot);

protected:
  void BindControls() override;

private:
  void EnableDeviceId();

  Driver& driver_;
  wxComboBox* deviceId_ = nullptr;
};

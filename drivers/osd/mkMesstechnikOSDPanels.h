#pragma once
// The pages of the on-screen display: "Device" (name, camera address,
// detector pause and the resume action) and "Settings" (text, position,
// colours and font size of the ten text items, the date and the time).
#include <string>

#include "dialogs/ValidatorSupport.h"

namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD {

class mkMesstechnik_OSD;
class parameterOSDSettingsBase;

class mkMesstechnikOSDCommunicationPanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kName = "mkMesstechnikOSDCommunicationPanel";
  static constexpr const char* kTitle = "Device";

  explicit mkMesstechnikOSDCommunicationPanel(mkMesstechnik_OSD& driver) : driver_(driver) {}

protected:
  void BindControls() override;

private:
  mkMesstechnik_OSD& driver_;
};

class mkMesstechnikOSDConfigurationPanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kName = "mkMesstechnikOSDConfigurationPanel";
  static constexpr const char* kTitle = "Settings";

  explicit mkMesstechnikOSDConfigurationPanel(mkMesstechnik_OSD& driver) : driver_(driver) {}

  // "ID_OSD_" + kind ("TEXT", "DATE", "TIME") + "_" + number + "_" + field.
  static std::string ControlName(const char* kind, int number, const char* field);

protected:
  void BindControls() override;

private:
  void BindItem(const char* kind, parameterOSDSettingsBase& item);

  mkMesstechnik_OSD& driver_;
};

}  // namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD

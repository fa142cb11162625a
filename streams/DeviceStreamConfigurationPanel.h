#pragma once
// The "Communication" page of a driver's dialog: a list of the transports
// the driver offers and, below it, the settings panel of the one chosen.
// Every transport's panel is made at once and only the chosen one shown, so
// switching back and forth keeps what was typed; OK stores the settings of
// every panel and the choice.
#include <string>
#include <vector>

#include "dialogs/ValidatorSupport.h"

class DeviceStreamConfigurationManager;
class wxChoice;
class wxCommandEvent;

class DeviceStreamConfigurationPanel : public ValidatorBasedPanel {
public:
  static constexpr const char* kListId = "wxID_StreamList";
  static constexpr const char* kAreaId = "ID_STREAM_CONFIGURATION_AREA";

  explicit DeviceStreamConfigurationPanel(DeviceStreamConfigurationManager& manager) : manager_(manager) {}

  bool TransferDataToWindow() override;
  bool TransferDataFromWindow() override;

  // The type name chosen in the list (empty when none).
  std::string ChosenTypeName() const;
  // The settings panel of a type name, or null.
  wxWindow* PanelOf(const std::string& typeName) const;

protected:
  void BindControls() override;

private:
  void OnChoice(wxCommandEvent& event);
  void ShowChosen();

  DeviceStreamConfigurationManager& manager_;
  wxChoice* list_ = nullptr;
  wxWindow* area_ = nullptr;
  std::vector<std::pair<std::string, wxWindow*>> panels_;
};

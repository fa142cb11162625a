#pragma once
// An identification checker whose expected response the user may change:
// it is saved in table "Identification", key "ExpectedResponse", and edited
// in the "Identification" panel of the driver's dialog.
#include <string>

#include "dialogs/PanelList.h"
#include "logging/JournexEntry.h"
#include "settings/ProgramSettingsDatabase.h"
#include "streams/IdentificationChecker.h"
#include "streams/IdentificationCheckerPanel.h"

template <class T>
class CustomisableIdentificationChecker : public IdentificationChecker<T> {
public:
  static constexpr const char* kTable = "Identification";
  static constexpr const char* kKey = "ExpectedResponse";

  using IdentificationChecker<T>::IdentificationChecker;

  void SetExpectedResponse(const std::string& expected) override {
    IdentificationChecker<T>::SetExpectedResponse(expected);
    customisedResponse_ = expected;
  }
  const std::string& GetCustomisedResponse() const { return customisedResponse_; }

  virtual Status LoadIdentificationSettings(uint32_t, const SettingsStore& store) {
    if (store) {
      store->PushTable(kTable);
      SetExpectedResponse(store->ReadNarrow(kKey, this->GetExpectedResponse()));
      store->PopTable();
    }
    JournexEntry::Note("LoadProgramSettings", "CustomisableIdentificationChecker", "Note",
                       "LoadProgramSettings(Identification)", {{kKey, this->GetExpectedResponse()}});
    return 0;
  }
  virtual Status SaveIdentificationSettings(uint32_t, const SettingsStore& store) {
    if (store) {
      store->PushTable(kTable);
      store->WriteNarrow(kKey, this->GetExpectedResponse());
      store->PopTable();
    }
    return 0;
  }
  // Adds the "Identification" page to a driver's dialog.
  virtual Status CreateIdentificationPanel(uint32_t, PanelList& panels) {
    panels.Add({[this] { return new IdentificationCheckerPanel<CustomisableIdentificationChecker>(this); },
                IdentificationCheckerPanelResource::kName, IdentificationCheckerPanelResource::kTitle});
    return 0;
  }

private:
  std::string customisedResponse_;
};

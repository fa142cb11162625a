#pragma once
// The Teseq RFB 6000 switch unit: ten slots A–J, each a switch with up to
// six outputs. Every slot has a "before" setting, applied when the test
// initialisation starts (event 3), and an "after" setting, applied when the
// test has stopped (event 2). The device check compares the configured
// outputs with the slots the unit reports.
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/SwitchMatrixBase.h"
#include "settings/EnumClass.h"
#include "streams/TwoBaseClasses.h"

namespace teseq {
// 0 leaves the slot, 1 switches all outputs off ("0"), 2–7 select output 1–6.
SWM_ENUM(SwitchState, DoNotChange = 0, NoOutput = 1, Output1, Output2, Output3, Output4, Output5, Output6)
}

class TeseqRFB6000 : public TwoBaseClasses<SwitchMatrixBase> {
public:
  static constexpr const char* kTable = "TESEQRFB6000";
  static constexpr const char* kTransports = "VISA;RS-232";
  static constexpr Status kMissingKey = 0x3000BAB9;
  static constexpr Status kSlotNotAvailable = 0x3000BABA;
  static constexpr Status kIncorrectValue = 0x3000BABB;
  static constexpr Status kNotTenSlots = 0x3000BABC;
  static constexpr int kBefore = 0;
  static constexpr int kAfter = 1;
  static constexpr size_t kReplyLimit = 500000;

  explicit TeseqRFB6000(const std::string& model = "TESEQ_RFB_6000");

  // The texts of the settings 0–7 as the dialog offers them.
  static const std::vector<std::string>& SwitchStateTexts();
  static const char* SlotLetters() { return "ABCDEFGHIJ"; }

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;
  Status DeInitDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;
  std::string OwnErrorText(Status status) override;

  // Applies the settings of state 0 (before) or 1 (after) slot by slot.
  virtual Status SetAll(int which);
  // Sends one slot's output ("0" none, "1"–"6").
  virtual Status SetSlot(char letter, const std::string& output);

  teseq::SwitchState Setting(char letter, int which) const;
  void SetSetting(char letter, int which, teseq::SwitchState state);
  const std::string& Model() const { return model_; }

protected:
  // The larger of a slot's two settings; nothing when the slot has no entry.
  std::optional<int> LargestSetting(char letter) const;
  void Complain(char letter, int outputs, int largest);

  std::string model_;
  std::map<char, std::pair<teseq::SwitchState, teseq::SwitchState>> slots_;
  std::string missingSlot_;
  std::string complaints_;
};

#pragma once
// The SC1000 RF switch controller: seven switches, each with a position for
// the test ("during") and one for after it, sent as "SW<n>-<position>" when
// the host starts initialising a test (once, until the test stops) and when
// the test stops (once, after the during positions went out). The model only
// changes which switches the dialog lets the user edit.
#include <array>
#include <memory>
#include <string>

#include "drivers/common/StreamSwitchMatrix.h"
#include "settings/EnumClass.h"
#include "settings/StorableMemberVariable.h"

namespace sc1000 {
SWM_ENUM(eRelaisSettingsSC1000, MIN_RELAIS = 0, DontSwitch = 0, Position1, Position2, Position3, Position4,
         MAX_RELAIS = Position4)
SWM_ENUM(eModelSettingsSC1000, MIN_MODEL_SC1000 = 0, ModelSC1000 = 0, ModelSC1000M1, ModelSC1000M2,
         ModelSC1000M3, ModelSC1000M4, MAX_MODEL_SC1000 = ModelSC1000M4)
}  // namespace sc1000

class SC1000 : public StreamSwitchMatrix {
public:
  static constexpr int kSwitches = 7;
  static constexpr int kDuring = 0;
  static constexpr int kAfter = 1;
  static constexpr uint32_t kInitPauseMilliseconds = 300;
  static constexpr const char* kDialogName = "SC1000ConfigDialog";

  SC1000();

  Status CheckDevice(HostWindow hWnd) override;
  Status InitDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  // Sends the positions of set 0 (during) or 1 (after).
  virtual Status SendSet(int set);
  // Whether the dialog lets the user edit switch n (1 to 7) of the model.
  static bool SwitchEnabled(sc1000::eModelSettingsSC1000 model, int number);

  sc1000::eRelaisSettingsSC1000 Position(int set, int index) const { return positions_[set][index]->Value(); }
  void SetPosition(int set, int index, sc1000::eRelaisSettingsSC1000 value) { *positions_[set][index] = value; }
  sc1000::eModelSettingsSC1000 Model() const { return model_; }
  void SetModel(sc1000::eModelSettingsSC1000 model) { model_ = model; }
  int Wait() const { return wait_; }
  void SetWait(int wait) { wait_ = wait; }
  bool DuringActive() const { return duringActive_; }

private:
  using PositionMember = StorableMemberVariable<sc1000::eRelaisSettingsSC1000>;
  // Registers the positions (all during, then all after) ahead of the model and the wait.
  struct Positions : std::array<std::array<std::unique_ptr<PositionMember>, kSwitches>, 2> {
    explicit Positions(StorableMembersManager& members);
  };

  Positions positions_;
  StorableMemberVariable<sc1000::eModelSettingsSC1000> model_;
  StorableMemberVariable<int> wait_;
  bool duringActive_ = false;
};

#pragma once
// A serial instrument on a pseudo-terminal, linked as COMn into the ports
// directory. A drop mid-reply leaves the line dead (bytes arrive, but no
// command is handled or answered) until the drop fault is switched off. A
// hang-up replaces the pseudo-terminal (the COMn link then points at the new
// one), as when a USB adapter is unplugged and plugged in again. Refusing
// removes the link. A family that reports unasked (InstrumentFamily::
// ReportIntervalMs) sends its report at that interval while the line lives;
// reports that nobody reads pile up to 4 KiB at most.
#include <memory>
#include <string>
#include <vector>

#include "sim/core/Binding.h"
#include "sim/core/CommandFramer.h"
#include "sim/core/InstrumentSettings.h"
#include "sim/core/SimulatorContext.h"
#include "sim/core/StreamConnection.h"
#include "sim/transport/PseudoTerminal.h"

namespace sim {

class Instrument;

class PtyBinding : public Binding {
public:
  PtyBinding(SimulatorContext& context, Instrument& instrument, const InstrumentSettings& settings);
  ~PtyBinding() override;

  std::string Open() override;
  void Close() override;
  sim::Endpoint Endpoint() const override;
  void Hangup() override;
  void SetRefusing(bool refusing) override;
  nlohmann::json State() const override;
  void SendUnasked(const std::string& bytes) override;

private:
  std::string OpenTerminal();
  std::string ChooseLink();
  void OnData(std::string_view bytes);
  // Sends the family's unasked report now and again after its interval.
  void ScheduleReport(uint32_t intervalMs);

  SimulatorContext& context_;
  Instrument& instrument_;
  int com_;
  std::string link_;
  std::unique_ptr<transport::PseudoTerminal> terminal_;
  std::unique_ptr<StreamConnection> connection_;
  // Connections replaced during a callback of their own, deleted later.
  std::vector<std::unique_ptr<StreamConnection>> retired_;
  CommandFramer framer_;
  bool dead_ = false;
  bool refusing_ = false;
  size_t hangups_ = 0;
  int reportTimer_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sim

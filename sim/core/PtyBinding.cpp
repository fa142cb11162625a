#include "sim/core/PtyBinding.h"

#include <nlohmann/json.hpp>

#include "sim/core/Instrument.h"
#include "sim/transport/FileLinks.h"

namespace sim {

PtyBinding::PtyBinding(SimulatorContext& context, Instrument& instrument,
                       const InstrumentSettings& settings)
    : context_(context), instrument_(instrument), com_(settings.com) {}

PtyBinding::~PtyBinding() { Close(); }

std::string PtyBinding::ChooseLink() {
  const std::string& directory = context_.portsDirectory;
  if (directory.empty()) {
    if (com_ != 0) return "COM" + std::to_string(com_) + " needs a ports directory";
    return "";
  }
  if (!transport::IsDirectory(directory)) return "no ports directory " + directory;
  if (com_ == 0) {
    for (int n = 1; n <= 255 && com_ == 0; ++n)
      if (!transport::PathEntryExists(directory + "/COM" + std::to_string(n))) com_ = n;
    if (com_ == 0) return "no free COMn name in " + directory;
  }
  link_ = directory + "/COM" + std::to_string(com_);
  return "";
}

std::string PtyBinding::Open() {
  std::string error = ChooseLink();
  if (error.empty()) error = OpenTerminal();
  if (error.empty() && instrument_.Family().ReportIntervalMs() > 0)
    ScheduleReport(instrument_.Family().ReportIntervalMs());
  return error;
}

void PtyBinding::ScheduleReport(uint32_t intervalMs) {
  constexpr size_t kMostUnread = 4096;
  std::weak_ptr<bool> alive = alive_;
  reportTimer_ = context_.loop.After(intervalMs, [this, alive, intervalMs] {
    if (alive.expired()) return;
    if (connection_ && !dead_ && !refusing_ && connection_->QueuedBytes() < kMostUnread) {
      const std::string report = instrument_.Family().Report();
      if (!report.empty()) connection_->Send(report, 0);
    }
    ScheduleReport(intervalMs);
  });
}

void PtyBinding::SendUnasked(const std::string& bytes) {
  if (connection_ && !dead_ && !refusing_) connection_->Send(bytes, 0);
}

std::string PtyBinding::OpenTerminal() {
  std::string error;
  std::unique_ptr<transport::PseudoTerminal> terminal = transport::PseudoTerminal::Open(&error);
  if (!terminal) return error;
  if (!link_.empty() && !refusing_ &&
      !transport::ReplaceSymlink(terminal->DevicePath(), link_, &error))
    return error;
  // The old master closes only now, after the link points at the new terminal.
  if (connection_) {
    connection_->Close();
    retired_.push_back(std::move(connection_));
    std::weak_ptr<bool> alive = alive_;
    context_.loop.Defer([this, alive] {
      if (!alive.expired()) retired_.clear();
    });
  }
  terminal_ = std::move(terminal);
  framer_.Clear();
  connection_ = std::make_unique<StreamConnection>(
      context_.loop, terminal_->TakeMaster(), [this](std::string_view bytes) { OnData(bytes); },
      [] {});
  return "";
}

void PtyBinding::Close() {
  if (reportTimer_) context_.loop.Cancel(reportTimer_);
  reportTimer_ = 0;
  if (connection_) connection_->Close();
  connection_.reset();
  retired_.clear();
  terminal_.reset();
  if (!link_.empty()) transport::RemoveSymlink(link_);
}

sim::Endpoint PtyBinding::Endpoint() const {
  sim::Endpoint endpoint;
  endpoint.transport = TransportKind::kPty;
  if (terminal_) endpoint.device = terminal_->DevicePath();
  endpoint.link = link_;
  endpoint.com = link_.empty() ? 0 : com_;
  return endpoint;
}

void PtyBinding::Hangup() {
  ++hangups_;
  dead_ = false;
  if (terminal_) OpenTerminal();
}

void PtyBinding::SetRefusing(bool refusing) {
  if (refusing == refusing_) return;
  refusing_ = refusing;
  if (link_.empty() || !terminal_) return;
  std::string error;
  if (refusing)
    transport::RemoveSymlink(link_);
  else
    transport::ReplaceSymlink(terminal_->DevicePath(), link_, &error);
}

void PtyBinding::OnData(std::string_view bytes) {
  instrument_.RecordBytes(bytes);
  if (dead_) {
    if (instrument_.CurrentFaults().drop) return;  // the line stays dead
    dead_ = false;
  }
  for (const std::string& command : framer_.Feed(bytes, instrument_.ReadTerminator())) {
    const Reply reply = instrument_.HandleCommand(command);
    if (!reply.answered || reply.silent) continue;
    connection_->Send(reply.bytes.substr(0, reply.sendBytes), reply.delayMs);
    if (reply.drop) {
      dead_ = true;
      framer_.Clear();
      return;
    }
  }
}

nlohmann::json PtyBinding::State() const {
  nlohmann::json state = {{"device", terminal_ ? terminal_->DevicePath() : ""},
                          {"link", link_},
                          {"linked", !link_.empty() && !refusing_},
                          {"dead", dead_},
                          {"hangups", hangups_}};
  if (terminal_) {
    const transport::LineSettings line = terminal_->Settings();
    state["line"] = {{"baud", line.baud},
                     {"data_bits", line.dataBits},
                     {"parity", std::string(1, line.parity)},
                     {"stop_bits", line.stopBits},
                     {"canonical", line.canonical},
                     {"echo", line.echo},
                     {"hardware_flow", line.hardwareFlow},
                     {"software_flow", line.softwareFlow}};
  }
  return state;
}

}  // namespace sim

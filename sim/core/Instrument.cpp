#include "sim/core/Instrument.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "sim/core/BindingFactory.h"
#include "sim/core/WireText.h"

namespace sim {
namespace {
constexpr uint8_t kMessageAvailable = 0x10;
constexpr uint8_t kRequestService = 0x40;

// The answer repeated until it is count bytes long.
std::string Stretch(const std::string& answer, size_t count) {
  const std::string pattern = answer.empty() ? std::string("#") : answer;
  std::string stretched;
  stretched.reserve(count);
  while (stretched.size() < count)
    stretched.append(pattern, 0, std::min(pattern.size(), count - stretched.size()));
  return stretched;
}
}  // namespace

Instrument::Instrument(SimulatorContext& context, BuiltInstrument built)
    : context_(context),
      settings_(std::move(built.settings)),
      family_(std::move(built.family)),
      faults_(settings_.faults),
      random_(settings_.seed * 0x9E3779B97F4A7C15ull + 1) {
  binding_ = CreateBinding(context_, *this, settings_);
}

Instrument::~Instrument() {
  {
    std::lock_guard guard(context_.lock);
    if (tickTimer_) context_.loop.Cancel(tickTimer_);
    tickTimer_ = 0;
  }
  CloseBinding();
}

void Instrument::ScheduleTick() {
  if (tickTimer_) context_.loop.Cancel(tickTimer_);
  tickTimer_ = 0;
  const std::optional<uint32_t> delay = family_->PendingChangeMs();
  if (!delay) return;
  tickTimer_ = context_.loop.After(*delay, [this] {
    tickTimer_ = 0;
    family_->Tick();
    if (const std::string unasked = family_->TakeUnasked(); !unasked.empty()) binding_->SendUnasked(unasked);
    UpdateServiceRequest();
    context_.changed.notify_all();
    Announce();
    ScheduleTick();
  });
}

std::string Instrument::OpenBinding() {
  std::lock_guard guard(context_.lock);
  std::string error = binding_->Open();
  if (error.empty() && faults_.refuse) binding_->SetRefusing(true);
  return error;
}

void Instrument::CloseBinding() {
  std::lock_guard guard(context_.lock);
  if (binding_) binding_->Close();
}

sim::Endpoint Instrument::Endpoint() const {
  std::lock_guard guard(context_.lock);
  return binding_->Endpoint();
}

std::vector<std::string> Instrument::ReceivedCommands() const {
  std::lock_guard guard(context_.lock);
  return commands_;
}

size_t Instrument::CommandCount() const {
  std::lock_guard guard(context_.lock);
  return commandCount_;
}

std::string Instrument::ReceivedBytes() const {
  std::lock_guard guard(context_.lock);
  return bytes_;
}

bool Instrument::WaitForCommands(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock guard(context_.lock);
  return context_.changed.wait_for(guard, timeout, [&] { return commandCount_ >= count; });
}

bool Instrument::WaitForBytes(size_t count, std::chrono::milliseconds timeout) const {
  std::unique_lock guard(context_.lock);
  return context_.changed.wait_for(guard, timeout, [&] { return byteCount_ >= count; });
}

void Instrument::ResetLog() {
  std::lock_guard guard(context_.lock);
  commands_.clear();
  recent_.clear();
  bytes_.clear();
  commandCount_ = byteCount_ = answerCount_ = 0;
  Announce();
}

nlohmann::json Instrument::RecentExchanges() const {
  std::lock_guard guard(context_.lock);
  nlohmann::json list = nlohmann::json::array();
  for (const Exchange& exchange : recent_)
    list.push_back({{"at_ms", exchange.atMs},
                    {"command", BytesToUtf8(exchange.command)},
                    {"answer", BytesToUtf8(exchange.answer)},
                    {"outcome", std::string(exchange.outcome)}});
  return list;
}

void Instrument::LogExchange(const std::string& command, const Reply& reply) {
  if (recent_.size() == kRecentExchanges) recent_.pop_front();
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  Exchange exchange{std::chrono::duration_cast<std::chrono::milliseconds>(now).count(), command, "",
                    "no answer"};
  if (reply.answered) {
    exchange.outcome = reply.silent ? "held back (noanswer)" : reply.drop ? "dropped" : "answered";
    if (!reply.silent) exchange.answer = reply.bytes.substr(0, reply.sendBytes);
  }
  recent_.push_back(std::move(exchange));
}

void Instrument::ApplyFaults(const Faults& faults) {
  const bool wasRefusing = faults_.refuse;
  faults_ = faults;
  if (wasRefusing != faults_.refuse) binding_->SetRefusing(faults_.refuse);
  Announce();
}

void Instrument::SetFault(FaultKind kind, size_t value) {
  std::lock_guard guard(context_.lock);
  Faults faults = faults_;
  faults.Set(kind, value);
  ApplyFaults(faults);
}

void Instrument::ClearFault(FaultKind kind) {
  std::lock_guard guard(context_.lock);
  Faults faults = faults_;
  faults.Clear(kind);
  ApplyFaults(faults);
}

void Instrument::ClearFaults() { SetFaults(Faults{}); }

void Instrument::SetFaults(const Faults& faults) {
  std::lock_guard guard(context_.lock);
  ApplyFaults(faults);
}

Faults Instrument::CurrentFaults() const {
  std::lock_guard guard(context_.lock);
  return faults_;
}

std::string Instrument::Set(const std::string& rawKey, const std::string& value) {
  std::lock_guard guard(context_.lock);
  const std::string key = NormaliseKey(rawKey);
  if (IsStartOnlySetting(key)) return "'" + key + "' can only be given when the instrument is added";
  std::string error;
  InstrumentSettings settings = settings_;
  settings.faults = faults_;
  if (ApplyRunTimeSetting(key, value, &settings, &error)) {
    if (!error.empty()) return error;
    if (key == "seed") random_ = settings.seed * 0x9E3779B97F4A7C15ull + 1;  // start the sequence again
    const Faults faults = settings.faults;
    settings_ = std::move(settings);
    ApplyFaults(faults);
    return "";
  }
  error = family_->Configure(key, value);
  UpdateServiceRequest();
  ScheduleTick();
  Announce();
  return error;
}

void Instrument::Hangup() {
  std::lock_guard guard(context_.lock);
  binding_->Hangup();
  Announce();
}

void Instrument::Reset() {
  std::lock_guard guard(context_.lock);
  family_->Reset();
  serviceCondition_ = requestingService_ = false;
  ScheduleTick();
  Announce();
}

void Instrument::Restart() {
  std::lock_guard guard(context_.lock);
  binding_->Hangup();
  Reset();
}

void Instrument::RecordBytes(std::string_view bytes) {
  byteCount_ += bytes.size();
  if (bytes_.size() + bytes.size() <= kMaxRecordedBytes) bytes_.append(bytes);
  context_.changed.notify_all();
  Announce();
}

Reply Instrument::HandleCommand(const std::string& command) {
  if (commands_.size() < kMaxRecordedCommands) commands_.push_back(command);
  ++commandCount_;
  std::optional<std::string> answer = family_->Handle(command);
  UpdateServiceRequest();
  ScheduleTick();
  context_.changed.notify_all();
  Announce();
  Reply reply;
  if (!answer) {
    LogExchange(command, reply);
    return reply;
  }
  reply.answered = true;
  reply.silent = faults_.noAnswer;
  std::string bytes = std::move(*answer);
  if (faults_.tooLong) bytes = Stretch(bytes, *faults_.tooLong);
  if (faults_.garbage) bytes = Garble(std::move(bytes));
  bytes += TerminatorBytes(settings_.writeTerminator);
  auto limit = [&](size_t count) {
    return count == Faults::kHalf ? bytes.size() / 2 : std::min(count, bytes.size());
  };
  reply.sendBytes = bytes.size();
  if (faults_.cutShort) reply.sendBytes = limit(*faults_.cutShort);
  if (faults_.drop) {
    reply.sendBytes = std::min(reply.sendBytes, limit(*faults_.drop));
    reply.drop = true;
  }
  reply.delayMs = faults_.lateMs;
  reply.bytes = std::move(bytes);
  if (!reply.silent) ++answerCount_;
  LogExchange(command, reply);
  return reply;
}

std::string Instrument::Garble(std::string bytes) {
  for (char& byte : bytes) {
    do {  // xorshift64: repeatable for a given seed
      random_ ^= random_ << 13;
      random_ ^= random_ >> 7;
      random_ ^= random_ << 17;
      byte = static_cast<char>(random_ >> 24);
    } while (byte == '\n' || byte == '\r');  // keep the framing of the answer intact
  }
  return bytes;
}

uint8_t Instrument::SummaryStatus() const {
  uint8_t status = family_->StatusByte() & ~kRequestService;
  if (binding_ && binding_->OutputPending()) status |= kMessageAvailable;
  return status;
}

void Instrument::UpdateServiceRequest() {
  const bool condition = (SummaryStatus() & family_->ServiceRequestEnable() & ~kRequestService) != 0;
  if (condition && !serviceCondition_) {
    requestingService_ = true;
    binding_->ServiceRequested();
  }
  serviceCondition_ = condition;
}

uint8_t Instrument::SerialPoll() {
  const uint8_t status = SummaryStatus() | (requestingService_ ? kRequestService : 0);
  requestingService_ = false;
  return status;
}

nlohmann::json Instrument::State() const {
  std::lock_guard guard(context_.lock);
  const sim::Endpoint endpoint = binding_->Endpoint();
  nlohmann::json state = {
      {"name", Name()},
      {"family", FamilyName()},
      {"transport", std::string(TransportName(Transport()))},
      {"endpoint", endpoint.Describe()},
      {"read_terminator", std::string(TerminatorName(settings_.readTerminator))},
      {"write_terminator", std::string(TerminatorName(settings_.writeTerminator))},
      {"faults", faults_.Describe()},
      {"commands_received", commandCount_},
      {"bytes_received", byteCount_},
      {"answers_sent", answerCount_},
      {"last_command", commands_.empty() ? "" : BytesToUtf8(commands_.back())},
      {"requesting_service", requestingService_},
      {"transport_state", binding_->State()},
      {"instrument", family_->State()}};
  if (endpoint.port) state["port"] = endpoint.port;
  return state;
}

}  // namespace sim

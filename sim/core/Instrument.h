#pragma once
// One simulated instrument: a family's command handler bound to a transport,
// with its record of what it received and its switchable faults. The public
// methods are safe from any thread.
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <nlohmann/json_fwd.hpp>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "sim/core/Binding.h"
#include "sim/core/Endpoint.h"
#include "sim/core/Faults.h"
#include "sim/core/InstrumentFamily.h"
#include "sim/core/InstrumentSettings.h"
#include "sim/core/SimulatorContext.h"

namespace sim {

// One answer on its way out, shaped by the faults.
struct Reply {
  bool answered = false;  // the family gave an answer
  bool silent = false;    // the no-answer fault holds it back
  std::string bytes;      // the answer with its terminator
  size_t sendBytes = 0;   // how many of them leave (fewer when cut short or dropped)
  bool drop = false;      // the connection drops after sendBytes
  uint32_t delayMs = 0;
};

class Instrument {
public:
  Instrument(SimulatorContext& context, BuiltInstrument built);
  ~Instrument();

  const std::string& Name() const { return settings_.name; }
  const std::string& FamilyName() const { return settings_.family; }
  TransportKind Transport() const { return settings_.transport; }
  sim::Endpoint Endpoint() const;

  // Every command received so far (terminators removed), oldest first.
  std::vector<std::string> ReceivedCommands() const;
  size_t CommandCount() const;
  // Every byte received so far.
  std::string ReceivedBytes() const;
  // Waits until at least count commands have arrived; false at the time-out.
  bool WaitForCommands(size_t count, std::chrono::milliseconds timeout) const;
  // Waits until at least count bytes have arrived; false at the time-out.
  bool WaitForBytes(size_t count, std::chrono::milliseconds timeout) const;
  void ResetLog();
  // The last commands with the answers that left for them and the wall-clock
  // time each command arrived (ms since the epoch), oldest first, as JSON.
  nlohmann::json RecentExchanges() const;

  void SetFault(FaultKind kind, size_t value = Faults::kHalf);
  void ClearFault(FaultKind kind);
  void ClearFaults();
  void SetFaults(const Faults& faults);
  Faults CurrentFaults() const;

  // Applies a key as in the configuration file; returns an error text, empty on success.
  std::string Set(const std::string& key, const std::string& value);
  // Ends every client connection.
  void Hangup();
  // Power-on state of the family (the configuration and the record stay).
  void Reset();
  // Hangup and Reset: as if the instrument were switched off and on.
  void Restart();
  nlohmann::json State() const;

  // Runs f on the family under the simulator lock (f takes a Family&).
  template <class Family, class F>
  auto Access(F&& f) {
    std::lock_guard guard(context_.lock);
    auto* family = dynamic_cast<Family*>(family_.get());
    if (!family) throw std::logic_error("instrument " + Name() + " is not of that family");
    return f(*family);
  }

  // For the transport bindings, with the simulator lock held.
  void RecordBytes(std::string_view bytes);
  Reply HandleCommand(const std::string& command);
  Terminator ReadTerminator() const { return settings_.readTerminator; }
  bool ContentLength() const { return settings_.contentLength; }
  bool HttpKeepAlive() const { return settings_.httpKeepAlive; }
  bool HttpRequireHost() const { return settings_.httpRequireHost; }
  const std::string& HttpStatus() const { return settings_.httpStatus; }
  bool Refusing() const { return faults_.refuse; }
  InstrumentFamily& Family() { return *family_; }
  // The status byte for a serial poll; reading it clears the service request.
  uint8_t SerialPoll();
  bool RequestingService() const { return requestingService_; }
  // Re-checks the service request after the status changed outside a command.
  void UpdateServiceRequest();
  std::string OpenBinding();
  void CloseBinding();

private:
  struct Exchange {
    int64_t atMs;
    std::string command;
    std::string answer;    // the bytes that leave, when any
    std::string_view outcome;
  };
  static constexpr size_t kMaxRecordedCommands = 1'000'000;
  static constexpr size_t kRecentExchanges = 20;
  static constexpr size_t kMaxRecordedBytes = 64u << 20;

  uint8_t SummaryStatus() const;
  // Arms the timer of a change the family has announced (PendingChangeMs).
  void ScheduleTick();
  std::string Garble(std::string bytes);
  void ApplyFaults(const Faults& faults);
  void LogExchange(const std::string& command, const Reply& reply);
  // Tells the watchers of the bench that this instrument changed.
  void Announce() { context_.notice.Announce(); }

  SimulatorContext& context_;
  InstrumentSettings settings_;
  std::unique_ptr<InstrumentFamily> family_;
  std::unique_ptr<Binding> binding_;
  Faults faults_;
  std::vector<std::string> commands_;
  std::deque<Exchange> recent_;
  size_t commandCount_ = 0;
  std::string bytes_;
  size_t byteCount_ = 0;
  size_t answerCount_ = 0;
  uint64_t random_ = 1;
  bool serviceCondition_ = false;
  bool requestingService_ = false;
  int tickTimer_ = 0;
};

}  // namespace sim

#pragma once
// An instrument on the simulated bus (a GPIB address or a VISA resource),
// reached through the bus socket by the simulated vendor libraries. Answers
// wait in the instrument's output queue until a read asks for them; a read
// ends at the end of an answer, at the byte count, or at its time-out.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "sim/core/Binding.h"
#include "sim/core/InstrumentSettings.h"
#include "sim/core/SimulatorContext.h"

namespace sim {

class Instrument;

class BusBinding : public Binding {
public:
  // A finished read: "ok N END" or "timeout N", and the bytes.
  struct ReadResult {
    bool timedOut = false;
    bool end = false;  // the read stopped at the end of an answer
    std::string bytes;
  };
  using ReadDone = std::function<void(const ReadResult&)>;

  BusBinding(SimulatorContext& context, Instrument& instrument, const InstrumentSettings& settings);
  ~BusBinding() override;

  std::string Open() override;
  void Close() override;
  sim::Endpoint Endpoint() const override;
  // Empties the output queue and ends the reads that wait.
  void Hangup() override;
  void SetRefusing(bool refusing) override { refusing_ = refusing; }
  bool OutputPending() const override { return !output_.empty(); }
  void ServiceRequested() override;
  // Queued as an answer of its own.
  void SendUnasked(const std::string& bytes) override { Queue(bytes, true); }
  nlohmann::json State() const override;

  const std::string& Resource() const { return resource_; }
  int Board() const { return board_; }  // -1 for a resource that is not on a GPIB board
  Instrument& Device() { return instrument_; }
  // False when the device does not listen (it refuses).
  bool Write(std::string_view bytes);
  void Read(size_t maxBytes, uint32_t timeoutMs, ReadDone done);
  // Selected device clear: input, output and waiting reads dropped.
  void DeviceClear();
  void SetRemote(bool remote) { remote_ = remote; }
  void SetLockout(bool lockout) { lockout_ = lockout; }

private:
  struct Chunk {
    std::string bytes;
    bool end;  // the answer is complete after these bytes
  };
  struct PendingRead {
    int id;
    size_t maxBytes;
    ReadResult result;
    int timer;
    ReadDone done;
  };
  void Queue(std::string bytes, bool end);
  void Serve();
  void Finish(std::deque<PendingRead>::iterator read, bool timedOut);

  SimulatorContext& context_;
  Instrument& instrument_;
  std::string resource_;
  int board_;
  bool attached_ = false;
  bool refusing_ = false;
  bool remote_ = false;
  bool lockout_ = false;
  std::deque<Chunk> output_;
  std::deque<PendingRead> reads_;
  std::deque<int> answerTimers_;
  int nextRead_ = 1;
  size_t writes_ = 0;
  size_t clears_ = 0;
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace sim

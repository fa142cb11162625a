#include "sim/core/BusBinding.h"

#include <nlohmann/json.hpp>

#include "sim/core/BusServer.h"
#include "sim/core/CommandFramer.h"
#include "sim/core/Instrument.h"

namespace sim {

BusBinding::BusBinding(SimulatorContext& context, Instrument& instrument,
                       const InstrumentSettings& settings)
    : context_(context),
      instrument_(instrument),
      resource_(NormaliseResource(settings.resource)),
      board_(settings.transport == TransportKind::kGpib ? settings.board : -1) {}

BusBinding::~BusBinding() { Close(); }

std::string BusBinding::Open() {
  if (!context_.bus) return "the simulator has no bus";
  std::string error = context_.bus->Attach(this);
  attached_ = error.empty();
  return error;
}

void BusBinding::Close() {
  Hangup();
  if (attached_ && context_.bus) context_.bus->Detach(this);
  attached_ = false;
}

sim::Endpoint BusBinding::Endpoint() const {
  sim::Endpoint endpoint;
  endpoint.transport = board_ >= 0 ? TransportKind::kGpib : TransportKind::kVisa;
  endpoint.resource = resource_;
  if (context_.bus) endpoint.bus = context_.bus->Path();
  return endpoint;
}

void BusBinding::Hangup() {
  for (int timer : answerTimers_) context_.loop.Cancel(timer);
  answerTimers_.clear();
  output_.clear();
  while (!reads_.empty()) Finish(reads_.begin(), true);
}

void BusBinding::ServiceRequested() {
  if (!context_.bus) return;
  context_.bus->DeviceRequestedService(this);
  if (board_ >= 0) context_.bus->ServiceRequested(board_);
}

bool BusBinding::Write(std::string_view bytes) {
  if (refusing_ || !instrument_.Family().Listening()) return false;
  ++writes_;
  remote_ = true;
  instrument_.RecordBytes(bytes);
  // A bus write is one whole message: its end (EOI) ends the last command.
  for (const std::string& command : CommandFramer::SplitMessage(bytes, instrument_.ReadTerminator())) {
    const Reply reply = instrument_.HandleCommand(command);
    if (!reply.answered || reply.silent) continue;
    // Cut short or dropped: the device stops talking before the end of its answer.
    std::string sent = reply.bytes.substr(0, reply.sendBytes);
    const bool end = reply.sendBytes == reply.bytes.size() && !reply.drop;
    if (reply.delayMs == 0) {
      Queue(std::move(sent), end);
      continue;
    }
    std::weak_ptr<bool> alive = alive_;
    auto timer = std::make_shared<int>(0);
    *timer = context_.loop.After(reply.delayMs, [this, alive, timer, sent, end] {
      if (alive.expired()) return;
      std::erase(answerTimers_, *timer);
      Queue(sent, end);
    });
    answerTimers_.push_back(*timer);
  }
  return true;
}

void BusBinding::Queue(std::string bytes, bool end) {
  output_.push_back({std::move(bytes), end});
  instrument_.UpdateServiceRequest();  // message available may request service
  Serve();
}

void BusBinding::Read(size_t maxBytes, uint32_t timeoutMs, ReadDone done) {
  const int id = nextRead_++;
  std::weak_ptr<bool> alive = alive_;
  const int timer = context_.loop.After(timeoutMs, [this, alive, id] {
    if (alive.expired()) return;
    for (auto it = reads_.begin(); it != reads_.end(); ++it)
      if (it->id == id) return Finish(it, true);
  });
  reads_.push_back({id, maxBytes == 0 ? 1 : maxBytes, {}, timer, std::move(done)});
  Serve();
}

void BusBinding::Serve() {
  while (!reads_.empty() && !output_.empty()) {
    PendingRead& read = reads_.front();
    Chunk& chunk = output_.front();
    const size_t wanted = read.maxBytes - read.result.bytes.size();
    const size_t taken = std::min(wanted, chunk.bytes.size());
    read.result.bytes.append(chunk.bytes, 0, taken);
    chunk.bytes.erase(0, taken);
    bool finished = read.result.bytes.size() == read.maxBytes;
    if (chunk.bytes.empty()) {
      read.result.end = chunk.end;
      finished = finished || chunk.end;
      output_.pop_front();
      // Message available ends with the last answer read: the next event
      // that requests service is a new request.
      if (output_.empty()) instrument_.UpdateServiceRequest();
    }
    if (finished) Finish(reads_.begin(), false);
  }
}

void BusBinding::Finish(std::deque<PendingRead>::iterator read, bool timedOut) {
  context_.loop.Cancel(read->timer);
  ReadResult result = std::move(read->result);
  result.timedOut = timedOut;
  if (timedOut) result.end = false;
  ReadDone done = std::move(read->done);
  reads_.erase(read);
  done(result);
}

void BusBinding::DeviceClear() {
  ++clears_;
  Hangup();
  instrument_.Family().DeviceClear();
  instrument_.UpdateServiceRequest();
}

nlohmann::json BusBinding::State() const {
  size_t queued = 0;
  for (const Chunk& chunk : output_) queued += chunk.bytes.size();
  return {{"resource", resource_},
          {"attached", attached_},
          {"remote", remote_},
          {"lockout", lockout_},
          {"writes", writes_},
          {"device_clears", clears_},
          {"output_bytes", queued},
          {"reads_waiting", reads_.size()}};
}

}  // namespace sim

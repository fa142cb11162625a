#include "sim/core/BusServer.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <nlohmann/json.hpp>
#include <sstream>

#include "sim/core/BusBinding.h"
#include "sim/core/Instrument.h"
#include "sim/transport/FileLinks.h"
#include "sim/transport/Poller.h"
#include "sim/transport/Sockets.h"

namespace sim {
namespace {

constexpr size_t kLargestPayload = 16u << 20;
constexpr uint8_t kGoToLocal = 0x01;
constexpr uint8_t kLocalLockout = 0x11;
constexpr uint8_t kDeviceClear = 0x14;

bool ParseSize(const std::string& text, size_t* value) {
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), *value);
  return error == std::errc() && end == text.data() + text.size() && !text.empty();
}

// "GPIBn" as a board number; -1 when it is not one.
int ParseBoard(const std::string& word) {
  const std::string upper = NormaliseResource(word);
  size_t board = 0;
  if (!upper.starts_with("GPIB") || !ParseSize(upper.substr(4), &board) || board > 3) return -1;
  return static_cast<int>(board);
}

// Requests whose last word is the byte count of a payload that follows the line.
bool HasPayload(const std::string& verb) { return verb == "write" || verb == "command"; }

}  // namespace

std::string NormaliseResource(std::string_view resource) {
  std::string upper;
  for (char c : resource) upper.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  for (const std::string_view family : {"GPIB", "TCPIP"}) {
    if (!upper.starts_with(family) || upper.compare(family.size(), 2, "::") != 0) continue;
    std::string numbered(family);
    numbered.push_back('0');
    numbered.append(upper, family.size());
    return numbered;
  }
  return upper;
}

BusServer::~BusServer() { Close(); }

std::string BusServer::Listen(const std::string& path) {
  Close();
  std::string error;
  listener_ = transport::ListenUnix(path, &error);
  if (!listener_.Valid()) return error;
  path_ = path;
  watch_ = context_.loop.Watch(listener_.Get(), transport::kReadable, [this](unsigned) { AcceptAll(); });
  return "";
}

void BusServer::Close() {
  if (watch_) context_.loop.Unwatch(watch_);
  watch_ = 0;
  for (auto& [id, session] : sessions_) session->connection->Close();
  sessions_.clear();
  for (const SrqWait& wait : srqWaits_) context_.loop.Cancel(wait.timer);
  srqWaits_.clear();
  for (const RqsWait& wait : rqsWaits_) context_.loop.Cancel(wait.timer);
  rqsWaits_.clear();
  if (listener_.Valid()) {
    listener_.Reset();
    transport::RemoveSocketFile(path_);
  }
  path_.clear();
}

std::string BusServer::Attach(BusBinding* binding) {
  if (devices_.count(binding->Resource()))
    return "two instruments on the bus at " + binding->Resource();
  devices_[binding->Resource()] = binding;
  return "";
}

void BusServer::Detach(BusBinding* binding) {
  auto found = devices_.find(binding->Resource());
  if (found != devices_.end() && found->second == binding) devices_.erase(found);
}

BusBinding* BusServer::Find(std::string_view resource) const {
  auto found = devices_.find(NormaliseResource(resource));
  return found == devices_.end() ? nullptr : found->second;
}

BusBinding* BusServer::Requesting(int board) const {
  for (const auto& [resource, binding] : devices_)
    if (binding->Board() == board && binding->Device().RequestingService()) return binding;
  return nullptr;
}

void BusServer::AutoPoll(int board) {
  // The board's kernel side polls every requesting device and queues its
  // status byte: the service-request line is clear again.
  while (BusBinding* device = Requesting(board)) queued_[device->Resource()].push_back(device->Device().SerialPoll());
}

void BusServer::ServiceRequested(int board) {
  if (autopoll_[board] > 0) return AutoPoll(board);
  BusBinding* device = Requesting(board);
  if (!device) return;
  std::vector<SrqWait> waiting;
  std::erase_if(srqWaits_, [&](const SrqWait& wait) {
    if (wait.board != board) return false;
    waiting.push_back(wait);
    return true;
  });
  for (const SrqWait& wait : waiting) {
    context_.loop.Cancel(wait.timer);
    Reply(wait.session, "ok " + device->Resource());
  }
}

void BusServer::DeviceRequestedService(BusBinding* device) {
  if (!device->Device().RequestingService()) return;
  std::vector<RqsWait> waiting;
  std::erase_if(rqsWaits_, [&](const RqsWait& wait) {
    if (wait.resource != device->Resource()) return false;
    waiting.push_back(wait);
    return true;
  });
  if (waiting.empty()) return;
  // The first waiter's serial poll ends the request; the others see the same byte.
  const std::string statusByte = std::to_string(device->Device().SerialPoll());
  for (const RqsWait& wait : waiting) {
    context_.loop.Cancel(wait.timer);
    Reply(wait.session, "ok " + statusByte);
  }
}

void BusServer::AcceptAll() {
  for (;;) {
    transport::FileDescriptor fd = transport::AcceptConnection(listener_.Get());
    if (!fd.Valid()) return;
    const int id = nextSession_++;
    auto session = std::make_unique<Session>();
    std::weak_ptr<bool> alive = alive_;
    session->connection = std::make_unique<StreamConnection>(
        context_.loop, std::move(fd), [this, id](std::string_view bytes) { OnData(id, bytes); },
        [this, id, alive] {
          context_.loop.Defer([this, id, alive] {
            if (!alive.expired()) sessions_.erase(id);
          });
        });
    sessions_[id] = std::move(session);
  }
}

void BusServer::OnData(int sessionId, std::string_view bytes) {
  auto found = sessions_.find(sessionId);
  if (found == sessions_.end()) return;
  std::string& input = found->second->input;
  input.append(bytes);
  for (;;) {
    const size_t newline = input.find('\n');
    if (newline == std::string::npos) {
      if (input.size() > 4096) {
        input.clear();
        Reply(sessionId, "error badrequest line too long");
      }
      return;
    }
    std::istringstream line(input.substr(0, newline));
    std::vector<std::string> words;
    for (std::string word; line >> word;) words.push_back(word);
    size_t payloadSize = 0;
    if (!words.empty() && HasPayload(words[0])) {
      if (words.size() < 2 || !ParseSize(words.back(), &payloadSize) || payloadSize > kLargestPayload) {
        input.erase(0, newline + 1);
        Reply(sessionId, "error badrequest " + words[0] + " needs a byte count");
        continue;
      }
      if (input.size() < newline + 1 + payloadSize) return;  // the payload is still coming
    }
    const std::string payload = input.substr(newline + 1, payloadSize);
    input.erase(0, newline + 1 + payloadSize);
    if (!words.empty()) Handle(sessionId, words, payload);
    if (!sessions_.count(sessionId)) return;
  }
}

void BusServer::Handle(int sessionId, const std::vector<std::string>& words,
                       const std::string& payload) {
  const std::string& verb = words[0];
  auto argument = [&](size_t index) -> std::string {
    return index < words.size() ? words[index] : std::string();
  };
  if (verb == "hello") return Reply(sessionId, "ok swmsim-bus 1");
  if (verb == "list") {
    std::string line = "ok";
    for (const auto& [resource, binding] : devices_) line += " " + resource;
    return Reply(sessionId, line);
  }
  if (verb == "board" || verb == "srq" || verb == "waitsrq" || verb == "command" || verb == "ifc" ||
      verb == "autopoll") {
    const int board = ParseBoard(argument(1));
    if (board < 0) return Reply(sessionId, "error noboard " + argument(1));
    if (verb == "board") return Reply(sessionId, "ok " + std::to_string(boardAddress_));
    if (verb == "autopoll") {
      // Counted, as every user of the board may switch it on and off;
      // without a value, the count is only told.
      int& users = autopoll_[board];
      if (!argument(2).empty()) users = std::max(0, users + (argument(2) == "1" ? 1 : -1));
      if (users > 0) AutoPoll(board);
      return Reply(sessionId, "ok " + std::to_string(users));
    }
    if (verb == "srq") return Reply(sessionId, Requesting(board) ? "ok 1" : "ok 0");
    if (verb == "waitsrq") {
      if (BusBinding* device = Requesting(board)) return Reply(sessionId, "ok " + device->Resource());
      size_t timeoutMs = 0;
      if (!ParseSize(argument(2), &timeoutMs)) return Reply(sessionId, "error badrequest waitsrq needs a time-out");
      std::weak_ptr<bool> alive = alive_;
      auto timer = std::make_shared<int>(0);
      *timer = context_.loop.After(static_cast<uint32_t>(timeoutMs), [this, alive, sessionId, timer] {
        if (alive.expired()) return;
        std::erase_if(srqWaits_, [&](const SrqWait& wait) { return wait.timer == *timer; });
        Reply(sessionId, "timeout");
      });
      srqWaits_.push_back({sessionId, board, *timer});
      return;
    }
    for (const auto& [resource, binding] : devices_) {
      if (binding->Board() != board) continue;
      if (verb == "ifc") binding->SetLockout(false);
      for (char byte : payload) {
        if (byte == kLocalLockout) binding->SetLockout(true);
        if (byte == kDeviceClear) binding->DeviceClear();
        if (byte == kGoToLocal) binding->SetRemote(false);
      }
    }
    return Reply(sessionId, verb == "ifc" ? "ok" : "ok " + std::to_string(payload.size()));
  }
  static const char* const kDeviceVerbs[] = {"find",  "write",   "read",    "clear", "trigger", "poll", "local",
                                            "remote", "lockout", "waitrqs", "state", "set",     "rqs"};
  bool deviceVerb = false;
  for (const char* known : kDeviceVerbs) deviceVerb = deviceVerb || verb == known;
  if (!deviceVerb) return Reply(sessionId, "error badrequest unknown request " + verb);
  BusBinding* device = Find(argument(1));
  if (!device) return Reply(sessionId, "error nodevice " + argument(1));
  if (verb == "find") return Reply(sessionId, device->Device().Refusing() ? "error nolistener" : "ok");
  if (verb == "write") {
    if (!device->Write(payload)) return Reply(sessionId, "error nolistener");
    return Reply(sessionId, "ok " + std::to_string(payload.size()));
  }
  if (verb == "read") {
    size_t maxBytes = 0, timeoutMs = 0;
    if (!ParseSize(argument(2), &maxBytes) || !ParseSize(argument(3), &timeoutMs) ||
        timeoutMs > 3'600'000)
      return Reply(sessionId, "error badrequest read needs a byte count and a time-out");
    if (device->Device().Refusing()) return Reply(sessionId, "error nolistener");
    std::weak_ptr<bool> alive = alive_;
    device->Read(maxBytes, static_cast<uint32_t>(timeoutMs),
                 [this, alive, sessionId](const BusBinding::ReadResult& result) {
                   if (alive.expired()) return;
                   const std::string count = std::to_string(result.bytes.size());
                   if (result.timedOut)
                     Reply(sessionId, "timeout " + count, result.bytes);
                   else
                     Reply(sessionId, "ok " + count + (result.end ? " 1" : " 0"), result.bytes);
                 });
    return;
  }
  if (verb == "waitrqs") {
    size_t timeoutMs = 0;
    if (!ParseSize(argument(2), &timeoutMs) || timeoutMs > 3'600'000)
      return Reply(sessionId, "error badrequest waitrqs needs a time-out");
    if (device->Device().RequestingService())
      return Reply(sessionId, "ok " + std::to_string(device->Device().SerialPoll()));
    std::weak_ptr<bool> alive = alive_;
    auto timer = std::make_shared<int>(0);
    *timer = context_.loop.After(static_cast<uint32_t>(timeoutMs), [this, alive, sessionId, timer] {
      if (alive.expired()) return;
      std::erase_if(rqsWaits_, [&](const RqsWait& wait) { return wait.timer == *timer; });
      Reply(sessionId, "timeout");
    });
    rqsWaits_.push_back({sessionId, device->Resource(), *timer});
    return;
  }
  if (verb == "state") return Reply(sessionId, "ok " + device->Device().State().dump());
  if (verb == "set") {
    if (words.size() < 4) return Reply(sessionId, "error badrequest set needs a key and a value");
    std::string value = words[3];
    for (size_t i = 4; i < words.size(); ++i) value += " " + words[i];
    const std::string error = device->Device().Set(words[2], value);
    return Reply(sessionId, error.empty() ? "ok" : "error badvalue " + error);
  }
  if (verb == "clear") device->DeviceClear();
  if (verb == "trigger") {
    device->Device().Family().Trigger();
    device->Device().UpdateServiceRequest();
  }
  if (verb == "poll" || verb == "rqs") {
    // A byte the board polled automatically is answered first.
    std::deque<int>& queue = queued_[device->Resource()];
    if (verb == "rqs") return Reply(sessionId, queue.empty() ? "ok 0" : "ok 1");
    if (queue.empty()) return Reply(sessionId, "ok " + std::to_string(device->Device().SerialPoll()));
    const int statusByte = queue.front();
    queue.pop_front();
    return Reply(sessionId, "ok " + std::to_string(statusByte));
  }
  if (verb == "local") device->SetRemote(false);
  if (verb == "remote") device->SetRemote(true);
  if (verb == "lockout") device->SetLockout(true);
  Reply(sessionId, "ok");
}

void BusServer::Reply(int sessionId, const std::string& line, const std::string& payload) {
  auto found = sessions_.find(sessionId);
  if (found == sessions_.end()) return;
  found->second->connection->Send(line + "\n" + payload);
}

}  // namespace sim

#include "sim/core/ControlServer.h"

#include <nlohmann/json.hpp>
#include <cstdio>
#include <sstream>
#include <vector>

#include "sim/core/NearestName.h"
#include "sim/core/Simulator.h"
#include "sim/core/WireText.h"
#include "sim/transport/FileLinks.h"
#include "sim/transport/Poller.h"
#include "sim/transport/Sockets.h"

namespace sim {
namespace {

const char* const kRequests[] = {
    "ping", "list", "state [NAME]", "received NAME", "bytes NAME", "reset-log NAME",
    "fault NAME [FAULTS]", "set NAME KEY VALUE", "hangup NAME", "reset NAME", "restart NAME",
    "stop", "help"};

std::string Ok(const nlohmann::json& value) {
  return "ok " + value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}
std::string Ok() { return "ok"; }

// The words of a line, and the rest of the line after the first n words.
std::vector<std::string> Words(const std::string& line, size_t n, std::string* rest) {
  std::vector<std::string> words;
  size_t position = 0;
  while (words.size() < n) {
    const size_t start = line.find_first_not_of(" \t", position);
    if (start == std::string::npos) {
      position = line.size();
      break;
    }
    const size_t end = std::min(line.find_first_of(" \t", start), line.size());
    words.push_back(line.substr(start, end - start));
    position = end;
  }
  const size_t restStart = line.find_first_not_of(" \t", position);
  *rest = restStart == std::string::npos ? "" : line.substr(restStart);
  return words;
}

// " (did you mean hub?)" for the instrument nearest to a mistyped name.
std::string NearestInstrumentHint(Simulator& simulator, const std::string& name) {
  std::vector<std::string> names;
  for (Instrument* instrument : simulator.Instruments()) names.push_back(instrument->Name());
  const std::string nearest = NearestName(name, names);
  return nearest.empty() ? "" : " (did you mean " + nearest + "?)";
}

}  // namespace

std::string ExecuteControlRequest(Simulator& simulator, const std::string& line) {
  // A control character inside a word could smuggle a second request into a
  // value, or a terminal escape into the simulator's output: refused.
  for (const char c : line) {
    const auto byte = static_cast<unsigned char>(c);
    if ((byte < 0x20 && c != '\t') || byte == 0x7F) {
      char code[8];
      std::snprintf(code, sizeof code, "0x%02X", byte);
      return std::string("error control character ") + code + " in the request (one request per line)";
    }
  }
  std::string rest;
  std::vector<std::string> words = Words(line, 3, &rest);
  if (words.empty()) return "error empty request";
  const std::string& verb = words[0];
  if (verb == "ping") return Ok("swmsim");
  if (verb == "help") return Ok(kRequests);
  if (verb == "stop") {
    simulator.RequestStop();
    return Ok();
  }
  if (verb == "list") {
    nlohmann::json list = nlohmann::json::array();
    for (Instrument* instrument : simulator.Instruments())
      list.push_back({{"name", instrument->Name()},
                      {"family", instrument->FamilyName()},
                      {"transport", std::string(TransportName(instrument->Transport()))},
                      {"endpoint", instrument->Endpoint().Describe()}});
    return Ok(list);
  }
  if (verb == "state" && words.size() == 1) {
    nlohmann::json all = nlohmann::json::object();
    for (Instrument* instrument : simulator.Instruments()) all[instrument->Name()] = instrument->State();
    return Ok(all);
  }
  static const char* const kInstrumentVerbs[] = {"state", "received", "bytes",   "reset-log", "fault",
                                                  "set",   "hangup",   "reset", "restart"};
  bool known = false;
  for (const char* instrumentVerb : kInstrumentVerbs) known = known || verb == instrumentVerb;
  if (!known) return "error unknown request '" + verb + "' (try help)";
  if (words.size() < 2) return "error " + verb + " needs an instrument name";
  Instrument* instrument = simulator.Find(words[1]);
  if (!instrument) return "error no instrument named " + words[1] + NearestInstrumentHint(simulator, words[1]);
  // Requests that take the rest of the line as one argument.
  const std::string tail = words.size() > 2 ? words[2] + (rest.empty() ? "" : " " + rest) : "";
  if (verb == "fault") {
    if (tail.empty()) return Ok(instrument->CurrentFaults().Describe());
    Faults faults = instrument->CurrentFaults();
    const std::string error = ApplyFaultText(tail, &faults);
    if (!error.empty()) return "error " + error;
    instrument->SetFaults(faults);
    return Ok(faults.Describe());
  }
  if (verb == "set") {
    if (words.size() < 3) return "error set needs a key";
    const std::string error = instrument->Set(words[2], rest);
    return error.empty() ? Ok() : "error " + error;
  }
  if (!tail.empty()) return "error " + verb + " takes only an instrument name";
  if (verb == "state") return Ok(instrument->State());
  if (verb == "received") {
    nlohmann::json list = nlohmann::json::array();
    for (const std::string& command : instrument->ReceivedCommands()) list.push_back(BytesToUtf8(command));
    return Ok(list);
  }
  if (verb == "bytes") return Ok(BytesToUtf8(instrument->ReceivedBytes()));
  if (verb == "reset-log") instrument->ResetLog();
  if (verb == "hangup") instrument->Hangup();
  if (verb == "reset") instrument->Reset();
  if (verb == "restart") instrument->Restart();
  return Ok();
}

ControlServer::~ControlServer() {
  if (watch_) context_.loop.Unwatch(watch_);
  for (auto& [id, session] : sessions_) session->connection->Close();
  sessions_.clear();
  if (listener_.Valid()) {
    listener_.Reset();
    transport::RemoveSocketFile(path_);
  }
}

std::string ControlServer::Listen(const std::string& path) {
  std::string error;
  listener_ = transport::ListenUnix(path, &error);
  if (!listener_.Valid()) return error;
  path_ = path;
  watch_ = context_.loop.Watch(listener_.Get(), transport::kReadable, [this](unsigned) { AcceptAll(); });
  return "";
}

void ControlServer::AcceptAll() {
  for (;;) {
    transport::FileDescriptor fd = transport::AcceptConnection(listener_.Get());
    if (!fd.Valid()) return;
    const int id = nextSession_++;
    auto session = std::make_unique<Session>();
    Session* raw = session.get();
    std::weak_ptr<bool> alive = alive_;
    session->connection = std::make_unique<StreamConnection>(
        context_.loop, std::move(fd), [this, raw](std::string_view bytes) { OnData(*raw, bytes); },
        [this, id, alive] {
          context_.loop.Defer([this, id, alive] {
            if (!alive.expired()) sessions_.erase(id);
          });
        });
    sessions_[id] = std::move(session);
  }
}

void ControlServer::OnData(Session& session, std::string_view bytes) {
  for (std::string line : session.framer.Feed(bytes, Terminator::kLf)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.find_first_not_of(" \t") == std::string::npos) continue;
    session.connection->Send(ExecuteControlRequest(simulator_, line) + "\n");
  }
  if (session.framer.Pending().size() > 65536) {
    session.framer.Clear();
    session.connection->Send("error request line too long\n");
  }
}

}  // namespace sim

#include "HostScript.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <iomanip>
#include <sstream>
#include <strings.h>

#include "HostNames.h"
#include "SimulatorQuery.h"
#include "TypeKeys.h"
#include "sim/core/StateDump.h"
#include "swmatrix/events.h"

namespace {
std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> words;
  std::istringstream in(line);
  std::string word;
  while (in >> std::quoted(word)) words.push_back(word);
  return words;
}

bool ParseUnsigned(const std::string& text, uint32_t* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  const unsigned long parsed = std::strtoul(text.c_str(), &end, 0);
  if (*end != '\0' || parsed > UINT32_MAX) return false;
  *value = static_cast<uint32_t>(parsed);
  return true;
}

bool ParseDouble(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = std::strtod(text.c_str(), &end);
  return *end == '\0';
}

uint32_t ParseNamed(const std::string& word, const char* const* names, uint32_t count) {
  uint32_t number = 0;
  if (ParseUnsigned(word, &number)) return number;
  for (uint32_t i = 0; i < count; ++i)
    if (strcasecmp(word.c_str(), names[i]) == 0) return i + 1;
  return 0;
}

std::string Hex(uint32_t status) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08" PRIX32, status);
  return text;
}

const char* kHelp =
    "commands (NAME is a driver name you choose, FILE an INI file):\n"
    "  create NAME KEY | remove NAME | registered NAME | unregistered NAME\n"
    "  check NAME | init NAME | deinit NAME | dialog NAME\n"
    "  load NAME FILE | save NAME FILE | version NAME HOSTVERSION | frequency NAME MHZ\n"
    "  event NAME EVENT [VALUE|TEXT] | request NAME REQUEST\n"
    "  setting NAME CODE VALUE | info NAME CODE | infostring NAME CODE | error NAME CODE\n"
    "  received INSTRUMENT | state INSTRUMENT   (ask the simulator, see swmhost(1))\n"
    "  drivers | events | help | quit | exit\n"
    "EVENT and REQUEST by name or number ('events' lists them); # starts a comment.\n"
    "At the prompt: arrow keys edit and recall lines, TAB completes commands, names, keys and events.\n";
}  // namespace

uint32_t ParseEvent(const std::string& word) { return ParseNamed(word, kSwmEventNames, 84); }
uint32_t ParseRequest(const std::string& word) { return ParseNamed(word, kSwmRequestNames, 4); }

int HostScript::DriverId(const std::string& name) const {
  const auto found = drivers_.find(name);
  return found == drivers_.end() ? -1 : found->second;
}

std::vector<std::string> HostScript::DriverNames() const {
  std::vector<std::string> names;
  for (const auto& entry : drivers_) names.push_back(entry.first);
  return names;
}

bool HostScript::Report(const std::string& call, uint32_t status, int id) {
  progress_.Stop();
  out_ << call << " -> " << Hex(status);
  if (status != 0 && id >= 0) {
    const std::string text = module_.ErrorText(static_cast<uint32_t>(id), status);
    if (!text.empty()) out_ << " \"" << text << "\"";
  }
  out_ << "\n";
  return status == 0;
}

int HostScript::Run(std::istream& in) {
  int failures = 0;
  std::string line;
  while (!quitting_ && std::getline(in, line))
    if (!Execute(line)) ++failures;
  return failures;
}

bool HostScript::Execute(const std::string& line) {
  const std::string code = line.substr(0, line.find('#'));
  std::vector<std::string> words = Split(code);
  if (words.empty()) return true;
  return Call(words);
}

bool HostScript::Call(const std::vector<std::string>& w) {
  const std::string& verb = w[0];
  if (verb == "help") {
    out_ << kHelp;
    return true;
  }
  if (verb == "drivers") {
    for (const auto& [name, id] : drivers_) out_ << name << " = " << id << "\n";
    return true;
  }
  if (verb == "events") {
    ListEventsAndRequests(out_);
    return true;
  }
  if (verb == "quit" || verb == "exit") {
    quitting_ = true;
    return true;
  }
  if (verb == "received" || verb == "state") return AskSimulatorAbout(w);
  const bool ok = CallDriver(w);
  progress_.Finish();
  return ok;
}

// What an instrument of the simulator received, or its state.
bool HostScript::AskSimulatorAbout(const std::vector<std::string>& w) {
  if (w.size() != 2) return out_ << "error: " << w[0] << " INSTRUMENT (an instrument of the simulator)\n", false;
  const SimulatorAnswer answer = AskSimulator(w[0] + " " + w[1]);
  if (!answer.ok) return out_ << "error: " << answer.error << "\n", false;
  if (w[0] == "state") {
    out_ << "state " << w[1] << "\n";
    std::istringstream lines(sim::RenderForPeople(answer.value));
    for (std::string line; std::getline(lines, line);) out_ << "  " << line << "\n";
    return true;
  }
  const std::vector<std::string> commands = ReceivedCommandTexts(answer.value);
  out_ << "received " << w[1] << " -> " << commands.size() << (commands.size() == 1 ? " command\n" : " commands\n");
  for (const std::string& command : commands) out_ << "  " << command << "\n";
  return true;
}

bool HostScript::CallDriver(const std::vector<std::string>& w) {
  const std::string& verb = w[0];
  auto fail = [&](const std::string& why) {
    out_ << "error: " << why << "\n";
    return false;
  };
  const auto& commands = CommandNames();
  if (std::find(commands.begin(), commands.end(), verb) == commands.end())
    return fail("unknown command '" + verb + "' (" + DidYouMean(verb, commands) + "try help)");
  if (w.size() < 2) return fail("'" + verb + "' needs a driver name (try help)");
  const std::string& name = w[1];
  const std::string call = verb + " " + name;

  if (verb == "create") {
    if (w.size() < 3) return fail("create NAME KEY");
    uint16_t id = 0;
    progress_.Start(call);
    const uint32_t status = module_.CreateNewDeviceDriver(0, w[2].c_str(), &id);
    progress_.Stop();
    if (status == 0) drivers_[name] = id;
    out_ << call << " " << w[2] << " -> " << Hex(status);
    if (status == 0) out_ << " id " << id;
    // The module has no text for a key it does not know: say what happened.
    if (status == DRV_ERR_UNKNOWN_DEVICE_TYPE) {
      std::vector<std::string> keys;
      for (const CreatableKey& key : CreatableKeys(module_)) keys.push_back(key.key);
      out_ << " \"no driver for the type key '" << w[2] << "' in this module (" << DidYouMean(w[2], keys)
           << "'swmhost keys' lists them)\"";
    }
    out_ << "\n";
    return status == 0;
  }

  const int id = DriverId(name);
  if (id < 0) {
    const std::string hint = drivers_.empty() ? "" : " (" + DidYouMean(name, DriverNames()) + "'drivers' lists them)";
    return fail("no driver named '" + name + "'" + hint);
  }
  const auto device = static_cast<uint32_t>(id);
  progress_.Start(call);

  if (verb == "remove") {
    const uint32_t status = module_.RemoveDeviceDriver(0, device);
    if (status == 0) drivers_.erase(name);
    return Report(call, status, -1);
  }
  if (verb == "registered") return Report(call, module_.Registered(0, device), id);
  if (verb == "unregistered") return Report(call, module_.UnRegistered(0, device), id);
  if (verb == "check") return Report(call, module_.CheckDevice(0, device), id);
  if (verb == "init") return Report(call, module_.InitDevice(0, device), id);
  if (verb == "deinit") return Report(call, module_.DeInitDevice(0, device), id);
  if (verb == "dialog") return Report(call, module_.ShowConfigurationDialog(0, device), id);
  if (verb == "load" || verb == "save") {
    if (w.size() < 3) return fail(verb + " NAME FILE");
    const uint32_t status = verb == "load" ? module_.LoadConfiguration(0, device, w[2].c_str())
                                           : module_.SaveConfiguration(0, device, w[2].c_str());
    return Report(call + " " + w[2], status, id);
  }
  if (verb == "version") {
    if (w.size() < 3) return fail("version NAME HOSTVERSION");
    std::string text = w[2];
    return Report(call + " " + text,
                  module_.SetValue(0, device, SWM_VALUE_SET_HOST_VERSION, text.data(), nullptr), id);
  }
  if (verb == "frequency") {
    double mhz = 0;
    if (w.size() < 3 || !ParseDouble(w[2], &mhz)) return fail("frequency NAME MHZ");
    return Report(call + " " + w[2],
                  module_.SetValue(0, device, SWM_VALUE_SET_CW_FREQUENCY, &mhz, nullptr), id);
  }
  if (verb == "event") {
    if (w.size() < 3) return fail("event NAME EVENT [VALUE]");
    uint32_t event = ParseEvent(w[2]);
    if (event == 0 && w[2] != "0")
      return fail("unknown event '" + w[2] + "' (" + DidYouMean(w[2], EventNames()) + "'events' lists them)");
    double value = 0;
    std::string text = w.size() > 3 ? w[3] : std::string();
    void* data2 = &value;
    if (event == SWM_EVENT_SendPilotInterfaceData) {
      data2 = text.data();
    } else if (w.size() > 3 && !ParseDouble(w[3], &value)) {
      return fail("event value '" + w[3] + "' is not a number");
    }
    return Report(call + " " + w[2] + (w.size() > 3 ? " " + w[3] : ""),
                  module_.SetValue(0, device, SWM_VALUE_EVENT, &event, data2), id);
  }
  if (verb == "request") {
    if (w.size() < 3) return fail("request NAME REQUEST");
    uint32_t request = ParseRequest(w[2]);
    if (request == 0 && w[2] != "0")
      return fail("unknown request '" + w[2] + "' (" + DidYouMean(w[2], RequestNames()) + "'events' lists them)");
    union {
      uint32_t number;
      char text[1024];
    } answer{};
    const uint32_t status = module_.GetValue(0, device, SWM_VALUE_REQUEST, &request, &answer);
    const bool ok = Report(call + " " + w[2], status, id);
    if (request == SWM_REQUEST_RetrievePilotInterfaceData) {
      answer.text[sizeof answer.text - 1] = '\0';
      out_ << "  answer \"" << answer.text << "\"\n";
    } else {
      out_ << "  answer " << answer.number << "\n";
    }
    return ok;
  }
  if (verb == "setting") {
    uint32_t code = 0;
    double value = 0;
    if (w.size() < 4 || !ParseUnsigned(w[2], &code) || !ParseDouble(w[3], &value))
      return fail("setting NAME CODE VALUE");
    return Report(call + " " + w[2] + " " + w[3], module_.SetSetting(0, device, code, value), id);
  }
  if (verb == "info") {
    uint32_t code = 0;
    if (w.size() < 3 || !ParseUnsigned(w[2], &code)) return fail("info NAME CODE");
    double value = 0;
    const bool ok = Report(call + " " + w[2], module_.GetInfo(0, device, code, &value), id);
    if (ok) out_ << "  value " << value << "\n";
    return ok;
  }
  if (verb == "infostring" || verb == "error") {
    uint32_t code = 0;
    if (w.size() < 3 || !ParseUnsigned(w[2], &code)) return fail(verb + " NAME CODE");
    char buffer[1024] = {0};
    uint32_t count = 0;
    const uint32_t status =
        verb == "error" ? module_.GetErrorString(0, device, code, buffer, sizeof buffer, &count)
                        : module_.GetInfoString(0, device, code, buffer, sizeof buffer, &count);
    const bool ok = Report(call + " " + w[2], status, id);
    if (ok) out_ << "  text \"" << std::string(buffer, count) << "\"\n";
    return ok;
  }
  return fail("unknown command '" + verb + "' (try help)");
}

#include "sim/core/ConfigFile.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace sim {
namespace {

std::string Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return "";
  const size_t last = text.find_last_not_of(" \t\r");
  return std::string(text.substr(first, last - first + 1));
}

// A value written in double quotes keeps its spaces; the quotes go.
std::string Unquote(const std::string& value) {
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    return value.substr(1, value.size() - 2);
  return value;
}

bool ApplySimulatorKey(const std::string& key, const std::string& value, SimulatorConfig* config,
                       std::string* error) {
  if (key == "ports") {
    config->portsDirectory = value;
  } else if (key == "control") {
    config->controlPath = value;
  } else if (key == "bus") {
    config->busPath = value;
  } else if (key == "board-address") {
    int address = -1;
    const auto [end, failure] = std::from_chars(value.data(), value.data() + value.size(), address);
    if (failure != std::errc() || end != value.data() + value.size() || address < 0 || address > 30) {
      *error = "bad board-address '" + value + "' (0 to 30)";
      return false;
    }
    config->boardAddress = address;
  } else if (key == "portmapper" || key == "web") {
    int port = -1;
    const auto [end, failure] = std::from_chars(value.data(), value.data() + value.size(), port);
    if (failure != std::errc() || end != value.data() + value.size() || port < 0 || port > 65535) {
      *error = "bad " + key + " port '" + value + "' (0 to 65535)";
      return false;
    }
    (key == "web" ? config->web : config->portmapper) = port;
  } else {
    *error = "unknown key '" + key + "' in [simulator] (ports, control, bus, board-address, portmapper, web)";
    return false;
  }
  if (value.empty()) {
    *error = "'" + key + "' needs a value";
    return false;
  }
  return true;
}

}  // namespace

bool ParseConfig(std::string_view text, const std::string& source, SimulatorConfig* config,
                 std::string* error) {
  SimulatorConfig result;
  enum class Section { kNone, kSimulator, kInstrument } section = Section::kNone;
  std::istringstream lines{std::string(text)};
  std::string raw;
  int number = 0;
  auto fail = [&](int line, const std::string& what) {
    *error = source + ":" + std::to_string(line) + ": " + what;
    return false;
  };
  while (std::getline(lines, raw)) {
    ++number;
    const std::string line = Trim(raw);
    if (line.empty() || line[0] == '#' || line[0] == ';') continue;
    if (line.find('\0') != std::string::npos) return fail(number, "NUL byte in the line");
    if (line[0] == '[') {
      if (line.back() != ']') return fail(number, "section header without ']'");
      std::istringstream words(line.substr(1, line.size() - 2));
      std::string kind, name, extra;
      words >> kind >> name >> extra;
      if (kind == "simulator" && name.empty()) {
        section = Section::kSimulator;
      } else if (kind == "instrument" && !name.empty() && extra.empty()) {
        if (!ValidInstrumentName(name))
          return fail(number, "bad instrument name '" + name + "' (letters, digits, '_', '-', '.')");
        for (const auto& other : result.instruments)
          if (other.name == name)
            return fail(number, "instrument '" + name + "' already defined on line " +
                                    std::to_string(other.line));
        result.instruments.push_back({name, number, {}});
        section = Section::kInstrument;
      } else {
        return fail(number, "unknown section '" + line + "' ([simulator] or [instrument NAME])");
      }
      continue;
    }
    const size_t equals = line.find('=');
    if (equals == std::string::npos) return fail(number, "expected KEY = VALUE, got '" + line + "'");
    const std::string key = NormaliseKey(Trim(line.substr(0, equals)));
    const std::string value = Unquote(Trim(line.substr(equals + 1)));
    if (key.empty()) return fail(number, "a value without a key");
    if (section == Section::kNone) return fail(number, "'" + key + "' before any section");
    if (section == Section::kSimulator) {
      std::string what;
      if (!ApplySimulatorKey(key, value, &result, &what)) return fail(number, what);
      continue;
    }
    result.instruments.back().entries.push_back({key, value, number});
  }
  if (result.instruments.empty()) return fail(number, "no [instrument NAME] section");
  for (const auto& instrument : result.instruments) {
    BuiltInstrument built;
    std::string what;
    int line = 0;
    if (!BuildInstrument(instrument.name, instrument.entries, &built, &what, &line))
      return fail(line ? line : instrument.line, what);
  }
  *config = std::move(result);
  return true;
}

bool LoadConfigFile(const std::string& path, SimulatorConfig* config, std::string* error) {
  // A directory opens like a file and reads as nothing: say what it is.
  std::error_code ignored;
  errno = std::filesystem::is_directory(path, ignored) ? EISDIR : 0;
  std::ifstream file;
  if (errno == 0) file.open(path, std::ios::binary);
  if (!file.is_open()) {
    *error = "cannot read " + path + ": " + std::strerror(errno ? errno : EIO);
    return false;
  }
  std::ostringstream text;
  text << file.rdbuf();
  return ParseConfig(text.str(), path, config, error);
}

}  // namespace sim

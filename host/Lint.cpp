#include "Lint.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <sstream>

#include "platform/ProcessLauncher.h"
#include "platform/SharedLibrary.h"
#include "settings/FileEncoding.h"
#include "settings/IniDocument.h"

namespace fs = std::filesystem;

namespace {
// Keys every driver reads but none saves (see docs/configuration.md, "Tables of every driver").
bool ReadButNotSaved(const std::string& section, const std::string& key) {
  if (IniDocument::Fold(section) != "common") return false;
  const std::string folded = IniDocument::Fold(key);
  return folded == "description" || folded == "devicebrand" || folded == "devicetype" || folded == "advancedpressed";
}

std::string Hex(uint32_t status) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(status));
  return text;
}

// The bytes of the file, or nothing with the reason.
std::optional<std::string> ReadBytes(const std::string& path, std::string* error) {
  std::error_code code;
  if (fs::is_directory(path, code)) return *error = "is a directory", std::nullopt;
  std::ifstream file(path, std::ios::binary);
  if (!file) return *error = fs::exists(path, code) ? "cannot be read" : "no such file", std::nullopt;
  std::ostringstream bytes;
  bytes << file.rdbuf();
  return bytes.str();
}

IniDocument Parsed(const std::string& bytes) {
  FileEncoding encoding;
  return IniDocument(DecodeFileText(bytes, &encoding));
}

std::optional<double> Number(std::string_view text) {
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (copy.empty() || end != copy.c_str() + copy.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

// Whether the saved value is the written one in the form the store writes
// it: the same text, the same number (reals are saved with six significant
// digits), or a boolean word saved as 1 or 0.
bool TakenAsWritten(std::string_view written, std::string_view saved) {
  if (written == saved) return true;
  const auto a = Number(written), b = Number(saved);
  if (a && b) return std::fabs(*a - *b) <= 5e-6 * std::max(std::fabs(*a), std::fabs(*b));
  if (saved != "0" && saved != "1") return false;
  static const std::map<std::string, bool> kWords = {
      {"true", true}, {"ok", true},  {"on", true},    {"yes", true},  {"ja", true},   {"si", true},
      {"false", false}, {"off", false}, {"no", false}, {"nee", false}, {"non", false}};
  const auto word = kWords.find(IniDocument::Fold(written));
  return word != kWords.end() && word->second == (saved == "1");
}

std::string LastPart(const std::string& section) {
  const size_t dot = section.rfind('.');
  return dot == std::string::npos ? section : section.substr(dot + 1);
}

std::string Parent(const std::string& section) {
  const size_t dot = section.rfind('.');
  return dot == std::string::npos ? std::string() : section.substr(0, dot);
}

// The transport table a stream configuration's "Selected" name uses.
std::string TableOfTransport(const std::string& selected) {
  const std::string name = IniDocument::Fold(selected);
  if (name == "rs-232") return "rs232";
  if (name == "gpib" || name == "compliantgpib") return "gpib";
  if (name == "visa") return "visa";
  return "";
}

// A value that holds a path in the Windows form: a drive letter and a
// backslash (C:\...) or a network share (\\server\...), at its start or
// after a blank, quote or '='.
bool HasWindowsPath(std::string_view value) {
  for (size_t at = 0; at < value.size(); ++at) {
    if (at > 0 && std::string_view(" \t\"'=").find(value[at - 1]) == std::string_view::npos) continue;
    const bool drive = at + 2 < value.size() && std::isalpha(static_cast<unsigned char>(value[at])) &&
                       value[at + 1] == ':' && value[at + 2] == '\\';
    if (drive || value.substr(at).starts_with("\\\\")) return true;
  }
  return false;
}

class FileLint {
public:
  FileLint(std::string file, std::ostream& out) : file_(std::move(file)), out_(out) {}

  int Count() const { return count_; }

  void Report(const std::string& section, const std::string& key, const std::string& text) {
    out_ << file_ << ": ";
    if (!section.empty() || !key.empty()) out_ << "[" << section << "]" << (key.empty() ? "" : " " + key) << ": ";
    out_ << text << "\n";
    ++count_;
  }
  void Report(const std::string& text) { Report("", "", text); }

  // Keys of the file that the driver does not save, or saves otherwise.
  void Compare(const IniDocument& file, const IniDocument& saved, const std::string& key) {
    std::map<std::string, bool> seenSections;
    for (const std::string& section : file.SectionNames()) {
      if (seenSections[IniDocument::Fold(section)]) {
        Report(section, "", "the section appears again; only its first appearance counts");
        continue;
      }
      seenSections[IniDocument::Fold(section)] = true;
      std::map<std::string, bool> seenKeys;
      for (const std::string& name : file.KeyNames(section)) {
        if (seenKeys[IniDocument::Fold(name)]) {
          Report(section, name, "the key appears again in the section; only its first value counts");
          continue;
        }
        seenKeys[IniDocument::Fold(name)] = true;
        if (ReadButNotSaved(section, name)) continue;
        const std::string written(*file.Find(section, name));
        const auto kept = saved.Find(section, name);
        if (!kept) {
          Report(section, name, "not read by " + key);
        } else if (!TakenAsWritten(written, *kept)) {
          Report(section, name, "'" + written + "' is not taken as written: the driver keeps '" + std::string(*kept) + "'");
        }
      }
    }
  }

  // The settings the driver holds, checked against this machine.
  void CheckEnvironment(const IniDocument& file, const IniDocument& saved) {
    for (const std::string& section : saved.SectionNames()) {
      const std::string table = IniDocument::Fold(LastPart(section));
      const std::string parent = Parent(section);
      bool used = false;
      if (IniDocument::Fold(LastPart(parent)) == "stream config") {
        const auto selected = saved.Find(parent, "Selected");
        used = selected && TableOfTransport(std::string(*selected)) == table;
      } else {
        used = !file.KeyNames(section).empty();
      }
      for (const std::string& key : saved.KeyNames(section)) {
        const std::string value(*saved.Find(section, key));
        const std::string folded = IniDocument::Fold(key);
        if (HasWindowsPath(value)) Report(section, key, "'" + value + "' is a path in the Windows form");
        if (table == "program" && !value.empty()) CheckProgram(section, key, value);
        if (!used) continue;
        if (table == "rs232" && folded == "comport") CheckSerialPort(section, key, value);
        if (table == "gpib" && folded.ends_with("board")) CheckGpibBoard(section, key, value);
        if (table == "visa" && folded == "identifier") CheckVisaLibrary(section, key);
      }
    }
  }

private:
  void CheckSerialPort(const std::string& section, const std::string& key, const std::string& value) {
    const char* variable = std::getenv("SWMATRIX_PORTS");
    const std::string directory = variable && *variable ? variable : "/etc/swmatrix/ports";
    const std::string port = "COM" + value;
    const fs::path link = fs::path(directory) / port;
    std::error_code code;
    if (!fs::is_symlink(link, code) && !fs::exists(link, code)) {
      Report(section, key, port + " has no device: there is no link " + link.string());
    } else if (!fs::exists(link, code)) {
      Report(section, key, port + " has no device: " + link.string() + " links to " +
                               fs::read_symlink(link, code).string() + ", which does not exist");
    }
  }

  // The board as the module finds it: by the name GPIBn, else by its index n.
  // Neither opening addresses an instrument; both descriptors are given back.
  void CheckGpibBoard(const std::string& section, const std::string& key, const std::string& value) {
    using Find = int (*)(const char*);
    using Device = int (*)(int, int, int, int, int, int);
    using Online = int (*)(int, int);
    const std::string name = SharedLibrary::Choose("SWMATRIX_GPIB_LIBRARY", "libgpib.so.0");
    std::string error;
    void* library = SharedLibrary::Open(name, &error);
    const auto find = library ? reinterpret_cast<Find>(SharedLibrary::Find(library, "ibfind")) : nullptr;
    const auto device = library ? reinterpret_cast<Device>(SharedLibrary::Find(library, "ibdev")) : nullptr;
    const auto online = library ? reinterpret_cast<Online>(SharedLibrary::Find(library, "ibonl")) : nullptr;
    if (!find || !device || !online) {
      Report(section, key, "the GPIB library " + name + " cannot be loaded" + (error.empty() ? "" : ": " + error));
      return;
    }
    const std::string board = "GPIB" + value;
    int descriptor = find(board.c_str());
    constexpr int kOneSecond = 11, kAssertEoi = 1;
    if (descriptor < 0) descriptor = device(std::atoi(value.c_str()), 0, 0, kOneSecond, kAssertEoi, 0);
    if (descriptor < 0) {
      Report(section, key, "GPIB board " + value + " is not configured (the GPIB library knows no board " + board +
                               " nor board index " + value + ")");
      return;
    }
    online(descriptor, 0);
  }

  void CheckVisaLibrary(const std::string& section, const std::string& key) {
    const std::string chosen = SharedLibrary::Choose("SWMATRIX_VISA_LIBRARY", "");
    const std::vector<std::string> names =
        chosen.empty() ? std::vector<std::string>{"libvisa.so.0", "libvisa.so", "librsvisa.so", "libktvisa32.so.0",
                                                  "libktvisa32.so"}
                       : std::vector<std::string>{chosen};
    std::string loaded, error;
    void* library = SharedLibrary::OpenFirst(names, &loaded, &error);
    if (!library) Report(section, key, "no VISA library can be loaded (" + error + ")");
    else if (!SharedLibrary::Find(library, "viOpenDefaultRM"))
      Report(section, key, "the VISA library " + loaded + " has no viOpenDefaultRM");
  }

  void CheckProgram(const std::string& section, const std::string& key, const std::string& line) {
    std::vector<std::string> words;
    if (!SplitCommandLine(line, &words)) return Report(section, key, "the command line has an unterminated quote");
    if (words.empty()) return;
    const std::string& program = words.front();
    std::string path = program;
    if (program.find('/') == std::string::npos) {
      path.clear();
      const char* variable = std::getenv("PATH");
      std::istringstream directories(variable ? variable : "/usr/bin:/bin");
      for (std::string directory; path.empty() && std::getline(directories, directory, ':');)
        if (IsExistingFile((directory.empty() ? "." : directory) + "/" + program))
          path = (directory.empty() ? "." : directory) + "/" + program;
      if (path.empty()) return Report(section, key, "the program " + program + " is not found in PATH");
    } else if (!IsExistingFile(path)) {
      return Report(section, key, "the program " + program + " does not exist");
    }
    if (!IsExecutableFile(path)) Report(section, key, "the program " + path + " is not executable");
  }

  std::string file_;
  std::ostream& out_;
  int count_ = 0;
};

// A scratch file for what a driver saves, removed when it goes.
class ScratchFile {
public:
  ScratchFile() : path_((fs::temp_directory_path() / ("swmhost-lint-" + std::to_string(getpid()) + ".ini")).string()) {}
  ~ScratchFile() {
    std::error_code ignored;
    fs::remove(path_, ignored);
  }
  const std::string& Path() const { return path_; }

private:
  std::string path_;
};

int LintFile(swm::Module& module, uint16_t id, const std::string& key, const std::string& path, bool connect,
             std::ostream& out) {
  FileLint lint(path, out);
  std::string error;
  const std::optional<std::string> bytes = ReadBytes(path, &error);
  if (!bytes) return lint.Report(error), lint.Count();
  const uint32_t loaded = module.LoadConfiguration(0, id, path.c_str());
  if (loaded != 0)
    lint.Report("LoadConfiguration -> " + Hex(loaded) + " \"" + module.ErrorText(id, loaded) + "\"");
  ScratchFile scratch;
  const uint32_t saved = module.SaveConfiguration(0, id, scratch.Path().c_str());
  if (saved != 0) return lint.Report("SaveConfiguration -> " + Hex(saved) + " \"" + module.ErrorText(id, saved) + "\""), lint.Count();
  const IniDocument file = Parsed(*bytes);
  const IniDocument kept = Parsed(ReadBytes(scratch.Path(), &error).value_or(""));
  lint.Compare(file, kept, key);
  lint.CheckEnvironment(file, kept);
  if (connect) {
    const uint32_t status = module.CheckDevice(0, id);
    if (status != 0) lint.Report("CheckDevice -> " + Hex(status) + " \"" + module.ErrorText(id, status) + "\"");
  }
  return lint.Count();
}

// Prints the findings of every file; their number, -1 when no driver of type key can be created.
int LintFiles(swm::Module& module, const std::string& key, const std::vector<std::string>& files, bool connect,
              std::ostream& out, std::ostream& err) {
  int findings = 0;
  for (const std::string& file : files) {
    // A new driver per file: nothing of one file shows in the next.
    uint16_t id = 0;
    const uint32_t created = module.CreateNewDeviceDriver(0, key.c_str(), &id);
    if (created != 0) {
      err << "swmhost: no driver of type " << key << " (" << Hex(created) << "; 'swmhost keys' lists the types)\n";
      return -1;
    }
    findings += LintFile(module, id, key, file, connect, out);
    module.RemoveDeviceDriver(0, id);
  }
  return findings;
}
}  // namespace

int RunLint(swm::Module& module, std::vector<std::string> arguments, std::ostream& out, std::ostream& err) {
  const bool connect = !arguments.empty() && arguments.front() == "--connect";
  if (connect) arguments.erase(arguments.begin());
  if (arguments.size() < 2) {
    err << "swmhost: wrong arguments (try 'swmhost --help')\n";
    return 2;
  }
  // A dialog the driver would show while loading never waits for an answer.
  setenv("SWMATRIX_MESSAGEBOX", "ok", 0);
  const std::vector<std::string> files(arguments.begin() + 1, arguments.end());
  const int findings = LintFiles(module, arguments.front(), files, connect, out, err);
  return findings < 0 ? 2 : findings > 0 ? 1 : 0;
}

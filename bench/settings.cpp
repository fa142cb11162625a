// The INI settings store: loading a file of 1000 keys (side by side with
// Python's configparser on the same file) and saving 1000 keys, each write
// replacing the file atomically.
#include <benchmark/benchmark.h>
#include <stdio.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "settings/INIProgramSettingsDatabase.h"

namespace {
constexpr int kSections = 20;
constexpr int kKeysPerSection = 50;  // 1000 keys in all

std::string NewDirectory() {
  std::string pattern = (std::filesystem::temp_directory_path() / "swm-bench-XXXXXX").string();
  if (!mkdtemp(pattern.data())) return {};
  return pattern;
}

std::string SectionName(int s) { return "Driver " + std::to_string(s) + ".Stream Config"; }
std::string KeyName(int k) { return "Setting" + std::to_string(k); }

// Keys of four kinds in turn: integer, real, text, boolean.
void WriteValue(ProgramSettingsDatabase& store, int k) {
  switch (k % 4) {
    case 0: store.Write(KeyName(k), k * 37); break;
    case 1: store.Write(KeyName(k), k * 0.125); break;
    case 2: store.Write(KeyName(k), wxString::Format("text value number %d", k)); break;
    default: store.Write(KeyName(k), k % 3 == 0); break;
  }
}

long ReadValue(ProgramSettingsDatabase& store, int k) {
  switch (k % 4) {
    case 0: return store.Read(KeyName(k), 0);
    case 1: return static_cast<long>(store.Read(KeyName(k), 0.0));
    case 2: return static_cast<long>(store.Read(KeyName(k), wxString()).length());
    default: return store.Read(KeyName(k), false) ? 1 : 0;
  }
}

void SaveAll(const std::string& path) {
  auto store = CreateINIProgramSettingsDatabase(path);
  store->Open();
  for (int s = 0; s < kSections; ++s) {
    store->PushTable(SectionName(s));
    for (int k = 0; k < kKeysPerSection; ++k) WriteValue(*store, k);
    store->PopTable();
  }
  store->Close();
}

long LoadAll(const std::string& path) {
  auto store = CreateINIProgramSettingsDatabase(path);
  store->Open();
  long sum = 0;
  for (int s = 0; s < kSections; ++s) {
    store->PushTable(SectionName(s));
    for (int k = 0; k < kKeysPerSection; ++k) sum += ReadValue(*store, k);
    store->PopTable();
  }
  store->Close();
  return sum;
}

// Seconds per load of the file by configparser, every value fetched, timed inside Python.
double ConfigParserSecondsPerLoad(const std::string& path, int loads) {
  const std::string script = std::filesystem::path(path).parent_path() / "load.py";
  std::ofstream(script) << "import configparser, sys, time\n"
                           "path, loads = sys.argv[1], int(sys.argv[2])\n"
                           "start = time.perf_counter()\n"
                           "for _ in range(loads):\n"
                           "    parser = configparser.ConfigParser(interpolation=None)\n"
                           "    parser.read(path, encoding='utf-8')\n"
                           "    for section in parser.sections():\n"
                           "        for key, value in parser.items(section):\n"
                           "            pass\n"
                           "print((time.perf_counter() - start) / loads)\n";
  const std::string command = "python3 '" + script + "' '" + path + "' " + std::to_string(loads);
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return 0;
  char line[64] = {};
  const bool got = fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  return got ? atof(line) : 0;
}

void BM_Load1000Keys(benchmark::State& state) {
  const std::string dir = NewDirectory();
  const std::string path = dir + "/load.ini";
  SaveAll(path);
  long sum = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) benchmark::DoNotOptimize(sum += LoadAll(path));
  const double ours =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
      static_cast<double>(state.iterations());
  const double python = ConfigParserSecondsPerLoad(path, 200);
  state.counters["ours_ms"] = ours * 1e3;
  state.counters["configparser_ms"] = python * 1e3;
  state.counters["configparser_over_ours"] = ours > 0 ? python / ours : 0;
  std::filesystem::remove_all(dir);
  if (python <= 0) state.SkipWithError("python3 with configparser did not run");
}
BENCHMARK(BM_Load1000Keys)->Unit(benchmark::kMillisecond);

void BM_Save1000Keys(benchmark::State& state) {
  const std::string dir = NewDirectory();
  const std::string path = dir + "/save.ini";
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(path);
    state.ResumeTiming();
    SaveAll(path);
  }
  state.counters["per_write_us"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kSections * kKeysPerSection,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_Save1000Keys)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();
}  // namespace

BENCHMARK_MAIN();

// Checks docs/configuration.md against the drivers: every driver the registry
// can create is loaded and saved through a recording store, and what it reads
// and writes must be what its table in the document lists.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "framework/DeviceDriverBase.h"
#include "interface/DeviceTypeRegistry.h"
#include "settings/INIProgramSettingsDatabase.h"
#include "settings/IniDocument.h"
#include "settings/NarrowText.h"
#include "support/TestFiles.h"

namespace {
struct Row {
  std::string section, key, type, defaultValue, saved;
  bool operator==(const Row&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Row& row) {
  return out << "| " << row.section << " | " << row.key << " | " << row.type << " | "
             << row.defaultValue << (row.defaultValue.empty() ? "| " : " | ") << row.saved << " |";
}

// A store that answers every read with its default and records each access.
class RecordingStore : public TableFullPathProgramSettingsDatabase {
public:
  RecordingStore() : TableFullPathProgramSettingsDatabase("recording") {}
  using ProgramSettingsDatabase::Read;
  using ProgramSettingsDatabase::Write;

  void WriteNarrow(const std::string& k, const std::string& v) override { Wrote(k, "text", v); }
  void Write(const std::string& k, const wxString& v) override { Wrote(k, "text", NarrowFromWide(v)); }
  void Write(const std::string& k, unsigned int v) override { Wrote(k, "unsigned", std::to_string(v)); }
  void Write(const std::string& k, int v) override { Wrote(k, "integer", std::to_string(v)); }
  void Write(const std::string& k, unsigned long v) override { Wrote(k, "unsigned", std::to_string(v)); }
  void Write(const std::string& k, long v) override { Wrote(k, "integer", std::to_string(v)); }
  void Write(const std::string& k, float v) override { Wrote(k, "real", Real(v)); }
  void Write(const std::string& k, double v) override { Wrote(k, "real", Real(v)); }
  void Write(const std::string& k, bool v) override { Wrote(k, "bool", v ? "1" : "0"); }

  std::string ReadNarrow(const std::string& k, const std::string& d) override { return Got(k, "text", d, d); }
  wxString Read(const std::string& k, const wxString& d) override { return Got(k, "text", NarrowFromWide(d), d); }
  unsigned int Read(const std::string& k, unsigned int d) override { return Got(k, "unsigned", std::to_string(d), d); }
  int Read(const std::string& k, int d) override { return Got(k, "integer", std::to_string(d), d); }
  unsigned long Read(const std::string& k, unsigned long d) override { return Got(k, "unsigned", std::to_string(d), d); }
  long Read(const std::string& k, long d) override { return Got(k, "integer", std::to_string(d), d); }
  double Read(const std::string& k, double d) override { return Got(k, "real", Real(d), d); }
  float Read(const std::string& k, float d) override { return Got(k, "real", Real(d), d); }
  bool Read(const std::string& k, bool d) override { return Got(k, "bool", d ? "1" : "0", d); }

  // The rows in order of first access.
  std::vector<Row> Rows() const { return rows_; }

private:
  static std::string Real(double v) { return INIProgramSettingsDatabase::FormatReal(v); }

  Row& RowOf(const std::string& key, const std::string& type, const std::string& value) {
    const std::string section = NarrowFromWide(FullTablePath());
    for (Row& row : rows_)
      if (IniDocument::Fold(row.section) == IniDocument::Fold(section) &&
          IniDocument::Fold(row.key) == IniDocument::Fold(key))
        return row;
    rows_.push_back({section, key, type, value, "no"});
    return rows_.back();
  }
  template <typename T>
  T Got(const std::string& key, const std::string& type, const std::string& text, T value) {
    RowOf(key, type, text);
    return value;
  }
  void Wrote(const std::string& key, const std::string& type, const std::string& text) {
    if (IsOpen()) RowOf(key, type, text).saved = "yes";
  }

  std::vector<Row> rows_;
};

std::string Trim(const std::string& s) {
  const size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(' ') - first + 1);
}

// The table rows under each "### KEY" heading of the drivers' part of the document.
std::map<std::string, std::vector<Row>> DocumentedTables() {
  std::ifstream in(std::string(SWM_SOURCE_DIR) + "/docs/configuration.md");
  EXPECT_TRUE(in.good());
  std::map<std::string, std::vector<Row>> tables;
  std::string line, current;
  bool inDrivers = false;
  while (std::getline(in, line)) {
    if (line.starts_with("## ")) {
      inDrivers = line == "## Tables of every driver";
      current.clear();
      continue;
    }
    if (!inDrivers) continue;
    if (line.starts_with("### ")) {
      current = Trim(line.substr(4));
      tables[current];
      continue;
    }
    if (current.empty() || !line.starts_with("|") || line.starts_with("|---") ||
        line.starts_with("| Section "))
      continue;
    // Cells end at "|"; "\\|" stands for a "|" inside a cell (a regular expression's alternation).
    std::vector<std::string> cells;
    std::string cell;
    for (size_t i = 1; i < line.size(); ++i) {
      if (line[i] == '\\' && i + 1 < line.size() && line[i + 1] == '|') {
        cell += '|';
        ++i;
      } else if (line[i] == '|') {
        cells.push_back(Trim(cell));
        cell.clear();
      } else {
        cell += line[i];
      }
    }
    if (cells.size() >= 5) tables[current].push_back({cells[0], cells[1], cells[2], cells[3], cells[4]});
  }
  return tables;
}
}  // namespace

TEST(ConfigurationDoc, ListsExactlyWhatEachDriverReadsAndWrites) {
  const auto documented = DocumentedTables();
  std::set<std::string> creatable;
  for (const DeviceTypeEntry& entry : DeviceTypeEntries()) {
    if (!entry.create) continue;
    const std::string key(entry.key);
    creatable.insert(key);
    std::unique_ptr<DeviceDriverBase> driver(entry.create());
    auto store = std::make_shared<RecordingStore>();
    store->Open();
    EXPECT_EQ(driver->LoadConfigurationFrom(0, store), 0u) << key;
    EXPECT_EQ(driver->SaveConfigurationTo(0, store), 0u) << key;
    const std::vector<Row> rows = store->Rows();

    std::stringstream expected;
    for (const Row& row : rows) expected << row << "\n";
    // tools/update-configuration-doc asks for every table, to rewrite the document from them.
    if (const char* dump = std::getenv("SWM_CONFIGURATION_TABLES")) {
      std::ofstream out(dump, std::ios::app);
      out << "### " << key << "\n";
      auto cell = [](std::string text) {  // a "|" inside a cell is written "\|"
        for (size_t at = text.find('|'); at != std::string::npos; at = text.find('|', at + 2)) text.insert(at, "\\");
        return text;
      };
      for (const Row& row : rows)
        out << Row{cell(row.section), cell(row.key), row.type, cell(row.defaultValue), row.saved} << "\n";
    }
    const auto table = documented.find(key);
    if (table == documented.end()) {
      ADD_FAILURE() << "docs/configuration.md has no table for " << key << "; it should read:\n" << expected.str();
      continue;
    }
    EXPECT_EQ(table->second, rows) << "the table of " << key << " should read:\n" << expected.str();

    // And what a real save puts into an INI file are the rows marked saved.
    TestDirectory dir;
    const std::string path = dir.File("saved.ini");
    EXPECT_EQ(driver->SaveConfiguration(0, path.c_str()), 0u);
    const IniDocument file(ReadFile(path));
    std::set<std::pair<std::string, std::string>> inFile, markedSaved;
    for (const std::string& section : file.SectionNames())
      for (const std::string& name : file.KeyNames(section)) inFile.emplace(section, name);
    for (const Row& row : rows)
      if (row.saved == "yes") markedSaved.emplace(row.section, row.key);
    EXPECT_EQ(inFile, markedSaved) << key;
  }
  for (const auto& [key, rows] : documented)
    EXPECT_TRUE(creatable.count(key)) << "docs/configuration.md documents " << key
                                       << ", which the module cannot create";
  EXPECT_FALSE(creatable.empty());
}

// Every driver the registry can create keeps every setting it stores: each
// value of its saved file is changed to another valid value, loaded and saved
// into an empty file, and must come back; then all of them at once, and a
// further load and save must give the same file byte for byte.
//
// The settings are found in the saved file itself, and the changed value
// follows from the form of the value (a number, a real, a transport name, a
// text; a text is tried first as a quoted command line, '...' '...', which
// must come back whenever a plain text does), so that drivers added later
// are covered as they are. Files are read and written as the module does.
// A value is valid when a driver keeps it; a setting for which no candidate
// is kept fails, unless it is a copy of another setting that the driver reads later
// (it then follows that one: "Communication" and "Selected", [RS232] and
// [Stream Config.RS232], ...). Copies are recognised by their effect: when a
// changed value also changes another key in the saved file, both are one
// setting, and after changing the one read last both copies must agree.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <numeric>
#include <regex>
#include <set>
#include <sstream>

#include "framework/DeviceDriverBase.h"
#include "interface/DeviceTypeRegistry.h"
#include "settings/IniDocument.h"
#include "support/IsolatedKeySession.h"
#include "support/TestFiles.h"

namespace {
using Key = std::pair<std::string, std::string>;  // section, key (as written)
using Values = std::map<Key, std::string>;

// The values as the module's reader gives them (trimmed, one pair of enclosing quotes taken off).
Values Parse(const std::string& text) {
  Values values;
  const IniDocument doc(text);
  for (const std::string& section : doc.SectionNames())
    for (const std::string& key : doc.KeyNames(section)) values.emplace(Key{section, key}, *doc.Find(section, key));
  return values;
}

// The file the module's writer makes of the values.
std::string Render(const Values& values) {
  IniDocument doc;
  for (const auto& [key, value] : values) EXPECT_TRUE(doc.Set(key.first, key.second, value)) << key.second;
  return doc.Text();
}

// The UTF-8 text as a file in Latin-1 and, unless latin1Only, in UTF-16
// (little and big endian) with a byte order mark; characters beyond Latin-1
// are written as '?' in the Latin-1 file.
std::vector<std::pair<std::string, std::string>> Encodings(const std::string& text, bool all = true) {
  const wxString wide = wxString::FromUTF8(text);
  std::string latin1;
  for (const wxUniChar c : wide) latin1 += c.GetValue() <= 0xFF ? static_cast<char>(c.GetValue()) : '?';
  std::vector<std::pair<std::string, std::string>> files{{"Latin-1", latin1}};
  if (!all) return files;
  for (const bool big : {false, true}) {
    std::string bytes = big ? "\xFE\xFF" : "\xFF\xFE";
    const wxScopedCharBuffer units = big ? wide.mb_str(wxMBConvUTF16BE()) : wide.mb_str(wxMBConvUTF16LE());
    bytes.append(units.data(), units.length());
    files.emplace_back(big ? "UTF-16 BE" : "UTF-16 LE", bytes);
  }
  return files;
}

// A text that begins and ends with a quote of its own.
std::string QuotedText(const std::string& value) { return "'" + value + "x' 'y'"; }

// Other values of the same form, most likely valid first.
std::vector<std::string> Candidates(const std::string& value) {
  static const std::vector<std::string> transports = {"RS-232", "TCPIP", "UDP", "HTTP", "GPIB", "CompliantGPIB",
                                                      "VISA", "USB", "USB_D2xx", "RSIB", "Manual"};
  // Enumerations that are stored by their names (the OSP frame's module per slot).
  static const std::vector<std::string> enumerationNames = {"NoModuleSelected", "ModuleOSP_B101", "ModuleOSP_B107"};
  std::vector<std::string> out;
  const auto add = [&](const std::string& candidate) {
    if (candidate != value && std::find(out.begin(), out.end(), candidate) == out.end()) out.push_back(candidate);
  };
  static const std::regex integer("-?[0-9]+"), real("-?[0-9.]+(E[-+][0-9]+)?");
  if (std::find(transports.begin(), transports.end(), value) != transports.end()) {
    for (const std::string& t : transports) add(t);
  } else if (std::regex_match(value, integer)) {
    const long long n = std::stoll(value);
    for (long long c : {n + 1, n - 1, 1LL, 2LL, 0LL, 3LL, 4LL, n + 2, 5LL, 8LL}) add(std::to_string(c));
  } else if (std::regex_match(value, real)) {
    for (const char* c : {"2.5", "0.75", "12.5", "1"}) add(c);
  } else if (std::find(enumerationNames.begin(), enumerationNames.end(), value) != enumerationNames.end()) {
    for (const std::string& name : enumerationNames) add(name);
  } else {
    add(QuotedText(value));  // as a quoted command line: kept whenever the plain text is
    add(value + "x");
    add("127.0.0.1:5025");
    add("x");
  }
  return out;
}

class RoundTrip {
public:
  RoundTrip(std::string key, const TestDirectory& dir) : key_(std::move(key)), dir_(dir) {}

  // Loads text into a new driver and saves it into an empty file; the values saved.
  Values Through(const std::string& text) {
    const std::string in = dir_.File("in.ini"), out = dir_.File("out.ini");
    WriteFile(in, text);
    std::remove(out.c_str());
    std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver(key_);
    EXPECT_EQ(driver->LoadConfiguration(0, in.c_str()), 0u) << key_;
    EXPECT_EQ(driver->SaveConfiguration(0, out.c_str()), 0u) << key_;
    return Parse(ReadFile(out));
  }

  std::string Fresh() {
    const std::string path = dir_.File("fresh.ini");
    std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver(key_);
    EXPECT_EQ(driver->SaveConfiguration(0, path.c_str()), 0u);
    return ReadFile(path);
  }

private:
  std::string key_;
  const TestDirectory& dir_;
};

// The keys whose saved value differs between two files.
std::set<Key> Changed(const Values& before, const Values& after) {
  std::set<Key> changed;
  for (const auto& [key, value] : before) {
    auto found = after.find(key);
    if (found == after.end() || found->second != value) changed.insert(key);
  }
  return changed;
}

std::string Name(const Key& key) { return "[" + key.first + "] " + key.second; }

// Settings that follow others and cannot be changed alone: the number of a
// board's cards is the number of card tables it finds (a fresh board has
// none; boards with cards are covered by the board's own end-to-end test).
// Settings that have no other valid value of their own: a board's card count
// follows its card tables, and the selected transport of a driver that offers
// one transport only (every other transport was tried and refused) stays.
bool FollowsOtherSettings(const Key& key) {
  if (key == Key{"MultiSwitch", "Count"}) return true;
  const std::string& section = key.first;
  return key.second == "Selected" && section.size() >= 13 && section.compare(section.size() - 13, 13, "Stream Config") == 0;
}

class SettingsRoundTripTest : public testing::TestWithParam<std::string> {};

TEST_P(SettingsRoundTripTest, EveryStoredSettingSurvivesAChange) {
  TestDirectory dir;
  RoundTrip trip(GetParam(), dir);
  // The settings as a driver that went through one load and save stores them.
  const Values base = trip.Through(trip.Fresh());

  // Each setting alone: the first candidate kept, and what else it changed.
  struct Kept {
    std::string value;
    std::set<Key> effects;
    Values saved;
  };
  std::map<Key, Kept> kept;
  for (const auto& [key, value] : base) {
    for (const std::string& candidate : Candidates(value)) {
      Values changed = base;
      changed[key] = candidate;
      const Values saved = trip.Through(Render(changed));
      auto found = saved.find(key);
      if (found == saved.end() || found->second != candidate) continue;
      if (candidate == value + "x")
        ADD_FAILURE() << GetParam() << ": " << Name(key) << " keeps " << candidate << " but not " << QuotedText(value);
      std::set<Key> effects = Changed(base, saved);
      effects.erase(key);
      kept[key] = {candidate, effects, saved};
      break;
    }
  }
  // Settings stored twice: a key that changes with another is its copy.
  std::map<Key, Key> group;  // key -> representative
  const auto find = [&](Key k) {
    while (group.count(k) && group[k] != k) k = group[k];
    return k;
  };
  for (const auto& [key, value] : base) group[key] = key;
  for (const auto& [key, result] : kept)
    for (const Key& effect : result.effects) group[find(effect)] = find(key);
  std::map<Key, std::vector<Key>> members;
  for (const auto& [key, value] : base) members[find(key)].push_back(key);

  Values all = base, expected = base;
  for (const auto& [representative, keys] : members) {
    std::vector<Key> changeable;
    for (const Key& key : keys)
      if (kept.count(key)) changeable.push_back(key);
    if (changeable.empty()) {
      for (const Key& key : keys)
        if (!FollowsOtherSettings(key))
          ADD_FAILURE() << GetParam() << ": " << Name(key) << "=" << base.at(key) << " keeps no other value";
      continue;
    }
    // The copy read last wins when all copies change at once; the others follow it.
    Key winner = changeable.front();
    if (changeable.size() > 1) {
      Values together = base;
      for (const Key& key : changeable) together[key] = kept[key].value;
      const Values saved = trip.Through(Render(together));
      auto wins = std::find_if(changeable.begin(), changeable.end(), [&](const Key& key) {
        auto found = saved.find(key);
        return found != saved.end() && found->second == kept[key].value;
      });
      if (wins == changeable.end()) {
        ADD_FAILURE() << GetParam() << ": no copy of " << Name(changeable.front()) << " keeps its change";
        continue;
      }
      winner = *wins;
    }
    all[winner] = kept[winner].value;
    expected[winner] = kept[winner].value;
    for (const Key& effect : kept[winner].effects) expected[effect] = kept[winner].saved.at(effect);
  }

  // Every change at once.
  const Values saved = trip.Through(Render(all));
  for (const auto& [key, value] : expected) {
    auto found = saved.find(key);
    EXPECT_TRUE(found != saved.end() && found->second == value)
        << GetParam() << ": " << Name(key) << " should be " << value << ", saved "
        << (found == saved.end() ? "(missing)" : found->second);
  }
  // A further load and save changes nothing, in a new file or the same one.
  const std::string second = dir.File("second.ini");
  WriteFile(second, Render(saved));
  const std::string text = ReadFile(second);
  EXPECT_EQ(Render(trip.Through(text)), text);
  std::unique_ptr<DeviceDriverBase> driver = CreateDeviceDriver(GetParam());
  ASSERT_EQ(driver->LoadConfiguration(0, second.c_str()), 0u);
  ASSERT_EQ(driver->SaveConfiguration(0, second.c_str()), 0u);
  EXPECT_EQ(ReadFile(second), text);

  // The file in each encoding a lab brings, with characters beyond ASCII in
  // another program's lines and in a text setting: a load and a save into
  // the same file keep every byte.
  Values accented = saved;
  const auto textSetting = std::find_if(kept.begin(), kept.end(), [&](const auto& entry) {
    return entry.second.value == QuotedText(base.at(entry.first));
  });
  if (textSetting != kept.end()) accented[textSetting->first] = "caf\u00E9 \u00FF";
  const std::string foreign = "; \u00E9t\u00E9\n[Other Program]\nName=caf\u00E9\n";
  for (const auto& [encoding, bytes] : Encodings(Render(accented) + foreign)) {
    WriteFile(second, bytes);
    ASSERT_EQ(driver->LoadConfiguration(0, second.c_str()), 0u);
    ASSERT_EQ(driver->SaveConfiguration(0, second.c_str()), 0u);
    EXPECT_EQ(ReadFile(second), bytes) << GetParam() << " in " << encoding;
  }
  // A text beyond Latin-1 saved into a Latin-1 file turns the whole file into UTF-8.
  if (textSetting == kept.end()) return;
  WriteFile(second, Encodings(Render(accented) + foreign, false).at(0).second);
  accented[textSetting->first] = "5 \u20AC";
  const std::string euro = Render(accented) + foreign;
  WriteFile(dir.File("euro.ini"), euro);
  ASSERT_EQ(driver->LoadConfiguration(0, dir.File("euro.ini").c_str()), 0u);
  ASSERT_EQ(driver->SaveConfiguration(0, second.c_str()), 0u);
  EXPECT_EQ(ReadFile(second), euro) << GetParam();
}

INSTANTIATE_TEST_SUITE_P(EveryKey, SettingsRoundTripTest, testing::ValuesIn(CreatableKeys()), KeyTestName);
}  // namespace

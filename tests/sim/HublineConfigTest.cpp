// The keys of the Hubline and programmable families: good and bad values,
// and the example bench file.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "SimTestIo.h"
#include "sim/core/ConfigFile.h"
#include "sim/core/Simulator.h"
#include "sim/hubline/HublineUnit.h"
#include "sim/programmable/ProgrammableInstrument.h"
#include "support/TestFiles.h"

namespace {

// Builds an instrument of the keys (after "transport = tcp"); the error text, empty when good.
std::string Build(const sim::ConfigEntries& keys, sim::BuiltInstrument* built = nullptr) {
  sim::ConfigEntries entries = {{"transport", "tcp", 0}};
  entries.insert(entries.end(), keys.begin(), keys.end());
  sim::BuiltInstrument local;
  std::string error;
  int line = 0;
  return sim::BuildInstrument("x", entries, built ? built : &local, &error, &line) ? "" : error;
}

TEST(HublineConfig, GoodKeysConfigureTheUnit) {
  sim::BuiltInstrument built;
  ASSERT_EQ(Build({{"family", "hubline"},
                   {"firmware", "4.0.8"},
                   {"unit-idn", "EMCenter,{firmware}\\tversion {firmware}"},
                   {"slot1", "relay4"},
                   {"slot1-idn", "EMSwitch 7001-002"},
                   {"slot1-boxes", "4"},
                   {"slot4", "sixway1"},
                   {"slot8", "sixway2-ext"},
                   {"slot8", "none"},
                   {"error-format", "syst"},
                   {"error-text", "57 -> Relay K3 welded"},
                   {"device-error", "S1:INT_RELAY_B_.* -> 57"},
                   {"device-error-once", "S4:.* -> -5"},
                   {"no-reply", "LOCAL"},
                   {"klock-reply", "state"}},
                  &built),
            "");
  auto& unit = dynamic_cast<sim::HublineUnit&>(*built.family);
  EXPECT_EQ(unit.Firmware().Text(), "4.0.8");
  EXPECT_TRUE(unit.Firmware().AtLeast(4, 0, 8));
  EXPECT_FALSE(unit.Firmware().AtLeast(4, 0, 9));
  ASSERT_NE(unit.Card(1), nullptr);
  EXPECT_EQ(unit.Card(1)->Identity(), "EMSwitch 7001-002");
  EXPECT_EQ(unit.Card(1)->Boxes(), 4);
  EXPECT_EQ(unit.Card(4)->TypeName(), "sixway1");
  EXPECT_EQ(unit.Card(4)->Identity(), "TQS6PA");
  EXPECT_EQ(unit.Card(8), nullptr);
  EXPECT_EQ(unit.Card(2), nullptr);
  const nlohmann::json state = unit.State();
  EXPECT_EQ(state["idn"], "EMCenter,4.0.8\tversion 4.0.8");
  EXPECT_EQ(state["errors"]["format"], "syst");
  EXPECT_EQ(state["errors"]["texts"]["57"], "Relay K3 welded");
  EXPECT_EQ(state["rules"].size(), 3u);
  EXPECT_EQ(state["klock_reply"], "state");

  // The default model names follow the card types.
  const char* const models[][2] = {{"relay1", "TQS2PA"}, {"relay2", "TQS2PA"}, {"relay4", "TQS4PA"},
                                   {"sixway1", "TQS6PA"}, {"sixway2-ext", "TQS6PA"}};
  for (const auto& [type, model] : models) {
    ASSERT_EQ(Build({{"family", "hubline"}, {"slot2", type}}, &built), "") << type;
    EXPECT_EQ(dynamic_cast<sim::HublineUnit&>(*built.family).Card(2)->Identity(), model) << type;
  }
}

TEST(HublineConfig, BadKeysAreRefusedWithTheReason) {
  const struct {
    sim::ConfigEntries keys;
    const char* error;
  } cases[] = {
      {{{"family", "hubline"}, {"firmware", "4.x"}}, "firmware needs a version such as 4.0.9, not '4.x'"},
      {{{"family", "hubline"}, {"firmware", ""}}, "firmware needs a version"},
      {{{"family", "hubline"}, {"firmware", "1..2"}}, "firmware needs a version"},
      {{{"family", "hubline"}, {"firmware", "1.2."}}, "firmware needs a version"},
      {{{"family", "hubline"}, {"firmware", "1.2.3.4"}}, "firmware needs a version"},
      {{{"family", "hubline"}, {"firmware", "-1.0"}}, "firmware needs a version"},
      {{{"family", "hubline"}, {"slot0", "relay4"}}, "unknown key 'slot0' for family hubline"},
      {{{"family", "hubline"}, {"slot9", "relay4"}}, "unknown key 'slot9'"},
      {{{"family", "hubline"}, {"slot", "relay4"}}, "unknown key 'slot'"},
      {{{"family", "hubline"}, {"slot1-colour", "red"}}, "unknown key 'slot1-colour'"},
      {{{"family", "hubline"}, {"slot1", "relay3"}},
       "unknown card type 'relay3' (relay1, relay2, relay4, sixway1, sixway2, sixway1-ext, sixway2-ext, none)"},
      {{{"family", "hubline"}, {"slot1-idn", "TQS2PA"}}, "'slot1-idn' needs a card in slot 1 first"},
      {{{"family", "hubline"}, {"slot1", "relay2"}, {"slot1-boxes", "5"}}, "slot1-boxes needs 0 to 4, not '5'"},
      {{{"family", "hubline"}, {"slot1", "relay2"}, {"slot1-boxes", "x"}}, "slot1-boxes needs 0 to 4"},
      {{{"family", "hubline"}, {"slot1", "relay2"}, {"slot1-idn", "a\\q"}}, "unknown escape \\q"},
      {{{"family", "hubline"}, {"unit", "double"}}, "unit needs multislot or single, not 'double'"},
      {{{"family", "hubline"}, {"slot2", "relay2"}, {"unit", "single"}},
       "a single unit has only slot 1, but slot 2 holds a card"},
      {{{"family", "hubline"}, {"unit", "single"}, {"slot3", "relay2"}}, "a single unit has only slot 1"},
      {{{"family", "hubline"}, {"error-format", "json"}}, "error-format needs error, e or syst, not 'json'"},
      {{{"family", "hubline"}, {"error-text", "abc -> x"}}, "error-text needs N -> TEXT"},
      {{{"family", "hubline"}, {"error-text", "57"}}, "error-text needs N -> TEXT"},
      {{{"family", "hubline"}, {"device-error", "S1:.*"}}, "device-error needs REGEX -> N"},
      {{{"family", "hubline"}, {"device-error", "S1:.* -> 0"}}, "device-error needs REGEX -> N with a non-zero"},
      {{{"family", "hubline"}, {"device-error-once", " -> 5"}}, "device-error-once needs REGEX -> N"},
      {{{"family", "hubline"}, {"device-error", "( -> 5"}}, "bad regular expression '('"},
      {{{"family", "hubline"}, {"no-reply", ""}}, "no-reply needs a regular expression"},
      {{{"family", "hubline"}, {"no-reply", "[a"}}, "bad regular expression '[a'"},
      {{{"family", "hubline"}, {"klock-reply", "maybe"}}, "klock-reply needs ok or state, not 'maybe'"},
      {{{"family", "hubline"}, {"idn", "X"}}, "unknown key 'idn' for family hubline"},
      {{{"family", "programmable"}, {"remember-re", "FREQ (.*)"}}, "remember-re needs REGEX -> NAME"},
      {{{"family", "programmable"}, {"remember-re", "FREQ (.*) -> a b"}}, "remember-re needs REGEX -> NAME"},
      {{{"family", "programmable"}, {"remember-re", "FREQ (.*) ->"}}, "remember-re needs REGEX -> NAME"},
      {{{"family", "programmable"}, {"remember-re", "( -> f"}}, "bad regular expression '('"},
      {{{"family", "programmable"}, {"default-answer", "\\x4"}}, "\\x needs two hex digits"},
      {{{"family", "programmable"}, {"answer", "X?"}}, "'answer' needs COMMAND -> ANSWER"},
      {{{"family", "programmable"}, {"idn", "X"}}, "unknown key 'idn' for family programmable"},
  };
  for (const auto& each : cases) {
    const std::string error = Build(each.keys);
    EXPECT_EQ(error.substr(0, std::string(each.error).size()), each.error)
        << each.keys.back().key << " = " << each.keys.back().value << " gave: " << error;
  }
}

// (The file names the line of a bad key of a family: ConfigFile.BadFilesGiveTheLineAndTheReason.)
TEST(HublineConfig, TheExampleBenchStartsAndEveryInstrumentAnswers) {
  sim::SimulatorConfig config;
  std::string error;
  ASSERT_TRUE(sim::LoadConfigFile(SWM_SOURCE_DIR "/docs/examples/hubline-bench.swmsim", &config, &error))
      << error;
  TestDirectory ports;
  sim::Simulator simulator;
  simulator.SetPortsDirectory(ports.Path());
  for (const auto& section : config.instruments)
    ASSERT_NE(simulator.Add(section.name, section.entries, &error), nullptr) << error;
  // Every instrument of the bench answers an identification query.
  const char* const identities[][2] = {{"hub", "SWMSIM Hubline multislot unit, version 4.1.0\n"},
                                       {"coax", "EMSwitch 7001-013\n"},
                                       {"matrix", "SWMSIM,MATRIX,0,1.0\n"}};
  ASSERT_EQ(simulator.Instruments().size(), std::size(identities));
  for (const auto& [name, identity] : identities) {
    sim::Instrument* instrument = simulator.Find(name);
    ASSERT_NE(instrument, nullptr) << name;
    simtest::Fd client = instrument->Transport() == sim::TransportKind::kPty
                             ? simtest::OpenSerial(instrument->Endpoint().link)
                             : simtest::ConnectTcp(instrument->Endpoint().port);
    ASSERT_TRUE(client.valid()) << name;
    simtest::SendAll(client.get(), "*IDN?\n");
    EXPECT_EQ(simtest::ReadUntil(client.get(), "\n"), identity) << name;
  }
}

}  // namespace

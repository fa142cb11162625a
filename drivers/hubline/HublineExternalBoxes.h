#pragma once
// The external switch boxes a Hubline card can drive: boxes 1–4 with four
// six-position switches each, a "during" and an "after" position per switch.
// Stored as the "External" table with a "Box<b>" table per box (b from 0)
// and a table per switch (from 0) holding "Start" and "Stop"; switched with
// "N1<box>RELAY_<switch>_<position>".
#include <array>
#include <string>
#include <vector>

#include "settings/ProgramSettingsDatabase.h"

template <typename Position>
class HublineExternalBoxes {
public:
  static constexpr int kBoxes = 4;
  static constexpr int kSwitches = 4;

  // positions[box][state][switch]; state 0 is "during", 1 "after"; 0 leaves a switch alone.
  std::array<std::array<std::array<Position, kSwitches>, 2>, kBoxes> positions{};

  void Load(ProgramSettingsDatabase& store) { Visit(store, false); }
  void Save(ProgramSettingsDatabase& store) { Visit(store, true); }

  // The commands that put every box switch with a position into it, box by box.
  std::vector<std::string> Commands(int state) const {
    std::vector<std::string> commands;
    for (int box = 0; box < kBoxes; ++box)
      for (int number = 0; number < kSwitches; ++number) {
        const int position = static_cast<int>(positions[box][state][number]);
        if (position != 0)
          commands.push_back("N1" + std::to_string(box + 1) + "RELAY_" + std::to_string(number + 1) + "_" +
                             std::to_string(position) + "\n");
      }
    return commands;
  }

private:
  void Visit(ProgramSettingsDatabase& store, bool save) {
    store.PushTable("External");
    for (int box = 0; box < kBoxes; ++box) {
      store.PushTable("Box" + std::to_string(box));
      for (int number = 0; number < kSwitches; ++number) {
        store.PushTable(std::to_string(number));
        Entry(store, save, "Start", positions[box][0][number]);
        Entry(store, save, "Stop", positions[box][1][number]);
        store.PopTable();
      }
      store.PopTable();
    }
    store.PopTable();
  }
  static void Entry(ProgramSettingsDatabase& store, bool save, const std::string& key, Position& value) {
    if (save)
      store.Write(key, static_cast<long>(value));
    else
      value = static_cast<Position>(store.Read(key, static_cast<long>(value)));
  }
};

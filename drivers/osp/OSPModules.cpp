#include "drivers/osp/OSPModules.h"

namespace OSP {
namespace {

std::vector<std::string> Positions(int count) {
  std::vector<std::string> texts;
  for (int i = 1; i <= count; ++i) texts.push_back("Position " + std::to_string(i));
  return texts;
}

const std::vector<std::string> kNcNo = {"NC", "NO"};

}  // namespace

const std::vector<std::string>& RelaisIdentifierTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> all = {kDoNotSwitch};
    for (const std::string& position : Positions(8)) all.push_back(position);
    for (const char* text : {"NO", "NC", "On", "Off"}) all.emplace_back(text);
    return all;
  }();
  return texts;
}

const AllowedRelayPositions& ModuleTable(eModuleSettingsOSP module) {
  static const AllowedRelayPositions none{0, 1, {}, -1};
  static const AllowedRelayPositions sixteen{16, 1, kNcNo, -1};
  static const AllowedRelayPositions sixteenOnOff{16, 1, {"Off", "On"}, -1};
  static const AllowedRelayPositions b131{2, 11, kNcNo, -1};
  static const AllowedRelayPositions twoSixWay{2, 1, Positions(6), 0};
  static const AllowedRelayPositions threeSixWay{3, 1, Positions(6), 0};
  static const AllowedRelayPositions sixChangeOver{6, 1, kNcNo, -1};
  static const AllowedRelayPositions twoChangeOver{2, 1, kNcNo, -1};
  static const AllowedRelayPositions threeChangeOver{3, 1, kNcNo, -1};
  static const AllowedRelayPositions oneEightWay{1, 1, Positions(8), 0};
  static const AllowedRelayPositions oneSixWay{1, 1, Positions(6), 0};
  static const AllowedRelayPositions fourFourWay{4, 1, Positions(4), 0};
  switch (module) {
    case ModuleOSP_B107: case ModuleOSP_B114: return sixteen;
    case ModuleOSP_B103: return sixteenOnOff;
    case ModuleOSP_B131: return b131;
    case ModuleOSP_B102: case ModuleOSP_B112: return twoSixWay;
    case ModuleOSP_B128: return threeSixWay;
    case ModuleOSP_B101: case ModuleOSP_B106: case ModuleOSP_B111: case ModuleOSP_B127: case ModuleOSP_B132:
      return sixChangeOver;
    case ModuleOSP_B116: case ModuleOSP_B136: return twoChangeOver;
    case ModuleOSP_B121: return threeChangeOver;
    case ModuleOSP_B119: return oneEightWay;
    case ModuleOSP_B122: case ModuleOSP_B133: return oneSixWay;
    case ModuleOSP_B104: return fourFourWay;
    default: return none;
  }
}

int PositionIndex(const AllowedRelayPositions& row, std::string_view position) {
  for (size_t i = 0; i < row.allowed.size(); ++i)
    if (row.allowed[i] == position) return static_cast<int>(i) + 1;
  return 0;
}

std::string ConvertOlderPosition(std::string_view stored, eModuleSettingsOSP module) {
  if (stored.size() != 1 || stored[0] < '0' || stored[0] > '9') return std::string(stored);
  const int digit = stored[0] - '0';
  const AllowedRelayPositions& row = ModuleTable(module);
  if (row.allowed == kNcNo && (digit == 1 || digit == 2)) return digit == 1 ? "NC" : "NO";
  if (module == ModuleOSP_B103 && (digit == 1 || digit == 2)) return digit == 1 ? "Off" : "On";
  if (row.offset == 0 && digit >= 1 && digit <= 8) return "Position " + std::to_string(digit);
  return kDoNotSwitch;
}

}  // namespace OSP

#pragma once
// The plug-in relay modules of the OSP switch platform: which positions each
// module's relays take and how a position becomes the channel number of a
// "ROUTE:CLOSE" command.
#include <string>
#include <string_view>
#include <vector>

#include "settings/EnumClass.h"

namespace OSP {

SWM_ENUM(eModuleSettingsOSP, NoModuleSelected = 0, ModuleOSP_B107, ModuleOSP_B114, ModuleOSP_B131, ModuleOSP_B102,
         ModuleOSP_B112, ModuleOSP_B128, ModuleOSP_B101, ModuleOSP_B106, ModuleOSP_B111, ModuleOSP_B116,
         ModuleOSP_B119, ModuleOSP_B121, ModuleOSP_B122, ModuleOSP_B127, ModuleOSP_B132, ModuleOSP_B136,
         ModuleOSP_B104, ModuleOSP_B133, ModuleOSP_B103)

inline constexpr int kModuleCount = 20;
inline constexpr const char* kDoNotSwitch = "Do not switch";

// The texts of the relay positions ("RelaisIdentifier"), numbers 0 to 12.
const std::vector<std::string>& RelaisIdentifierTexts();

struct AllowedRelayPositions {
  int relays = 0;                    // how many relays the module has
  int firstRelay = 1;                // the number of its first relay
  std::vector<std::string> allowed;  // positions after "Do not switch" (list index 1 upward)
  int offset = -1;                   // added to the list index to give the channel number
  int HighestIndex() const { return static_cast<int>(allowed.size()); }
};

// The row of the module table; the row of "no module" for a value outside the enumeration.
const AllowedRelayPositions& ModuleTable(eModuleSettingsOSP module);
// The index of a position text in the module's list: 1 upward, 0 for
// "Do not switch" and for a text the module does not take.
int PositionIndex(const AllowedRelayPositions& row, std::string_view position);
// A stored one-digit value of older settings as the position text of the
// module; any other text is returned unchanged.
std::string ConvertOlderPosition(std::string_view stored, eModuleSettingsOSP module);

}  // namespace OSP

#include "TypeKeys.h"

#include <algorithm>
#include <map>

#include "swmatrix/typekeys.h"

namespace {
// The `family` of a swmsim instrument that a driver class talks to.
const std::map<std::string, std::string>& FamilyOfClass() {
  static const std::map<std::string, std::string> families = {
      {"AdvantechPCI1761AntennaTower", "advantech"},
      {"AdvantechPCI1761Switch", "advantech"},
      {"BBA_IL", "amplifier"},
      {"BONN_BAS", "amplifier"},
      {"BONN_IL", "amplifier"},
      {"BonnBas", "amplifier"},
      {"ComtestMCP01", "comtest"},
      {"DAE_CB_RO16", "denkovi"},
      {"EMCO2090", "relaycontroller"},
      {"EMCO5390", "relaycontroller"},
      {"EUTVtxStatus", "eutcontroller"},
      {"HP11713A", "relaycontroller"},
      {"HP59307", "relaycontroller"},
      {"HP8494Switch", "relaycontroller"},
      {"HublineExternalSwitch", "hubline"},
      {"HublineMultiSwitch", "hubline"},
      {"HublineSwitch", "hubline"},
      {"HublineSwitch6Point", "hubline"},
      {"HublineSwitch6PointExternal", "hubline"},
      {"ICS4864MultiRelais", "relaycontroller"},
      {"ICS4874Interlock", "relaycontroller"},
      {"ICS4874MultiRelais", "relaycontroller"},
      {"KRE", "kre"},
      {"KREAntennaTower", "kre"},
      {"Kovalex::devicedrivers::MKMESSTECHNIK_OSD::mkMesstechnik_OSD", "osd"},
      {"Kovalex::devicedrivers::NOVOTRONIK::NovotronikBase", "novotronik"},
      {"MCC_USB_ERB24", "mcc"},
      {"OSP::OSP", "osp"},
      {"OSP::OSP220", "osp"},
      {"OSP::OSP230", "osp"},
      {"OSP::OSP320", "osp"},
      {"Probex5CalibrationSwitch", "probex"},
      {"RSOnOff", "outputcycler"},
      {"SC1000", "sc1000"},
      {"SCIU", "relaycontroller"},
      {"Stribel", "stribel"},
      {"TeseqRFB2000", "teseq"},
      {"TeseqRFB6000", "teseq"},
      {"ToyoNS4900", "toyo"},
      {"WattexSwitch", "programmable"},
      {"ZevoSwt", "relaybox"},
  };
  return families;
}
}  // namespace

std::vector<CreatableKey> CreatableKeys(swm::Module& module) {
  std::vector<CreatableKey> keys;
  for (const SwmTypeKey& entry : kSwmTypeKeys) {
    uint16_t id = 0;
    if (module.CreateNewDeviceDriver(0, entry.key, &id) != 0) continue;
    module.RemoveDeviceDriver(0, id);
    const auto family = FamilyOfClass().find(entry.driverClass);
    keys.push_back({entry.key, entry.driverClass, family == FamilyOfClass().end() ? "-" : family->second});
  }
  std::sort(keys.begin(), keys.end(), [](const CreatableKey& a, const CreatableKey& b) { return a.key < b.key; });
  return keys;
}

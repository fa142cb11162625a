#include "interface/DeviceTypeRegistry.h"

#include <locale>

#include "drivers/amplifier/BBA_IL.h"
#include "drivers/amplifier/BONN_BAS.h"
#include "drivers/amplifier/BONN_IL.h"
#include "drivers/amplifier/BonnBas.h"
#include "drivers/comtest/ComtestMCP01.h"
#include "drivers/debug/DebugSwitchMatrix.h"
#include "drivers/external/ExternalProgram.h"
#include "drivers/gpibrelay/EMCO5390.h"
#include "drivers/gpibrelay/HP11713A.h"
#include "drivers/gpibrelay/ICSMultiRelais.h"
#include "drivers/rsonoff/RSOnOff.h"
#include "drivers/gpibrelay/SCIU.h"
#include "drivers/hubline/HublineExternalSwitch.h"
#include "drivers/hubline/HublineMultiSwitch.h"
#include "drivers/hubline/HublineSwitch.h"
#include "drivers/hubline/HublineSwitch6Point.h"
#include "drivers/hubline/HublineSwitch6PointExternal.h"
#include "drivers/sound/PlaySoundSwitch.h"
#include "drivers/osp/OSP.h"
#include "drivers/teseq/TeseqRFB2000.h"
#include "drivers/eutstatus/EUTVtxStatus.h"
#include "drivers/kre/KRE.h"
#include "drivers/kre/KREAntennaTower.h"
#include "drivers/probex/Probex5CalibrationSwitch.h"
#include "drivers/relaycards/AdvantechPCI1761.h"
#include "drivers/relaycards/DAE_CB_RO16.h"
#include "drivers/relaycards/MCC_USB_ERB24.h"
#include "drivers/sc1000/SC1000.h"
#include "drivers/toyo/ToyoNS4900.h"
#include "drivers/wattex/WattexSwitch.h"
#include "drivers/zevo/ZevoSwt.h"
#include "drivers/novotronik/NovotronikBase.h"
#include "drivers/osd/mkMesstechnik_OSD.h"
#include "drivers/stribel/Stribel.h"
#include "framework/DeviceDriverBase.h"

namespace {
template <class Driver>
DeviceDriverBase* Make() {
  return new Driver();
}

constexpr DeviceDriverBase* (*kNotBuilt)() = nullptr;

// A factory of a driver whose constructor takes the entry's arguments.
#define SWM_FACTORY(Class, ...) +[]() -> DeviceDriverBase* { return new Class(__VA_ARGS__); }
#define SWM_HUBLINE SWM_FACTORY
#define SWM_WITH SWM_FACTORY
#define SWM_MAKE SWM_FACTORY

// Registry order. Classes not built into this module have no factory yet.
constexpr DeviceTypeEntry kEntries[] = {
    {"ADVANTECHPCI1761", "AdvantechPCI1761Switch", "", &Make<AdvantechPCI1761Switch>},
    {"ADVANTECHPCI1761ATTTRIMBLE", "AdvantechPCI1761AntennaTower", "", &Make<AdvantechPCI1761AntennaTower>},
    {"ARSC1000", "SC1000", "", &Make<SC1000>},
    {"BBA100_IL", "BBA_IL", "\"Rohde & Schwarz,BBA100\"", SWM_WITH(BBA_IL, "Rohde & Schwarz,BBA100")},
    {"BONN_IL", "BONN_IL", "", &Make<BONN_IL>},
    {"BONN_BAS", "BONN_BAS", "\"BAS\"", SWM_WITH(BONN_BAS, "BAS")},
    {"BONNBAS", "BonnBas", "", &Make<BonnBas>},
    {"DEBUGSWITCHMATRIX", "DebugSwitchMatrix", "", &Make<DebugSwitchMatrix>},
    {"EXTERNAL_PROGRAM", "ExternalProgram", "", &Make<ExternalProgram>},
    {"KRE", "KRE", "", &Make<KRE>},
    {"SSU", "SSU", "", kNotBuilt},
    {"SI100", "Si100", "", kNotBuilt},
    {"SI200SWITCH", "SI200", "", kNotBuilt},
    {"SI300SWITCH", "SI300", "\"SI-300\"", kNotBuilt},
    {"HP11713A", "HP11713A", "", &Make<HP11713A>},
    {"HP59307", "HP59307", "", &Make<HP59307>},
    {"HP59307A", "HP59307", "", &Make<HP59307>},
    {"EMCO2090", "EMCO2090", "", &Make<EMCO2090>},
    {"ETS_LINDGREN2090", "EMCO2090", "", &Make<EMCO2090>},
    {"EMCO5390", "EMCO5390", "", &Make<EMCO5390>},
    {"SCIU_M3", "SCIU", "", &Make<SCIU>},
    {"RSPSU", "PSU", "", kNotBuilt},
    {"RSPSN", "PSU", "", kNotBuilt},
    {"RSRSU", "PSU", "", kNotBuilt},
    {"RSONOFF", "RSOnOff", "", &Make<RSOnOff>},
    {"SVC-100A_EUTCTRL", "SCR_OSD", "\"\"", kNotBuilt},
    {"OSP_120", "OSP::OSP", "\"OSP120\"", SWM_WITH(OSP::OSP, "OSP120")},
    {"OSP_130", "OSP::OSP", "\"OSP130\"", SWM_WITH(OSP::OSP, "OSP130")},
    {"OSP_230", "OSP::OSP230", "\"OSP230\"", SWM_WITH(OSP::OSP230, "OSP230")},
    {"OSP_220", "OSP::OSP220", "\"OSP220\"", SWM_WITH(OSP::OSP220, "OSP220")},
    {"OSP_320", "OSP::OSP320", "\"OSP320\"", SWM_WITH(OSP::OSP320, "OSP320")},
    {"TADIRAN_HP8494", "HP8494Switch", "", &Make<HP8494Switch>},
    {"STRIBEL", "Stribel", "", SWM_FACTORY(Stribel)},
    {"STRIBELAD", "StribelAD", "", kNotBuilt},
    {"ICS4874", "ICS4874MultiRelais", "\"4874\", 24", SWM_FACTORY(ICS4874MultiRelais, "4874", 24)},
    {"ICS4874INTERLOCK", "ICS4874Interlock", "\"4874\"", SWM_FACTORY(ICS4874Interlock, "4874")},
    {"ICS4864", "ICS4864MultiRelais", "\"4864\"", SWM_FACTORY(ICS4864MultiRelais, "4864")},
    {"SIEMENS", "Siemens", "", kNotBuilt},
    {"KREAntennaTower", "KREAntennaTower", "", &Make<KREAntennaTower>},
    {"PLAYSOUNDSWITCH", "Kovalex::devicedrivers::PlaySoundSwitch", "1000.0", SWM_FACTORY(Kovalex::devicedrivers::PlaySoundSwitch, 1000.0)},
    {"ETSEMSWITCH7001-001", "HublineSwitch", "\"(EMSwitch 7001-001|TQS2PA|TQS2002A)\", 2, false", SWM_HUBLINE(HublineSwitch, "(EMSwitch 7001-001|TQS2PA|TQS2002A)", 2, false)},
    {"ETSEMSWITCH7001-002", "HublineSwitch", "\"(EMSwitch 7001-002|TQS4PA|TQS4004A)\", 4, false", SWM_HUBLINE(HublineSwitch, "(EMSwitch 7001-002|TQS4PA|TQS4004A)", 4, false)},
    {"ETSEMSWITCH7001-003", "HublineSwitch6Point", "\"(EMSwitch 7001-003|TQS6PA|TQS6002A)\", 2, false", SWM_HUBLINE(HublineSwitch6Point, "(EMSwitch 7001-003|TQS6PA|TQS6002A)", 2, false)},
    {"ETSEMSWITCH7001-004", "HublineSwitch6PointExternal", "\"(EMSwitch 7001-004|TQS6004E)\", 2, false", SWM_HUBLINE(HublineSwitch6PointExternal, "(EMSwitch 7001-004|TQS6004E)", 2, false)},
    {"ETSEMSWITCH7001-005", "HublineSwitch6Point", "\"(EMSwitch 7001-005|TQS6PB)\", 1, false", SWM_HUBLINE(HublineSwitch6Point, "(EMSwitch 7001-005|TQS6PB)", 1, false)},
    {"ETSEMSWITCH7001-011", "HublineSwitch", "\"(EMSwitch 7001-011|TQS2011A)\", 2, false", SWM_HUBLINE(HublineSwitch, "(EMSwitch 7001-011|TQS2011A)", 2, false)},
    {"ETSEMSWITCH7001-012", "HublineSwitch", "\"(EMSwitch 7001-012|TQS4012A)\", 4, false", SWM_HUBLINE(HublineSwitch, "(EMSwitch 7001-012|TQS4012A)", 4, false)},
    {"ETSEMSWITCH7001-013", "HublineSwitch6Point", "\"(EMSwitch 7001-013|TQS6013A)\", 2, false", SWM_HUBLINE(HublineSwitch6Point, "(EMSwitch 7001-013|TQS6013A)", 2, false)},
    {"ETSEMSWITCH7001-015", "HublineSwitch6Point", "\"(EMSwitch 7001-015|TQS6015A)\", 1, false", SWM_HUBLINE(HublineSwitch6Point, "(EMSwitch 7001-015|TQS6015A)", 1, false)},
    {"ETSEMSWITCH7001-021", "HublineSwitch", "\"(EMSwitch 7001-021|TQS2021B)\", 1, false", SWM_HUBLINE(HublineSwitch, "(EMSwitch 7001-021|TQS2021B)", 1, false)},
    {"ETSEMSWITCH7001-022", "HublineSwitch", "\"(EMSwitch 7001-022|TQS1PA|TQS1001A)\", 1, false", SWM_HUBLINE(HublineSwitch, "(EMSwitch 7001-022|TQS1PA|TQS1001A)", 1, false)},
    {"ETSEMSWITCH7001-026", "HublineSwitch", "\"(EMSwitch 7001-026|TQS2PB)\", 2, false", SWM_HUBLINE(HublineSwitch, "(EMSwitch 7001-026|TQS2PB)", 2, false)},
    {"ETSEMSWITCH7001-027", "HublineSwitch", "\"(EMSwitch 7001-027|TQS4PB)\", 4, false", SWM_HUBLINE(HublineSwitch, "(EMSwitch 7001-027|TQS4PB)", 4, false)},
    {"MKMESSTECHNIK_OSD", "Kovalex::devicedrivers::MKMESSTECHNIK_OSD::mkMesstechnik_OSD", "", SWM_FACTORY(Kovalex::devicedrivers::MKMESSTECHNIK_OSD::mkMesstechnik_OSD)},
    {"NOVOTRONIK_SWITCH", "Kovalex::devicedrivers::NOVOTRONIK::NovotronikBase", "\"NOVOTRONIK\"", SWM_FACTORY(Kovalex::devicedrivers::NOVOTRONIK::NovotronikBase, "NOVOTRONIK")},
    {"NOVOTRONIK_SWITCH_6501", "Kovalex::devicedrivers::NOVOTRONIK::NovotronikBase", "\"NOVOTRONIK,GTS6501\"", SWM_FACTORY(Kovalex::devicedrivers::NOVOTRONIK::NovotronikBase, "NOVOTRONIK,GTS6501")},
    {"NOVOTRONIK_SWITCH_6511", "Kovalex::devicedrivers::NOVOTRONIK::NovotronikBase", "\"NOVOTRONIK,GTS6511\"", SWM_FACTORY(Kovalex::devicedrivers::NOVOTRONIK::NovotronikBase, "NOVOTRONIK,GTS6511")},
    {"SANYOTD", "SanyoTD", "", kNotBuilt},
    {"TOYONS4900", "ToyoNS4900", "10", SWM_MAKE(ToyoNS4900, 10)},
    {"TOYONS4901", "ToyoNS4900", "1", SWM_MAKE(ToyoNS4900, 1)},
    {"TOYONS4902", "ToyoNS4900", "2", SWM_MAKE(ToyoNS4900, 2)},
    {"TOYONS4903", "ToyoNS4900", "3", SWM_MAKE(ToyoNS4900, 3)},
    {"TOYONS4904", "ToyoNS4900", "4", SWM_MAKE(ToyoNS4900, 4)},
    {"TOYONS4905", "ToyoNS4900", "5", SWM_MAKE(ToyoNS4900, 5)},
    {"TOYONS4906", "ToyoNS4900", "6", SWM_MAKE(ToyoNS4900, 6)},
    {"TOYONS4907", "ToyoNS4900", "7", SWM_MAKE(ToyoNS4900, 7)},
    {"TOYONS4908", "ToyoNS4900", "8", SWM_MAKE(ToyoNS4900, 8)},
    {"TOYONS4909", "ToyoNS4900", "9", SWM_MAKE(ToyoNS4900, 9)},
    {"TOYONS49010", "ToyoNS4900", "10", SWM_MAKE(ToyoNS4900, 10)},
    {"JOHNDEERDISPLAY", "JohnDeerDisplay", "", kNotBuilt},
    {"TESEOSWITCH", "TeseoSwt", "", kNotBuilt},
    {"ZAMMSWTALLOFF", "ZAMMSwt", "0", kNotBuilt},
    {"ZAMMSWTCS1GON", "ZAMMSwt", "1", kNotBuilt},
    {"ZAMMSWTCS1GOFF", "ZAMMSwt", "2", kNotBuilt},
    {"ZAMMSWTCS2", "ZAMMSwt", "3", kNotBuilt},
    {"ZAMMSWTCS3", "ZAMMSwt", "4", kNotBuilt},
    {"ZAMMSWTRS1GON", "ZAMMSwt", "5", kNotBuilt},
    {"ZAMMSWTRS1GOFF", "ZAMMSwt", "6", kNotBuilt},
    {"ZAMMSWTRS2", "ZAMMSwt", "7", kNotBuilt},
    {"ZAMMCONTROLLER", "ZAMMController", "", kNotBuilt},
    {"TESEQ_RFB_6000_SM", "TeseqRFB6000", "\"TESEQ_RFB_6000\"", SWM_WITH(TeseqRFB6000, "TESEQ_RFB_6000")},
    {"TESEQ_RFB_2000_SM", "TeseqRFB2000", "\"TESEQ_RFB_2000\"", SWM_WITH(TeseqRFB2000, "TESEQ_RFB_2000")},
    {"COMTEST_MCP01_SM", "ComtestMCP01", "", &Make<ComtestMCP01>},
    {"MCC_USB_ERB24", "MCC_USB_ERB24", "", &Make<MCC_USB_ERB24>},
    {"DAE_CB_RO16", "DAE_CB_RO16", "", &Make<DAE_CB_RO16>},
    {"SCHWARZBECKNFCN9734", "SchwarzbeckNFCN9734", "\"NFCN9734\"", kNotBuilt},
    // The maker's own products.
    {"ZEVOSWT", "ZevoSwt", "", SWM_FACTORY(ZevoSwt)},
    // Stand-alone coaxial switches, under the former and the current company prefix.
    {"ZEVOTQS2002A", "HublineSwitch", "\"TQS2PA\", 2, true", SWM_HUBLINE(HublineSwitch, "TQS2PA", 2, true)},
    {"KOVALEXTQS2002A", "HublineSwitch", "\"TQS2PA\", 2, true", SWM_HUBLINE(HublineSwitch, "TQS2PA", 2, true)},
    {"ZEVOTQS4004A", "HublineSwitch", "\"TQS4PA\", 4, true", SWM_HUBLINE(HublineSwitch, "TQS4PA", 4, true)},
    {"KOVALEXTQS4004A", "HublineSwitch", "\"TQS4PA\", 4, true", SWM_HUBLINE(HublineSwitch, "TQS4PA", 4, true)},
    {"ZEVOTQS6002A", "HublineSwitch6Point", "\"TQS6PA\", 2, true", SWM_HUBLINE(HublineSwitch6Point, "TQS6PA", 2, true)},
    {"KOVALEXTQS6002A", "HublineSwitch6Point", "\"TQS6PA\", 2, true", SWM_HUBLINE(HublineSwitch6Point, "TQS6PA", 2, true)},
    {"ZEVOTQS1001A", "HublineSwitch", "\"(TQS1001A|EMSwitch 7001-022)\", 1, false", SWM_HUBLINE(HublineSwitch, "(TQS1001A|EMSwitch 7001-022)", 1, false)},
    {"KOVALEXTQS1001A", "HublineSwitch", "\"(TQS1001A|EMSwitch 7001-022)\", 1, false", SWM_HUBLINE(HublineSwitch, "(TQS1001A|EMSwitch 7001-022)", 1, false)},
    {"ZEVOTQS2011A", "HublineSwitch", "\"(TQS2011A|EMSwitch 7001-011)\", 2, false", SWM_HUBLINE(HublineSwitch, "(TQS2011A|EMSwitch 7001-011)", 2, false)},
    {"KOVALEXTQS2011A", "HublineSwitch", "\"(TQS2011A|EMSwitch 7001-011)\", 2, false", SWM_HUBLINE(HublineSwitch, "(TQS2011A|EMSwitch 7001-011)", 2, false)},
    {"ZEVOTQS4012A", "HublineSwitch", "\"(TQS4012A|EMSwitch 7001-012)\", 4, false", SWM_HUBLINE(HublineSwitch, "(TQS4012A|EMSwitch 7001-012)", 4, false)},
    {"KOVALEXTQS4012A", "HublineSwitch", "\"(TQS4012A|EMSwitch 7001-012)\", 4, false", SWM_HUBLINE(HublineSwitch, "(TQS4012A|EMSwitch 7001-012)", 4, false)},
    {"ZEVOTQS6013A", "HublineSwitch6Point", "\"(TQS6013A|EMSwitch 7001-013)\", 2, false", SWM_HUBLINE(HublineSwitch6Point, "(TQS6013A|EMSwitch 7001-013)", 2, false)},
    {"KOVALEXTQS6013A", "HublineSwitch6Point", "\"(TQS6013A|EMSwitch 7001-013)\", 2, false", SWM_HUBLINE(HublineSwitch6Point, "(TQS6013A|EMSwitch 7001-013)", 2, false)},
    {"ZEVOTQS6015A", "HublineSwitch6Point", "\"(TQS6015A|EMSwitch 7001-015)\", 1, false", SWM_HUBLINE(HublineSwitch6Point, "(TQS6015A|EMSwitch 7001-015)", 1, false)},
    {"KOVALEXTQS6015A", "HublineSwitch6Point", "\"(TQS6015A|EMSwitch 7001-015)\", 1, false", SWM_HUBLINE(HublineSwitch6Point, "(TQS6015A|EMSwitch 7001-015)", 1, false)},
    {"ZEVOTQS6004E", "HublineSwitch6PointExternal", "\"(TQS6004E|EMSwitch 7001-004)\", 2, false", SWM_HUBLINE(HublineSwitch6PointExternal, "(TQS6004E|EMSwitch 7001-004)", 2, false)},
    {"KOVALEXTQS6004E", "HublineSwitch6PointExternal", "\"(TQS6004E|EMSwitch 7001-004)\", 2, false", SWM_HUBLINE(HublineSwitch6PointExternal, "(TQS6004E|EMSwitch 7001-004)", 2, false)},
    {"ZEVOTQS2001E", "HublineExternalSwitch", "\"TQS2001E\", 2, false", SWM_HUBLINE(HublineExternalSwitch, "TQS2001E", 2, false)},
    {"KOVALEXTQS2001E", "HublineExternalSwitch", "\"TQS2001E\", 2, false", SWM_HUBLINE(HublineExternalSwitch, "TQS2001E", 2, false)},
    {"ZEVOTQS4002E", "HublineExternalSwitch", "\"TQS4002E\", 4, false", SWM_HUBLINE(HublineExternalSwitch, "TQS4002E", 4, false)},
    {"KOVALEXTQS4002E", "HublineExternalSwitch", "\"TQS4002E\", 4, false", SWM_HUBLINE(HublineExternalSwitch, "TQS4002E", 4, false)},
    {"ZEVOTQS2021B", "HublineSwitch", "\"(TQS2021B|EMSwitch 7001-021)\", 1, false", SWM_HUBLINE(HublineSwitch, "(TQS2021B|EMSwitch 7001-021)", 1, false)},
    {"KOVALEXTQS2021B", "HublineSwitch", "\"(TQS2021B|EMSwitch 7001-021)\", 1, false", SWM_HUBLINE(HublineSwitch, "(TQS2021B|EMSwitch 7001-021)", 1, false)},
    // Hubline units.
    {"HUBLINE2PORT", "HublineSwitch", "\"TQS2PA\", 2, true", SWM_HUBLINE(HublineSwitch, "TQS2PA", 2, true)},
    {"HUBLINE2PORTEXT", "HublineExternalSwitch", "\"TQS2P\", 2, true", SWM_HUBLINE(HublineExternalSwitch, "TQS2P", 2, true)},
    {"HUBLINE4PORT", "HublineSwitch", "\"TQS4PA\", 4, true", SWM_HUBLINE(HublineSwitch, "TQS4PA", 4, true)},
    {"HUBLINE4PORTEXT", "HublineExternalSwitch", "\"TQS4P\", 4, true", SWM_HUBLINE(HublineExternalSwitch, "TQS4P", 4, true)},
    {"HUBLINE6PORT", "HublineSwitch6Point", "\"TQS6PA\", 2, true", SWM_HUBLINE(HublineSwitch6Point, "TQS6PA", 2, true)},
    {"HUBLINEMULTISWITCH", "HublineMultiSwitch", "", &Make<HublineMultiSwitch>},
    {"KOVALEXWTXSWITCH", "WattexSwitch", "", &Make<WattexSwitch>},
    {"ZEVOPROBEX5CALIBRATION", "Probex5CalibrationSwitch", "", &Make<Probex5CalibrationSwitch>},
    {"SIGNEX_CAL", "SignexCal", "", kNotBuilt},
    {"VTXEUTSTATUS", "EUTVtxStatus", "", &Make<EUTVtxStatus>},
};

bool IsTrimmed(char c) {
  switch (c) {
    case ' ': case '\a': case '\b': case '\f': case '\n': case '\r': case '\t': case '\v': case '\0':
      return true;
    default:
      return false;
  }
}
}  // namespace

std::string NormaliseTypeKey(std::string_view key) {
  std::string text(key);
  const auto& ctype = std::use_facet<std::ctype<char>>(std::locale());
  ctype.toupper(text.data(), text.data() + text.size());
  size_t begin = 0, end = text.size();
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  while (end > begin && IsTrimmed(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::span<const DeviceTypeEntry> DeviceTypeEntries() { return kEntries; }

const DeviceTypeEntry* FindDeviceType(std::string_view key) {
  const std::string wanted = NormaliseTypeKey(key);
  for (const DeviceTypeEntry& entry : kEntries)
    if (NormaliseTypeKey(entry.key) == wanted) return &entry;
  return nullptr;
}

std::unique_ptr<DeviceDriverBase> CreateDeviceDriver(std::string_view key) {
  const DeviceTypeEntry* entry = FindDeviceType(key);
  if (!entry || !entry->create) return nullptr;
  std::unique_ptr<DeviceDriverBase> driver(entry->create());
  if (driver) driver->SetTypeKey(std::string(entry->key));
  return driver;
}

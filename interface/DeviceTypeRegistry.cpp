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
constexpr DeviceDriverBase* (*kNotBuilt)() = nullptr;

// An entry of a built class. Its class name and argument text are the very
// tokens its factory is compiled from, so what the registry shows is always
// what it creates.
#define SWM_ENTRY(key, Class, ...) \
  { key, #Class, #__VA_ARGS__, +[]() -> DeviceDriverBase* { return new Class(__VA_ARGS__); } }

// Registry order. Classes not built into this module have no factory yet.
constexpr DeviceTypeEntry kEntries[] = {
    SWM_ENTRY("ADVANTECHPCI1761", AdvantechPCI1761Switch),
    SWM_ENTRY("ADVANTECHPCI1761ATTTRIMBLE", AdvantechPCI1761AntennaTower),
    SWM_ENTRY("ARSC1000", SC1000),
    SWM_ENTRY("BBA100_IL", BBA_IL, "Rohde & Schwarz,BBA100"),
    SWM_ENTRY("BONN_IL", BONN_IL),
    SWM_ENTRY("BONN_BAS", BONN_BAS, "BAS"),
    SWM_ENTRY("BONNBAS", BonnBas),
    SWM_ENTRY("DEBUGSWITCHMATRIX", DebugSwitchMatrix),
    SWM_ENTRY("EXTERNAL_PROGRAM", ExternalProgram),
    SWM_ENTRY("KRE", KRE),
    {"SSU", "SSU", "", kNotBuilt},
    {"SI100", "Si100", "", kNotBuilt},
    {"SI200SWITCH", "SI200", "", kNotBuilt},
    {"SI300SWITCH", "SI300", "\"SI-300\"", kNotBuilt},
    SWM_ENTRY("HP11713A", HP11713A),
    SWM_ENTRY("HP59307", HP59307),
    SWM_ENTRY("HP59307A", HP59307),
    SWM_ENTRY("EMCO2090", EMCO2090),
    SWM_ENTRY("ETS_LINDGREN2090", EMCO2090),
    SWM_ENTRY("EMCO5390", EMCO5390),
    SWM_ENTRY("SCIU_M3", SCIU),
    {"RSPSU", "PSU", "", kNotBuilt},
    {"RSPSN", "PSU", "", kNotBuilt},
    {"RSRSU", "PSU", "", kNotBuilt},
    SWM_ENTRY("RSONOFF", RSOnOff),
    {"SVC-100A_EUTCTRL", "SCR_OSD", "\"\"", kNotBuilt},
    SWM_ENTRY("OSP_120", OSP::OSP, "OSP120"),
    SWM_ENTRY("OSP_130", OSP::OSP, "OSP130"),
    SWM_ENTRY("OSP_230", OSP::OSP230, "OSP230"),
    SWM_ENTRY("OSP_220", OSP::OSP220, "OSP220"),
    SWM_ENTRY("OSP_320", OSP::OSP320, "OSP320"),
    SWM_ENTRY("TADIRAN_HP8494", HP8494Switch),
    SWM_ENTRY("STRIBEL", Stribel),
    {"STRIBELAD", "StribelAD", "", kNotBuilt},
    SWM_ENTRY("ICS4874", ICS4874MultiRelais, "4874", 24),
    SWM_ENTRY("ICS4874INTERLOCK", ICS4874Interlock, "4874"),
    SWM_ENTRY("ICS4864", ICS4864MultiRelais, "4864"),
    {"SIEMENS", "Siemens", "", kNotBuilt},
    SWM_ENTRY("KREAntennaTower", KREAntennaTower),
    SWM_ENTRY("PLAYSOUNDSWITCH", Kovalex::devicedrivers::PlaySoundSwitch, 1000.0),
    SWM_ENTRY("ETSEMSWITCH7001-001", HublineSwitch, "(EMSwitch 7001-001|TQS2PA|TQS2002A)", 2, false),
    SWM_ENTRY("ETSEMSWITCH7001-002", HublineSwitch, "(EMSwitch 7001-002|TQS4PA|TQS4004A)", 4, false),
    SWM_ENTRY("ETSEMSWITCH7001-003", HublineSwitch6Point, "(EMSwitch 7001-003|TQS6PA|TQS6002A)", 2, false),
    SWM_ENTRY("ETSEMSWITCH7001-004", HublineSwitch6PointExternal, "(EMSwitch 7001-004|TQS6004E)", 2, false),
    SWM_ENTRY("ETSEMSWITCH7001-005", HublineSwitch6Point, "(EMSwitch 7001-005|TQS6PB)", 1, false),
    SWM_ENTRY("ETSEMSWITCH7001-011", HublineSwitch, "(EMSwitch 7001-011|TQS2011A)", 2, false),
    SWM_ENTRY("ETSEMSWITCH7001-012", HublineSwitch, "(EMSwitch 7001-012|TQS4012A)", 4, false),
    SWM_ENTRY("ETSEMSWITCH7001-013", HublineSwitch6Point, "(EMSwitch 7001-013|TQS6013A)", 2, false),
    SWM_ENTRY("ETSEMSWITCH7001-015", HublineSwitch6Point, "(EMSwitch 7001-015|TQS6015A)", 1, false),
    SWM_ENTRY("ETSEMSWITCH7001-021", HublineSwitch, "(EMSwitch 7001-021|TQS2021B)", 1, false),
    SWM_ENTRY("ETSEMSWITCH7001-022", HublineSwitch, "(EMSwitch 7001-022|TQS1PA|TQS1001A)", 1, false),
    SWM_ENTRY("ETSEMSWITCH7001-026", HublineSwitch, "(EMSwitch 7001-026|TQS2PB)", 2, false),
    SWM_ENTRY("ETSEMSWITCH7001-027", HublineSwitch, "(EMSwitch 7001-027|TQS4PB)", 4, false),
    SWM_ENTRY("MKMESSTECHNIK_OSD", Kovalex::devicedrivers::MKMESSTECHNIK_OSD::mkMesstechnik_OSD),
    SWM_ENTRY("NOVOTRONIK_SWITCH", Kovalex::devicedrivers::NOVOTRONIK::NovotronikBase, "NOVOTRONIK"),
    SWM_ENTRY("NOVOTRONIK_SWITCH_6501", Kovalex::devicedrivers::NOVOTRONIK::NovotronikBase, "NOVOTRONIK,GTS6501"),
    SWM_ENTRY("NOVOTRONIK_SWITCH_6511", Kovalex::devicedrivers::NOVOTRONIK::NovotronikBase, "NOVOTRONIK,GTS6511"),
    {"SANYOTD", "SanyoTD", "", kNotBuilt},
    SWM_ENTRY("TOYONS4900", ToyoNS4900, 10),
    SWM_ENTRY("TOYONS4901", ToyoNS4900, 1),
    SWM_ENTRY("TOYONS4902", ToyoNS4900, 2),
    SWM_ENTRY("TOYONS4903", ToyoNS4900, 3),
    SWM_ENTRY("TOYONS4904", ToyoNS4900, 4),
    SWM_ENTRY("TOYONS4905", ToyoNS4900, 5),
    SWM_ENTRY("TOYONS4906", ToyoNS4900, 6),
    SWM_ENTRY("TOYONS4907", ToyoNS4900, 7),
    SWM_ENTRY("TOYONS4908", ToyoNS4900, 8),
    SWM_ENTRY("TOYONS4909", ToyoNS4900, 9),
    SWM_ENTRY("TOYONS49010", ToyoNS4900, 10),
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
    SWM_ENTRY("TESEQ_RFB_6000_SM", TeseqRFB6000, "TESEQ_RFB_6000"),
    SWM_ENTRY("TESEQ_RFB_2000_SM", TeseqRFB2000, "TESEQ_RFB_2000"),
    SWM_ENTRY("COMTEST_MCP01_SM", ComtestMCP01),
    SWM_ENTRY("MCC_USB_ERB24", MCC_USB_ERB24),
    SWM_ENTRY("DAE_CB_RO16", DAE_CB_RO16),
    {"SCHWARZBECKNFCN9734", "SchwarzbeckNFCN9734", "\"NFCN9734\"", kNotBuilt},
    // The maker's own products.
    SWM_ENTRY("ZEVOSWT", ZevoSwt),
    // Stand-alone coaxial switches, under the former and the current company prefix.
    SWM_ENTRY("ZEVOTQS2002A", HublineSwitch, "TQS2PA", 2, true),
    SWM_ENTRY("KOVALEXTQS2002A", HublineSwitch, "TQS2PA", 2, true),
    SWM_ENTRY("ZEVOTQS4004A", HublineSwitch, "TQS4PA", 4, true),
    SWM_ENTRY("KOVALEXTQS4004A", HublineSwitch, "TQS4PA", 4, true),
    SWM_ENTRY("ZEVOTQS6002A", HublineSwitch6Point, "TQS6PA", 2, true),
    SWM_ENTRY("KOVALEXTQS6002A", HublineSwitch6Point, "TQS6PA", 2, true),
    SWM_ENTRY("ZEVOTQS1001A", HublineSwitch, "(TQS1001A|EMSwitch 7001-022)", 1, false),
    SWM_ENTRY("KOVALEXTQS1001A", HublineSwitch, "(TQS1001A|EMSwitch 7001-022)", 1, false),
    SWM_ENTRY("ZEVOTQS2011A", HublineSwitch, "(TQS2011A|EMSwitch 7001-011)", 2, false),
    SWM_ENTRY("KOVALEXTQS2011A", HublineSwitch, "(TQS2011A|EMSwitch 7001-011)", 2, false),
    SWM_ENTRY("ZEVOTQS4012A", HublineSwitch, "(TQS4012A|EMSwitch 7001-012)", 4, false),
    SWM_ENTRY("KOVALEXTQS4012A", HublineSwitch, "(TQS4012A|EMSwitch 7001-012)", 4, false),
    SWM_ENTRY("ZEVOTQS6013A", HublineSwitch6Point, "(TQS6013A|EMSwitch 7001-013)", 2, false),
    SWM_ENTRY("KOVALEXTQS6013A", HublineSwitch6Point, "(TQS6013A|EMSwitch 7001-013)", 2, false),
    SWM_ENTRY("ZEVOTQS6015A", HublineSwitch6Point, "(TQS6015A|EMSwitch 7001-015)", 1, false),
    SWM_ENTRY("KOVALEXTQS6015A", HublineSwitch6Point, "(TQS6015A|EMSwitch 7001-015)", 1, false),
    SWM_ENTRY("ZEVOTQS6004E", HublineSwitch6PointExternal, "(TQS6004E|EMSwitch 7001-004)", 2, false),
    SWM_ENTRY("KOVALEXTQS6004E", HublineSwitch6PointExternal, "(TQS6004E|EMSwitch 7001-004)", 2, false),
    SWM_ENTRY("ZEVOTQS2001E", HublineExternalSwitch, "TQS2001E", 2, false),
    SWM_ENTRY("KOVALEXTQS2001E", HublineExternalSwitch, "TQS2001E", 2, false),
    SWM_ENTRY("ZEVOTQS4002E", HublineExternalSwitch, "TQS4002E", 4, false),
    SWM_ENTRY("KOVALEXTQS4002E", HublineExternalSwitch, "TQS4002E", 4, false),
    SWM_ENTRY("ZEVOTQS2021B", HublineSwitch, "(TQS2021B|EMSwitch 7001-021)", 1, false),
    SWM_ENTRY("KOVALEXTQS2021B", HublineSwitch, "(TQS2021B|EMSwitch 7001-021)", 1, false),
    // Hubline units.
    SWM_ENTRY("HUBLINE2PORT", HublineSwitch, "TQS2PA", 2, true),
    SWM_ENTRY("HUBLINE2PORTEXT", HublineExternalSwitch, "TQS2P", 2, true),
    SWM_ENTRY("HUBLINE4PORT", HublineSwitch, "TQS4PA", 4, true),
    SWM_ENTRY("HUBLINE4PORTEXT", HublineExternalSwitch, "TQS4P", 4, true),
    SWM_ENTRY("HUBLINE6PORT", HublineSwitch6Point, "TQS6PA", 2, true),
    SWM_ENTRY("HUBLINEMULTISWITCH", HublineMultiSwitch),
    SWM_ENTRY("KOVALEXWTXSWITCH", WattexSwitch),
    SWM_ENTRY("ZEVOPROBEX5CALIBRATION", Probex5CalibrationSwitch),
    {"SIGNEX_CAL", "SignexCal", "", kNotBuilt},
    SWM_ENTRY("VTXEUTSTATUS", EUTVtxStatus),
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

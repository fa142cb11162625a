#pragma once
// The instrument of one session of the tests over every creatable key: on
// TCP/IP a LoopbackResponder that the driver's TCP/IP transport is pointed
// at, on the driver's default transport the simulated wires (bus, VISA and
// serial) that its saved settings are pointed at.
#include <memory>
#include <optional>
#include <string>

#include "legacy/GPIBTimeout.h"
#include "legacy/NI488GPIB.h"
#include "support/IsolatedKeySession.h"
#include "support/LoopbackResponder.h"
#include "support/SimulatedWires.h"
#include "swmatrix/swmatrix.h"

enum class SessionWire { kTcp, kDefault };

inline const char* SessionWireName(SessionWire wire) { return wire == SessionWire::kTcp ? "TCP/IP" : "default transport"; }

// Keys whose drivers hold no instrument conversation at all, and why.
inline const char* NothingToCheck(const std::string& key) {
  const std::string_view className = FindDeviceType(key)->className;
  if (className == "DebugSwitchMatrix") return "shows every call in a message box: no instrument";
  if (className == "ExternalProgram") return "starts programs: no instrument";
  if (className == "Kovalex::devicedrivers::PlaySoundSwitch") return "plays a tone on the sound output: no instrument";
  return nullptr;
}

// Drivers that switch a relay card through its maker's library: no stream,
// no time-out and no connection; a missing library stands for a card that
// cannot be reached.
inline bool DrivesCardLibrary(const std::string& key) {
  const std::string_view className = FindDeviceType(key)->className;
  return className == "AdvantechPCI1761Switch" || className == "AdvantechPCI1761AntennaTower" ||
         className == "MCC_USB_ERB24";
}

class SessionInstrument {
public:
  SessionInstrument(SessionWire wire, LoopbackResponder::Mode mode, const TestDirectory& dir) : wire_(wire) {
    if (wire == SessionWire::kTcp) tcp_ = std::make_unique<LoopbackResponder>(mode);
    else wires_ = std::make_unique<SimulatedWires>(dir, mode);
  }

  bool Ready() const { return !tcp_ || tcp_->Port() != 0; }

  // Loads the file into the driver, pointed at this instrument, with the
  // given stream (or GPIB) time-out. False when the driver has no such wire: no TCP/IP
  // transport, or TCP/IP as its default (which the TCP/IP session covers).
  bool Configure(uint16_t id, const std::string& ini, double timeoutSeconds) {
    const std::string text = WithOneHublineCard(ReadFile(ini));
    WriteFile(ini, wire_ == SessionWire::kDefault ? SimulatedWires::Pointed(text) : text);
    LoadConfiguration(0, id, ini.c_str());
    if (wire_ == SessionWire::kTcp) return UseLoopbackTcp(id, tcp_->Port(), timeoutSeconds);
    // Drivers of the older GPIB layer: its longest time-out code not above the given time.
    if (auto* gpib = dynamic_cast<NI488GPIB*>(DeviceDriverTable::Instance().Find(id))) {
      int code = 1;
      while (code < gpibtimeout::kLargestCode && gpibtimeout::Milliseconds(code + 1) <= timeoutSeconds * 1000) ++code;
      gpib->SetTimeOutGPIB(code);
    }
    for (DeviceStreamClientWithStreamBase* client : StreamClientsOf(id)) {
      if (client->Manager().EffectiveTypeName() == "TCPIP") return false;
      DeviceStreamSettings settings = client->GetStreamSettings();
      settings.timeoutSeconds = timeoutSeconds;
      client->SetStreamSettings(settings);
    }
    return true;
  }

  size_t Received() { return tcp_ ? tcp_->Received() : wires_->Received(); }
  // Drops the connection (TCP/IP), hangs up the line or takes the bus
  // device away (until Back()).
  void Drop() {
    if (tcp_) tcp_->DropConnections();
    else wires_->Drop();
    atDrop_ = Received();
  }
  void Back() {
    if (wires_) wires_->Back();
  }
  size_t ReceivedSinceDrop() { return Received() - atDrop_; }

private:
  SessionWire wire_;
  std::unique_ptr<LoopbackResponder> tcp_;
  std::unique_ptr<SimulatedWires> wires_;
  size_t atDrop_ = 0;
};

// Runs session(wire, noWire) on TCP/IP and on the default transport and
// joins the failures; a wire that the driver lacks (noWire set) is left out.
template <class Session>
std::string OnEveryWire(Session session) {
  std::string failures;
  for (SessionWire wire : {SessionWire::kTcp, SessionWire::kDefault}) {
    bool noWire = false;
    std::string text = session(wire, noWire);
    if (!noWire) failures += text;
  }
  return failures;
}

#pragma once
// The instrument of one session of the tests over every creatable key: on
// TCP/IP (and HTTP) a LoopbackResponder that the driver's transport is
// pointed at, on UDP a loopback port that takes every datagram and answers
// none, on the driver's default transport the simulated wires (bus, VISA and
// serial) that its saved settings are pointed at. An absent instrument is
// none of these: the driver is pointed where nothing is (a loopback port
// where nothing listens, a COM port without a terminal, a bus address
// without a device).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <set>
#include <string>

#include "legacy/GPIBTimeout.h"
#include "legacy/NI488GPIB.h"
#include "support/IsolatedKeySession.h"
#include "support/LoopbackPort.h"
#include "support/LoopbackResponder.h"
#include "support/SimulatedWires.h"
#include "swmatrix/swmatrix.h"

// The transports a session reaches (network ones on loopback, the others on the simulated wires).
enum class SessionWire { kTcp, kDefault, kHttp, kUdp, kSerial, kGpib, kCompliantGpib, kVisa };

// The stream type a wire selects; none for the default transport.
inline const char* SessionWireType(SessionWire wire) {
  constexpr const char* kTypes[] = {"TCPIP", nullptr, "HTTP", "UDP", "RS-232", "GPIB", "CompliantGPIB", "VISA"};
  return kTypes[static_cast<int>(wire)];
}

inline const char* SessionWireName(SessionWire wire) {
  if (wire == SessionWire::kTcp) return "TCP/IP";
  return wire == SessionWire::kDefault ? "default transport" : SessionWireType(wire);
}

// The module's text of a driver's status (empty when it has none).
inline std::string StatusText(uint16_t id, uint32_t status) {
  char text[512] = "";
  uint32_t count = 0;
  GetErrorString(0, id, status, text, sizeof text, &count);
  return text;
}

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
    if (wire == SessionWire::kUdp) udp_ = std::make_unique<LoopbackPort>(LoopbackPort::kDatagram);
    else if (wire == SessionWire::kTcp || wire == SessionWire::kHttp) tcp_ = std::make_unique<LoopbackResponder>(mode);
    else wires_ = std::make_unique<SimulatedWires>(dir, mode);
  }

  bool Ready() const { return (!tcp_ || tcp_->Port() != 0) && (!udp_ || udp_->Port() != 0) && absent_.Port() != 0; }

  // Loads the file into the driver, pointed at this instrument (or, when
  // `absent`, where nothing is), with the given stream (or GPIB) time-out.
  // False, with WhyNot() set, when the driver lacks the wire or another
  // session covers it (the wire's transport is its default one).
  bool Configure(uint16_t id, const std::string& ini, double timeoutSeconds, bool absent = false) {
    const std::string text = WithOneHublineCard(ReadFile(ini));
    WriteFile(ini, wires_ ? SimulatedWires::Pointed(text, absent) : text);
    LoadConfiguration(0, id, ini.c_str());
    const char* type = SessionWireType(wire_);
    // On UDP nothing tells an absent instrument from a silent one: both take datagrams and answer none.
    const int port = udp_ ? udp_->Port() : absent ? absent_.Port() : tcp_ ? tcp_->Port() : 0;
    whyNot_ = std::string("no ") + SessionWireName(wire_) + " transport";
    if (tcp_ || udp_) return UseLoopback(id, type, port, timeoutSeconds);
    // Drivers of the older GPIB layer: its longest time-out code not above the given time.
    if (auto* gpib = dynamic_cast<NI488GPIB*>(DeviceDriverTable::Instance().Find(id))) {
      int code = 1;
      while (code < gpibtimeout::kLargestCode && gpibtimeout::Milliseconds(code + 1) <= timeoutSeconds * 1000) ++code;
      gpib->SetTimeOutGPIB(code);
      whyNot_ = "of the older GPIB layer: its one bus wire runs as its default transport";
    }
    const std::vector<DeviceStreamClientWithStreamBase*> clients = StreamClientsOf(id);
    if (type && clients.empty()) return false;
    // The driver's default transport is the default session's (TCP/IP: the TCP/IP session's).
    const std::string covered = type ? type : "TCPIP";
    for (DeviceStreamClientWithStreamBase* client : clients) {
      DeviceStreamConfigurationManager& manager = client->Manager();
      if (manager.EffectiveTypeName() == covered) whyNot_ = (type ? covered : "TCP/IP") + " is its default transport";
      if (manager.EffectiveTypeName() == covered || (type && !manager.GetConfiguration(type))) return false;
      if (type) manager.SetSelectedTypeName(type);
      DeviceStreamSettings settings = client->GetStreamSettings();
      settings.timeoutSeconds = timeoutSeconds;
      client->SetStreamSettings(settings);
    }
    return true;
  }
  // Why the last Configure() found no wire.
  const std::string& WhyNot() const { return whyNot_; }
  // Whether Drop() can take the instrument away (no datagram connection; an HTTP request opens its own).
  bool CanDrop() const { return wire_ != SessionWire::kUdp && wire_ != SessionWire::kHttp; }

  size_t Received() { return tcp_ ? tcp_->Received() : udp_ ? udp_->Received() : wires_->Received(); }
  // Drops the connection (TCP/IP), hangs up the line or takes the bus
  // device away (until Back()).
  void Drop() {
    if (tcp_) tcp_->DropConnections();
    else if (wires_) wires_->Drop();
    atDrop_ = Received();
  }
  void Back() {
    if (wires_) wires_->Back();
  }
  size_t ReceivedSinceDrop() { return Received() - atDrop_; }

private:
  SessionWire wire_;
  std::unique_ptr<LoopbackResponder> tcp_;
  std::unique_ptr<LoopbackPort> udp_;
  std::unique_ptr<SimulatedWires> wires_;
  LoopbackPort absent_{LoopbackPort::kRefusing};
  size_t atDrop_ = 0;
  std::string whyNot_;
};

// The wires of the tests over every key: TCP/IP and the default transport,
// or (for the invariants that hold on every transport) all of them.
constexpr SessionWire kCommonWires[] = {SessionWire::kTcp, SessionWire::kDefault};
constexpr SessionWire kEveryWire[] = {SessionWire::kTcp,    SessionWire::kDefault, SessionWire::kHttp,
                                      SessionWire::kUdp,    SessionWire::kSerial,  SessionWire::kGpib,
                                      SessionWire::kCompliantGpib, SessionWire::kVisa};

// Notes (see RunIsolatedKeys) on the transports a driver of the key offers that no wire reaches.
inline std::string UnreachedTransports(const std::string& key) {
  uint16_t id = 0;
  std::set<std::string> offered;
  if (CreateNewDeviceDriver(0, key.c_str(), &id) != 0) return "";
  for (DeviceStreamClientWithStreamBase* client : StreamClientsOf(id))
    for (const auto& entry : client->Manager().Configurations()) offered.insert(entry.first);
  RemoveDeviceDriver(0, id);
  for (SessionWire wire : kEveryWire) offered.erase(SessionWireType(wire) ? SessionWireType(wire) : "");
  std::string notes;
  for (const std::string& type : offered) notes += kSkippedNote + type + ": no instrument a test can reach on it\n";
  return notes;
}

// Runs session(wire, noWire) on each of the wires and joins the failures;
// a wire that the driver lacks (noWire set) is left out, its reason noted.
template <class Session, size_t N = std::size(kCommonWires)>
std::string OnEveryWire(Session session, const SessionWire (&wires)[N] = kCommonWires) {
  std::string failures;
  for (SessionWire wire : wires) {
    bool noWire = false;
    std::string text = session(wire, noWire);
    failures += noWire ? kSkippedNote + std::string(SessionWireName(wire)) + ": " + text + "\n" : text;
  }
  return failures;
}

#pragma once
// An instrument family: the command handler and state of one kind of
// simulated instrument. The framework frames the bytes into commands, keeps
// the record, applies the faults and carries the answers over the transport.
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace sim {

class InstrumentFamily {
public:
  virtual ~InstrumentFamily() = default;

  virtual std::string_view Name() const = 0;
  // Applies one configuration key (lower case, '-' between words); returns
  // an error text, empty when the key was taken. Unknown keys are errors.
  virtual std::string Configure(const std::string& key, const std::string& value) = 0;
  // After every key was applied: an error text when the configuration is incomplete.
  virtual std::string CheckConfiguration() const { return ""; }
  // One complete command (terminator removed); the answer without
  // terminator, or nothing when the command has no answer.
  virtual std::optional<std::string> Handle(const std::string& command) = 0;
  // Back to the power-on state; the configuration stays.
  virtual void Reset() = 0;
  // A device clear from the bus.
  virtual void DeviceClear() {}
  // A group execute trigger from the bus.
  virtual void Trigger() {}
  // The status byte as the instrument keeps it (bit 6 is added by the framework).
  virtual uint8_t StatusByte() const { return 0; }
  // The service request enable mask: status byte bits that request service.
  virtual uint8_t ServiceRequestEnable() const { return 0; }
  // Whether the device takes a bus write now (a hung device does not).
  virtual bool Listening() const { return true; }
  // Milliseconds until the family's state changes by itself (a movement
  // that ends), or nothing; the instrument then calls Tick and asks again.
  virtual std::optional<uint32_t> PendingChangeMs() const { return std::nullopt; }
  virtual void Tick() {}
  // Bytes the instrument sends unasked now (after Tick), over any transport.
  virtual std::string TakeUnasked() { return {}; }
  // Bytes a serial instrument sends unasked, every ReportIntervalMs()
  // milliseconds (0: it sends nothing unasked). Read when the instrument's
  // transport opens.
  virtual uint32_t ReportIntervalMs() const { return 0; }
  virtual std::string Report() { return {}; }
  // The state for tests and people (JSON object).
  virtual nlohmann::json State() const = 0;
};

}  // namespace sim

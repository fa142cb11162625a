#pragma once
// Reports the progress of a running test to the EUT controller program over
// a text line protocol (TCP, localhost:58426 by default): test start and
// end, frequency, dwell time, field strength, turntable angle and antenna
// polarisation, and exchanges named information items with it: the EUT's
// and the test's items are sent when the device is initialised, and the
// items the program holds for the test ("TESTINFO?") are stored into the
// host's information-items object.
#include <string>

#include "drivers/configurable/ConfigurableDeviceDriver.h"
#include "framework/SwitchMatrixBase.h"
#include "settings/StorableMemberVariable.h"

class EUTVtxStatus : public SwitchMatrixBase, public ConfigurableDeviceDriver {
public:
  static constexpr const char* kTable = "EUTController";
  static constexpr const char* kDefaultAddress = "localhost:58426";
  static constexpr size_t kReplyLimit = 500000;
  // The answer to "TESTINFO?" did not end within the query's time-out.
  static constexpr Status kTestInformationUnending = 0x30000099;

  EUTVtxStatus();

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  Status InitDevice(HostWindow hWnd) override;
  Status HandleEvent(HostWindow hWnd, const uint32_t* event, const double* value) override;
  Status GetErrorString(HostWindow hWnd, uint32_t err, char* buffer, uint32_t bufferSize,
                        uint32_t* read) override;
  Status AddConfigurationDialogPanels(HostWindow hWnd, PanelList& panels) override;

  // The EUT's items under "EUTINFO", the test's under "TESTINFO", then the query.
  virtual Status SendEUTAndTestInformation();
  // One line per item: keyword, a blank, the name (without "="), "=", the value (one line).
  virtual Status SendInformationItems(SwmAutomation* items, const std::string& keyword);
  // Writes the value into every item of that name, or adds an item when none has it.
  virtual Status StoreTestInformationItem(const std::string& name, const std::string& value);
  // Asks "TESTINFO?" and stores every "TESTINFO name=value" reply.
  virtual Status QueryTestInformation();

  // The line an event sends, empty for events that send nothing.
  static std::string EventLine(uint32_t event, double value);

  int QueryTimeoutMilliseconds() const { return queryTimeoutMilliseconds_; }
  void SetQueryTimeoutMilliseconds(int milliseconds) { queryTimeoutMilliseconds_ = milliseconds; }

private:
  StorableMemberVariable<int> queryTimeoutMilliseconds_;
};

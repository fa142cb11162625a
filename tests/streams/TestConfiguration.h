#pragma once
// A configuration of an invented transport for the tests of the manager and
// the client: a text "Value" in its own table, an ID string of its own, and
// optionally a device-clear registration as the bus transports have.
#include <string>
#include <vector>

#include "streams/DeviceStreamConfiguration.h"

class TestConfiguration : public DeviceStreamConfiguration {
public:
  explicit TestConfiguration(std::string typeName, std::string table = "Test", std::string family = "Test")
      : typeName_(std::move(typeName)), table_(std::move(table)), family_(std::move(family)) {}

  uint32_t LoadProgramSettings(uint32_t, SettingsStore store) override {
    loads.push_back(store ? store->ReadNarrow("Selected", "-") : "");
    if (store) {
      store->PushTable(table_);
      value = store->ReadNarrow("Value", value);
      store->PopTable();
    }
    return loadStatus;
  }
  uint32_t SaveProgramSettings(uint32_t, SettingsStore store) override {
    if (store) {
      store->PushTable(table_);
      store->WriteNarrow("Value", value);
      store->PopTable();
    }
    ++saves;
    return saveStatus;
  }
  std::string GetStreamTypeName() const override { return typeName_; }
  std::string GetCommunicationFamily() const override { return family_; }
  std::string GetIDString() const override { return "TEST:" + id; }
  Status GetErrorString(uint32_t, Status code, std::string& text) override {
    if (code == ownCode) text = "own text of the configuration";
    return 0;
  }
  bool HasClearDeviceRegistration() const override { return hasClearRegistration; }
  bool GetClearDeviceRegistration() const override { return clearRegistration; }
  void SetClearDeviceRegistration(bool registered) override { clearRegistration = registered; }

  std::string id = "1";
  std::string value;
  Status loadStatus = 0;
  Status saveStatus = 0;
  Status ownCode = 0x30009999;
  bool hasClearRegistration = false;
  bool clearRegistration = true;
  // Per load, the "Selected" key as seen from the table the load runs in.
  std::vector<std::string> loads;
  int saves = 0;

private:
  std::string typeName_;
  std::string table_;
  std::string family_;
};

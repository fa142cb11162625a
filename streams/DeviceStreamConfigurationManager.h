#pragma once
// The transports a driver offers, by stream type name, the one the user
// selected, and their persistence: table "Stream Config" holds the selection
// ("Selected") and the flag "DefaultStreamConfigurationLoaded"; each
// configuration saves its own table inside it. The tables of the older bus
// layer ("GPIB", "RS232") are taken over on load and written on save.
#include <map>
#include <string>

#include "dialogs/PanelList.h"
#include "streams/DeviceStream.h"
#include "streams/DeviceStreamConfiguration.h"

class DeviceStreamSeparatedReadWrite;

class DeviceStreamConfigurationManager : public SavableLoadableClass {
public:
  using ConfigurationMap = std::map<std::string, DeviceStreamConfigurationPtr>;

  static constexpr const char* kTable = "Stream Config";
  static constexpr const char* kPanelName = "dlgDeviceStreamConfigurationCompact";
  static constexpr const char* kPanelTitle = "Communication";
  // The legacy communication selector's values (the older layer's GPIBRS232).
  static constexpr int kLegacySerial = 0;
  static constexpr int kLegacyGPIB = 1;

  DeviceStreamConfigurationManager() = default;
  ~DeviceStreamConfigurationManager() override = default;
  DeviceStreamConfigurationManager(const DeviceStreamConfigurationManager&) = delete;
  DeviceStreamConfigurationManager& operator=(const DeviceStreamConfigurationManager&) = delete;

  virtual void SetDefaultConfigurationLoaded(bool loaded) { defaultConfigurationLoaded_ = loaded; }
  virtual bool GetDefaultConfigurationLoaded() const { return defaultConfigurationLoaded_; }
  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  virtual Status LoadLegacyProgramSettings(uint32_t hostContext, const SettingsStore& store);
  virtual Status SaveLegacyProgramSettings(uint32_t hostContext, const SettingsStore& store);
  // The "Communication" page alone in a dialog owned by the host window.
  virtual Status ShowConfigurationDialog(uint32_t hostContext);
  // The "Communication" page: the list of offered transports and the panel
  // of the one selected.
  virtual PanelListEntry CreateConfigurationPanel();
  // Texts of the manager's codes; then the selected configuration's; then
  // the stream's (when one is given).
  virtual Status GetErrorString(uint32_t hostContext, Status code, std::string& text,
                                DeviceStreamSeparatedReadWrite* stream);

  // Offers a transport: its configuration is created through the registry
  // (kInvalidConfiguration when the type is unknown) or given.
  Status AddStreamConfiguration(const std::string& typeName);
  void AddStreamConfiguration(const std::string& typeName, DeviceStreamConfigurationPtr configuration);
  DeviceStreamConfigurationPtr GetConfiguration(const std::string& typeName) const;
  const ConfigurationMap& Configurations() const { return configurations_; }

  void SetDefaultTypeName(const std::string& typeName) { defaultTypeName_ = typeName; }
  const std::string& GetDefaultTypeName() const { return defaultTypeName_; }
  void SetSelectedTypeName(const std::string& typeName) { selectedTypeName_ = typeName; }
  const std::string& GetSelectedTypeName() const { return selectedTypeName_; }
  // The selected name, or the default name when none is selected.
  std::string EffectiveTypeName() const;
  // The configuration of the effective name, or null.
  DeviceStreamConfigurationPtr GetSelectedConfiguration() const;
  int GetLegacySelector() const { return legacySelector_; }
  void SetLegacySelector(int selector) { legacySelector_ = selector; }

  // The stream of the selected configuration: the one already shared by
  // other drivers on that port or address, or (with create) a new one from
  // the stream registry, in which case created is set.
  Status GetSelectedDeviceStream(DeviceStreamPtr& stream, bool create, bool* created);

  // The stream type names whose configurations mirror the older GPIB layer.
  static std::string PartnerGPIBTypeName(const std::string& typeName);

private:
  // The selection after a load: the stored name when it is offered, else
  // the fallbacks in order (partner GPIB family, legacy selector, default
  // name, first offered).
  std::string ResolveSelection(const std::string& stored) const;
  std::string FirstGPIBTypeName() const;

  ConfigurationMap configurations_;
  std::string selectedTypeName_;
  std::string defaultTypeName_;
  int legacySelector_ = kLegacySerial;
  bool defaultConfigurationLoaded_ = false;
};

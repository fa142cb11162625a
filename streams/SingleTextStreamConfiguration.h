#pragma once
// A transport's settings that are one text (an address, an identifier, a
// serial number): the tables and key it is saved under, its default, the
// ID string (a prefix and the text) and the texts of the transport's own
// statuses, all given by a SingleTextSetting.
#include <span>
#include <string>

#include "streams/DeviceStreamConfiguration.h"

struct SingleTextSetting {
  const char* typeName;                 // the stream type name
  const char* family;                   // the communication family
  const char* panelName;                // the XRC panel
  std::span<const char* const> tables;  // nested inside the manager's table, outermost first
  const char* key;                      // also the field of the load's log record
  const char* defaultText;
  const char* idPrefix;                 // the ID string is the prefix and the text
  const char* logModule;                // the load's log record: module, and the name in
  const char* logName;                  // "LoadProgramSettings(<name>)"
  std::string (*statusText)(Status code);  // a status of the transport; empty for others
};

class SingleTextStreamConfiguration : public DeviceStreamConfiguration {
public:
  explicit SingleTextStreamConfiguration(const SingleTextSetting& setting)
      : setting_(&setting), text_(setting.defaultText) {}

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;
  std::string ConfigurationPanelName() const override { return setting_->panelName; }
  std::string GetStreamTypeName() const override { return setting_->typeName; }
  std::string GetCommunicationFamily() const override { return setting_->family; }
  std::string GetIDString() const override { return setting_->idPrefix + text_; }
  // The texts of the transport's statuses (the stream is gone after a failed
  // connect); others leave the text as it is.
  Status GetErrorString(uint32_t hostContext, Status code, std::string& text) override;

protected:
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text) { text_ = text; }

private:
  const SingleTextSetting* setting_;
  std::string text_;
};

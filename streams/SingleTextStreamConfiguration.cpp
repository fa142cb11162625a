#include "streams/SingleTextStreamConfiguration.h"

#include "logging/JournexEntry.h"

uint32_t SingleTextStreamConfiguration::LoadProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    for (const char* table : setting_->tables) store->PushTable(table);
    text_ = store->ReadNarrow(setting_->key, text_);
    for (size_t i = 0; i < setting_->tables.size(); ++i) store->PopTable();
  }
  JournexEntry::Note("LoadProgramSettings", setting_->logModule, "Note",
                     std::string("LoadProgramSettings(") + setting_->logName + ")", {{setting_->key, text_}});
  return 0;
}

uint32_t SingleTextStreamConfiguration::SaveProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    for (const char* table : setting_->tables) store->PushTable(table);
    store->WriteNarrow(setting_->key, text_);
    for (size_t i = 0; i < setting_->tables.size(); ++i) store->PopTable();
  }
  return 0;
}

Status SingleTextStreamConfiguration::GetErrorString(uint32_t, Status code, std::string& text) {
  if (const std::string own = setting_->statusText(code); !own.empty()) text = own;
  return 0;
}

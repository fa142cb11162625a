#include "drivers/configurable/ConfigurableTriggerAndResult.h"

#include <wx/log.h>
#include <wx/regex.h>

#include "drivers/configurable/ConfigurableDeviceDriver.h"
#include "drivers/configurable/ConfigurableTriggerAndResultPanel.h"
#include "drivers/configurable/RegularExpressionResult.h"
#include "logging/JournexEntry.h"
#include "settings/NarrowText.h"

uint32_t ConfigurableTriggerAndResult::LoadProgramSettings(uint32_t, SettingsStore store) {
  if (!store) return 0;
  OpenTable(store);
  trigger = store->ReadNarrow("Trigger", trigger);
  resultFormat = store->ReadNarrow("ResultFormat", resultFormat);
  timeoutMS = store->Read("TimeoutMS", timeoutMS);
  CloseTable(store);
  return 0;
}

uint32_t ConfigurableTriggerAndResult::SaveProgramSettings(uint32_t, SettingsStore store) {
  if (!store) return 0;
  OpenTable(store);
  store->WriteNarrow("Trigger", trigger);
  store->WriteNarrow("ResultFormat", resultFormat);
  store->Write("TimeoutMS", timeoutMS);
  CloseTable(store);
  return 0;
}

Status ConfigurableTriggerAndResult::TriggerAndExtract(ConfigurableDeviceDriver& driver, std::string& result,
                                                       std::string* answer) {
  JournexEntry entry("TriggerAndExtract", "ConfigurableTriggerAndResult");
  entry.LogBegin("Note", "TriggerAndExtract(" + trigger + ")",
                 {{"Trigger", trigger}, {"ResultFormat", resultFormat}, {"TimeoutMS", timeoutMS}});
  result.clear();
  std::string text;
  Status status = 0;
  wxLogNull quiet;  // an invalid pattern is reported by its status
  if (resultFormat.empty() || !wxRegEx(WideFromNarrow(resultFormat), wxRE_ADVANCED | wxRE_ICASE).IsValid())
    status = ERR_REGEX_INVALID_EXPRESSION;
  if (status == 0 && !trigger.empty()) status = driver.Send(trigger, driver.Settings().sendAndWaitForCompletion);
  if (status == 0) {
    const double saved = driver.GetTimeout(0);
    driver.SetTimeout(0, timeoutMS / 1000.0);
    status = driver.ReadUntilPattern(text, resultFormat);
    driver.SetTimeout(0, saved);
  }
  if (status == 0) status = ExtractRegularExpressionResult(resultFormat, text, result);
  if (answer) *answer = text;
  entry.LogEnd(status == 0 ? "Complete" : "Error", {}, {{"answer", text}, {"result", result}, {"Err", status}});
  return status;
}

void ConfigurableTriggerAndResult::AddPanel(PanelList& panels) {
  panels.Add({[this] { return new ConfigurableTriggerAndResultPanel(this); }, kXrcName, kTitle});
}

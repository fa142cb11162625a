#include "legacy/Visa.h"

#include "framework/TextBuffer.h"
#include "settings/ProgramSettingsDatabase.h"
#include "settings/StorableMemberVariable.h"

namespace {
constexpr size_t kIdentificationLength = 500;
}

Visa::Visa(std::string identifier) : identifier_(std::move(identifier)) {}

uint32_t Visa::LoadProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    identifier_ = store->ReadNarrow("Identifier", identifier_);
    store->PopTable();
  }
  LogStorableMemberAccess("LoadProgramSettings", kTable, "Identifier", {"Identifier", identifier_});
  return 0;
}

uint32_t Visa::SaveProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    store->WriteNarrow("Identifier", identifier_);
    store->PopTable();
  }
  LogStorableMemberAccess("SaveProgramSettings", kTable, "Identifier", {"Identifier", identifier_});
  return 0;
}

Status Visa::Open(uint32_t timeoutMilliseconds) { return OpenResource(identifier_, timeoutMilliseconds); }

Status Visa::GetIdentificationString(std::string* identification) {
  identification->clear();
  Status status = WriteText(identificationQuery_ + "\n");
  if (!status) status = ReadText(identification, kIdentificationLength);
  if (status == kShortRead && !identification->empty()) status = 0;
  while (!identification->empty() && (identification->back() == '\n' || identification->back() == '\r'))
    identification->pop_back();
  return status;
}

Status Visa::GetErrorString(HostWindow, uint32_t status, char* buffer, uint32_t bufferSize, uint32_t* read) {
  ClearTextBuffer(buffer, bufferSize, read);
  const std::string text = ErrorText(status);
  if (!text.empty()) CopyTextToBuffer(text, buffer, bufferSize, read);
  return 0;
}

#pragma once
// An instrument reached through VISA by its resource name, stored in the
// table "VISA" under "Identifier".

#include <string>

#include "legacy/VisaBase.h"
#include "settings/SavableLoadableClass.h"

using HostWindow = uint32_t;

class Visa : public VisaBase, public SavableLoadableClass {
public:
  static constexpr const char* kTable = "VISA";
  static constexpr const char* kInitialIdentifier = "Insert the Visa identification here";

  explicit Visa(std::string identifier = kInitialIdentifier);

  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;

  // Opens the resource of the identifier.
  Status Open(uint32_t timeoutMilliseconds = 2000);
  Status Close() { return CloseResource(); }
  // Sends the identification query ("*IDN?") and reads the answer (line end removed).
  Status GetIdentificationString(std::string* identification);
  Status GetErrorString(HostWindow hWnd, uint32_t status, char* buffer, uint32_t bufferSize, uint32_t* read);

  const std::string& GetIdentifier() const { return identifier_; }
  void SetIdentifier(const std::string& identifier) { identifier_ = identifier; }
  const std::string& IdentificationQuery() const { return identificationQuery_; }

private:
  std::string identifier_;
  std::string identificationQuery_ = "*IDN?";
};

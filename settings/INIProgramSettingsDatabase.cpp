// Placeholder until the INI store lands: no store can be created, so loads
// and saves leave every member as it is.
#include "settings/ProgramSettingsDatabase.h"

SettingsStore CreateINIProgramSettingsDatabase(const std::string&) { return nullptr; }

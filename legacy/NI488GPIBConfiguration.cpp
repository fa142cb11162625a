#include "legacy/NI488GPIBConfiguration.h"

#include "settings/ProgramSettingsDatabase.h"
#include "settings/StorableMemberVariable.h"

NI488GPIBConfiguration::NI488GPIBConfiguration(GPIBBoardNumbers board, int primaryAddress,
                                               int secondaryAddress, unsigned long defaultWait,
                                               std::string keyPrefix)
    : board_(board),
      primaryAddress_(primaryAddress),
      secondaryAddress_(secondaryAddress),
      defaultWait_(defaultWait),
      keyPrefix_(std::move(keyPrefix)) {}

uint32_t NI488GPIBConfiguration::LoadProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    board_ = static_cast<GPIBBoardNumbers>(store->Read(keyPrefix_ + "Board", static_cast<long>(board_)));
    primaryAddress_ = static_cast<int>(store->Read(keyPrefix_ + "PriAdr", static_cast<long>(primaryAddress_)));
    secondaryAddress_ = static_cast<int>(store->Read(keyPrefix_ + "SecAdr", static_cast<long>(secondaryAddress_)));
    wait_ = store->Read(keyPrefix_ + "Wait", wait_);
    if (wait_ == 0 && defaultWait_ != 0) wait_ = defaultWait_;
    clear_ = store->Read(keyPrefix_ + "Clear", clear_);
    readdress_ = store->Read(keyPrefix_ + "Readdress", readdress_);
    store->PopTable();
  }
  LogAll("LoadProgramSettings");
  return 0;
}

uint32_t NI488GPIBConfiguration::SaveProgramSettings(uint32_t, SettingsStore store) {
  if (store) {
    store->PushTable(kTable);
    store->Write(keyPrefix_ + "Board", static_cast<long>(board_));
    store->Write(keyPrefix_ + "PriAdr", static_cast<long>(primaryAddress_));
    store->Write(keyPrefix_ + "SecAdr", static_cast<long>(secondaryAddress_));
    store->Write(keyPrefix_ + "Wait", wait_);
    store->Write(keyPrefix_ + "Clear", clear_);
    store->Write(keyPrefix_ + "Readdress", readdress_);
    store->PopTable();
  }
  LogAll("SaveProgramSettings");
  return 0;
}

void NI488GPIBConfiguration::LogAll(std::string_view operation) const {
  const auto log = [&](const char* key, const LogValue& value) {
    LogStorableMemberAccess(operation, kTable, keyPrefix_ + key, value);
  };
  log("Board", {"Board", static_cast<long>(board_)});
  log("PriAdr", {"PriAdr", primaryAddress_});
  log("SecAdr", {"SecAdr", secondaryAddress_});
  log("Wait", {"Wait", wait_});
  log("Clear", {"Clear", clear_});
  log("Readdress", {"Readdress", readdress_});
}

bool NI488GPIBConfiguration::IsValid() const {
  return board_ >= MIN_GPIB_BOARD && board_ <= MAX_GPIB_BOARD && primaryAddress_ >= 0 &&
         primaryAddress_ <= 30 && (secondaryAddress_ == 0 || (secondaryAddress_ >= 96 && secondaryAddress_ <= 126));
}

void NI488GPIBConfiguration::CopySettings(const NI488GPIBConfiguration& other) {
  board_ = other.board_;
  primaryAddress_ = other.primaryAddress_;
  secondaryAddress_ = other.secondaryAddress_;
  defaultWait_ = other.defaultWait_;
  wait_ = other.wait_;
  clear_ = other.clear_;
  readdress_ = other.readdress_;
}

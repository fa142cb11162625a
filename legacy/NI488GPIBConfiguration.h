#pragma once
// The GPIB settings of a legacy GPIB device: board, addresses, the minimum
// wait between bus accesses, and whether opening clears the device and keeps
// re-addressing on. Stored in the table "GPIB"; the keys may carry a prefix.
#include <string>
#include <string_view>

#include "settings/EnumClass.h"
#include "settings/SavableLoadableClass.h"

SWM_ENUM(GPIBBoardNumbers, GPIB_INVALID = -1, MIN_GPIB_BOARD = 0, GPIB0 = MIN_GPIB_BOARD, GPIB1, GPIB2,
         GPIB3, MAX_GPIB_BOARD = GPIB3)

class NI488GPIBConfiguration : public SavableLoadableClass {
public:
  static constexpr const char* kTable = "GPIB";

  NI488GPIBConfiguration(GPIBBoardNumbers board, int primaryAddress, int secondaryAddress,
                         unsigned long defaultWait = 0, std::string keyPrefix = "");

  // Reads Board, PriAdr, SecAdr, Wait, Clear and Readdress; a stored Wait of
  // 0 takes the default wait when that is not 0. One record per key.
  uint32_t LoadProgramSettings(uint32_t hostContext, SettingsStore store) override;
  uint32_t SaveProgramSettings(uint32_t hostContext, SettingsStore store) override;

  // Board 0 to 3, primary address 0 to 30, secondary 0 (none) or 96 to 126.
  bool IsValid() const;

  GPIBBoardNumbers GetBoard() const { return board_; }
  void SetBoard(GPIBBoardNumbers board) { board_ = board; }
  int GetPrimaryAddress() const { return primaryAddress_; }
  void SetPrimaryAddress(int address) { primaryAddress_ = address; }
  int GetSecondaryAddress() const { return secondaryAddress_; }
  void SetSecondaryAddress(int address) { secondaryAddress_ = address; }
  unsigned long GetDefaultWait() const { return defaultWait_; }
  void SetDefaultWait(unsigned long milliseconds) { defaultWait_ = milliseconds; }
  unsigned long GetWait() const { return wait_; }
  void SetWait(unsigned long milliseconds) { wait_ = milliseconds; }
  bool GetClear() const { return clear_; }
  void SetClear(bool clear) { clear_ = clear; }
  bool GetReaddress() const { return readdress_; }
  void SetReaddress(bool readdress) { readdress_ = readdress; }
  const std::string& KeyPrefix() const { return keyPrefix_; }
  void SetKeyPrefix(const std::string& prefix) { keyPrefix_ = prefix; }

  // Copies the settings (not the key prefix) of another configuration.
  void CopySettings(const NI488GPIBConfiguration& other);

private:
  // One record per key, as the storable members write them.
  void LogAll(std::string_view operation) const;

  GPIBBoardNumbers board_;
  int primaryAddress_;
  int secondaryAddress_;
  unsigned long defaultWait_;
  unsigned long wait_ = 0;
  bool clear_ = true;
  bool readdress_ = true;
  std::string keyPrefix_;
};

#pragma once
// The items an on-screen display shows: ten text lines with placeholders,
// the date and the time. Each item has a position, colours and a font size,
// is stored in a table of its own, and turns into the unit's commands.
#include <string>
#include <vector>

#include "settings/EnumClass.h"
#include "settings/ProgramSettingsDatabase.h"

namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD {

SWM_ENUM(emkMesstechnikOSD_ColorSettings, enmNoChange = 0, enmTransparant = 1, enmBlack = 2, enmRed = 3, enmGreen = 4,
         enmBlue = 5, enmYellow = 6, enmMagenta = 7, enmCyan = 8, enmGrayDarkest = 9, enmGrayDarker = 10,
         enmGrayDark = 11, enmGray = 12, enmGrayBright = 13, enmGrayBrighter = 14, enmGrayBrightest = 15,
         enmWhite = 16)
SWM_ENUM(emkMesstechnikOSD_SizeSettings, enmSmall = 1, enmMedium = 2, enmLarge = 3)
SWM_ENUM(emkMesstechnikOSD_ResumeActions, NONE = 0, RESET_DETECTOR = 1, RESET_STATISTICS = 2, BOTH = 3)

class parameterOSDSettingsBase {
public:
  parameterOSDSettingsBase(std::string table, int number, int posX, int posY);
  virtual ~parameterOSDSettingsBase() = default;

  virtual void Load(ProgramSettingsDatabase& store);
  virtual void Save(ProgramSettingsDatabase& store) const;
  // The commands that bring the item on the unit up to date (none when it is).
  virtual std::vector<std::string> Update(const std::string& address) = 0;
  // The unit's screen was cleared: the item is drawn again on the next update.
  virtual void ScreenCleared() { cleared = true; }

  const std::string& Table() const { return table_; }
  int Number() const { return number_; }

  int PosX;
  int PosY;
  emkMesstechnikOSD_ColorSettings ColorForeGround = enmWhite;
  emkMesstechnikOSD_ColorSettings ColorBackGround = enmTransparant;
  emkMesstechnikOSD_SizeSettings FontSize = enmSmall;
  bool cleared = true;

protected:
  virtual void LoadOwn(ProgramSettingsDatabase&) {}
  virtual void SaveOwn(ProgramSettingsDatabase&) const {}

private:
  std::string table_;
  int number_;
};

class parameterOSDSettingsText : public parameterOSDSettingsBase {
public:
  static constexpr size_t kEraseMargin = 6;

  parameterOSDSettingsText(int number, std::string text);

  // Takes the text after substitution; Update sends it when it differs from the screen.
  void SetSubstituted(std::string text) { substituted_ = std::move(text); }
  std::vector<std::string> Update(const std::string& address) override;

  std::string TextString;
  const std::string& Substituted() const { return substituted_; }
  const std::string& OnScreen() const { return onScreen_; }

protected:
  void LoadOwn(ProgramSettingsDatabase& store) override;
  void SaveOwn(ProgramSettingsDatabase& store) const override;

private:
  std::string substituted_;
  std::string onScreen_;
  bool shown_ = false;  // drawn since the screen was last cleared
};

class parameterOSDSettingsDateTime : public parameterOSDSettingsBase {
public:
  using parameterOSDSettingsBase::parameterOSDSettingsBase;

  std::vector<std::string> Update(const std::string& address) override;
  void ScreenCleared() override;

  bool ShowSetting = true;
  bool ClockSet() const { return clockSet_; }

protected:
  void LoadOwn(ProgramSettingsDatabase& store) override;
  void SaveOwn(ProgramSettingsDatabase& store) const override;
  // "MX:DATE 250 y m d" or "MX:TIME 250 h m s" from the computer's clock.
  virtual std::string ClockCommand() const = 0;
  // "OSD:PDATE" or "OSD:PTIME".
  virtual const char* ShowCommand() const = 0;

private:
  bool clockSet_ = false;
  bool shown_ = false;
};

class parameterOSDSettingsDate : public parameterOSDSettingsDateTime {
public:
  parameterOSDSettingsDate() : parameterOSDSettingsDateTime("MKMESSTECHNIK_OSD_DATE", 1, 0, 12) {}

protected:
  std::string ClockCommand() const override;
  const char* ShowCommand() const override { return "OSD:PDATE"; }
};

class parameterOSDSettingsTime : public parameterOSDSettingsDateTime {
public:
  parameterOSDSettingsTime() : parameterOSDSettingsDateTime("MKMESSTECHNIK_OSD_TIME", 1, 13, 12) {}

protected:
  std::string ClockCommand() const override;
  const char* ShowCommand() const override { return "OSD:PTIME"; }
};

}  // namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD

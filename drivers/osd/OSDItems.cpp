#include "drivers/osd/OSDItems.h"

#include "platform/CLocale.h"
#include "platform/LocalTime.h"

namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD {
namespace {
template <class E>
E ReadEnum(ProgramSettingsDatabase& store, const char* key, E current) {
  return static_cast<E>(store.Read(key, static_cast<long>(current)));
}
}  // namespace

parameterOSDSettingsBase::parameterOSDSettingsBase(std::string table, int number, int posX, int posY)
    : PosX(posX), PosY(posY), table_(std::move(table)), number_(number) {}

void parameterOSDSettingsBase::Load(ProgramSettingsDatabase& store) {
  store.PushTable(table_);
  PosX = static_cast<int>(store.Read("PosX", static_cast<long>(PosX)));
  PosY = static_cast<int>(store.Read("PosY", static_cast<long>(PosY)));
  ColorForeGround = ReadEnum(store, "ColorForeGround", ColorForeGround);
  ColorBackGround = ReadEnum(store, "ColorBackGround", ColorBackGround);
  FontSize = ReadEnum(store, "FontSize", FontSize);
  LoadOwn(store);
  store.PopTable();
}

void parameterOSDSettingsBase::Save(ProgramSettingsDatabase& store) const {
  store.PushTable(table_);
  store.Write("PosX", static_cast<long>(PosX));
  store.Write("PosY", static_cast<long>(PosY));
  store.Write("ColorForeGround", static_cast<long>(ColorForeGround));
  store.Write("ColorBackGround", static_cast<long>(ColorBackGround));
  store.Write("FontSize", static_cast<long>(FontSize));
  SaveOwn(store);
  store.PopTable();
}

parameterOSDSettingsText::parameterOSDSettingsText(int number, std::string text)
    : parameterOSDSettingsBase("MKMESSTECHNIK_OSD_TEXT_" + std::to_string(number), number, 0, number),
      TextString(std::move(text)) {}

void parameterOSDSettingsText::LoadOwn(ProgramSettingsDatabase& store) {
  TextString = store.ReadNarrow("TextString", TextString);
}

void parameterOSDSettingsText::SaveOwn(ProgramSettingsDatabase& store) const {
  store.WriteNarrow("TextString", TextString);
}

std::vector<std::string> parameterOSDSettingsText::Update(const std::string& address) {
  if (cleared) {
    // The unit's screen holds nothing of this item any more.
    onScreen_.clear();
    shown_ = false;
    cleared = false;
  }
  if (shown_ && substituted_ == onScreen_) return {};
  const bool blank = substituted_.empty();
  const std::string item = address + " " + std::to_string(Number());
  std::vector<std::string> commands;
  commands.push_back(blank ? FormatC("OSD:COL %s 1 1", item.c_str())
                           : FormatC("OSD:COL %s %d %d", item.c_str(), static_cast<int>(ColorForeGround),
                                     static_cast<int>(ColorBackGround)));
  commands.push_back(FormatC("OSD:FONT %s %d", item.c_str(), static_cast<int>(FontSize)));
  if (substituted_.size() < onScreen_.size()) {
    // Blanks over the end of the longer text that is on the screen.
    const std::string blanks(onScreen_.size() - substituted_.size() + kEraseMargin, ' ');
    commands.push_back(FormatC("OSD:TXTABS %s %d %d \"%s\"", item.c_str(), PosX + static_cast<int>(substituted_.size()),
                               PosY, blanks.c_str()));
  }
  if (!blank) commands.push_back(FormatC("OSD:TXTABS %s %d %d \"%s\"", item.c_str(), PosX, PosY, substituted_.c_str()));
  onScreen_ = substituted_;
  shown_ = true;
  return commands;
}

void parameterOSDSettingsDateTime::LoadOwn(ProgramSettingsDatabase& store) {
  ShowSetting = store.Read("ShowSetting", ShowSetting);
}

void parameterOSDSettingsDateTime::SaveOwn(ProgramSettingsDatabase& store) const {
  store.Write("ShowSetting", ShowSetting);
}

void parameterOSDSettingsDateTime::ScreenCleared() {
  parameterOSDSettingsBase::ScreenCleared();
  shown_ = false;
}

std::vector<std::string> parameterOSDSettingsDateTime::Update(const std::string& address) {
  std::vector<std::string> commands;
  if (!clockSet_) {
    commands.push_back(ClockCommand());
    clockSet_ = true;
  }
  if (ShowSetting && !shown_) {
    commands.push_back(FormatC("%s %s 0 %d %d %d %d %d", ShowCommand(), address.c_str(), static_cast<int>(FontSize),
                               PosX, PosY, static_cast<int>(ColorForeGround) - 1,
                               static_cast<int>(ColorBackGround) - 1));
    shown_ = true;
  }
  cleared = false;
  return commands;
}

std::string parameterOSDSettingsDate::ClockCommand() const {
  const LocalDateTime now = LocalClock();
  return FormatC("MX:DATE 250 %d %d %d", now.year, now.month, now.day);
}

std::string parameterOSDSettingsTime::ClockCommand() const {
  const LocalDateTime now = LocalClock();
  return FormatC("MX:TIME 250 %d %d %d", now.hour, now.minute, now.second);
}

}  // namespace Kovalex::devicedrivers::MKMESSTECHNIK_OSD

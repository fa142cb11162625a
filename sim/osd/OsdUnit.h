#pragma once
// A simulated on-screen-display unit: a character screen laid over a camera
// picture, with numbered text items, a date and a time display, and a
// motion detector that can be paused. Every command is answered "OK", or
// "ERR n" (1 unknown command, 2 bad arguments, 3 another camera address).
//
//   OSD:CLR 255 ADDR                 clears the screen (ITEM instead of 255: that item)
//   OSD:COL ADDR ITEM FG BG          colours of an item (0 keeps, 1 transparent ... 16 white)
//   OSD:FONT ADDR ITEM SIZE          font size 1 to 3
//   OSD:TXTABS ADDR ITEM X Y "TEXT"  writes the text at column X, row Y
//   MX:DATE 250 Y M D, MX:TIME 250 H M S   sets the clock
//   OSD:PDATE ADDR 0 SIZE X Y FG BG  shows the date ("DD.MM.YYYY"; colours 0 transparent ... 15 white, -1 keeps)
//   OSD:PTIME ADDR 0 SIZE X Y FG BG  shows the time ("HH:MM:SS")
//   MDX:PAUSE, MDX:RESUMEALL N       pauses and resumes the motion detector
//
// Keys: "camera" (the camera address it answers to, default 1), "error"
// ("PREFIX -> N": commands starting with PREFIX are answered "ERR N";
// "none" forgets them).
#include <map>
#include <nlohmann/json_fwd.hpp>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "sim/core/InstrumentFamily.h"

namespace sim {

class OsdUnit : public InstrumentFamily {
public:
  static constexpr int kColumns = 60;
  static constexpr int kRows = 16;

  struct Cell {
    char c = ' ';
    int foreground = 0;  // colour codes of OSD:COL; 0 none
    int background = 0;
  };
  struct Item {
    std::string text;  // the last text written that was not only blanks
    int x = 0, y = 0;
    int foreground = 16, background = 1, font = 1;
  };

  OsdUnit();

  std::string_view Name() const override { return "osd"; }
  std::string Configure(const std::string& key, const std::string& value) override;
  std::optional<std::string> Handle(const std::string& command) override;
  void Reset() override;
  nlohmann::json State() const override;

  // Row y of the screen without trailing blanks.
  std::string Row(int y) const;
  const Cell& At(int x, int y) const { return screen_[static_cast<size_t>(y)][static_cast<size_t>(x)]; }
  const std::map<int, Item>& Items() const { return items_; }
  bool DetectorPaused() const { return paused_; }
  size_t Pauses() const { return pauses_; }
  size_t Resumes() const { return resumes_; }
  int LastResumeAction() const { return lastResume_; }
  const std::string& Clock(bool date) const { return date ? date_ : time_; }

private:
  int Execute(const std::string& command);  // 0 or the error number
  void Write(int x, int y, const std::string& text, int foreground, int background);
  void ClearScreen();

  std::string address_ = "1";
  std::vector<std::pair<std::string, int>> errors_;
  std::vector<std::vector<Cell>> screen_;
  std::map<int, Item> items_;
  std::string date_ = "01.01.2000", time_ = "00:00:00";
  bool paused_ = false;
  size_t pauses_ = 0, resumes_ = 0;
  int lastResume_ = -1;
  size_t errorReplies_ = 0;
};

}  // namespace sim

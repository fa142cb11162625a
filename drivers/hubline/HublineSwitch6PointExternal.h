#pragma once
// A six-position Hubline card whose switches are addressed with the "EXT"
// prefix ("EXT_RELAY_B_4").
#include <string>

#include "drivers/hubline/HublineSwitch6Point.h"

class HublineSwitch6PointExternal : public HublineSwitch6Point {
public:
  using HublineSwitch6Point::HublineSwitch6Point;

  std::string SwitchPrefix() const override { return "EXT"; }
};

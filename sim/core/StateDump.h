#pragma once
// Instrument state (JSON) as indented text for people.
#include <nlohmann/json_fwd.hpp>
#include <string>

namespace sim {

std::string RenderForPeople(const nlohmann::json& value);

}  // namespace sim

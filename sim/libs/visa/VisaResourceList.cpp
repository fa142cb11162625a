#include <cstdlib>
#include <filesystem>
#include <set>

#include "sim/libs/BusClient.h"
#include "sim/libs/visa/VisaResources.h"

namespace simlib::visa {
namespace {
constexpr int kBusWaitMs = 5000;

bool AllDigits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}
}  // namespace

bool ListResources(std::vector<std::string>* resources) {
  resources->clear();
  BusAnswer answer;
  if (!BusRequest("list", "", false, kBusWaitMs, &answer) || !answer.Ok()) return false;
  std::set<std::string> names;
  for (size_t i = 1; !answer.Word(i).empty(); ++i) names.insert(answer.Word(i));
  const char* ports = std::getenv("SWMATRIX_PORTS");
  std::error_code error;
  if (ports && *ports)
    for (const auto& entry : std::filesystem::directory_iterator(ports, error)) {
      const std::string file = entry.path().filename().string();
      if (file.starts_with("COM") && AllDigits(file.substr(3))) names.insert("ASRL" + file.substr(3) + "::INSTR");
    }
  resources->assign(names.begin(), names.end());
  return true;
}

}  // namespace simlib::visa

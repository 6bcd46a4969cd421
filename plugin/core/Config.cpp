#include "orvanel/core/Config.h"

#include <fstream>
#include <stdexcept>

#include "orvanel/core/Logger.h"
#include "orvanel/host/TalvexApi.h"

nlohmann::json& GetConfig() {
  static nlohmann::json config;
  return config;
}

std::string GetConfigPath() {
  return TalvexApi::Tools::GetCurrentDir() + "/TalvexApi/Plugins/Orvanel/config.json";
}

nlohmann::json ParseConfigFile() {
  const std::string path = GetConfigPath();
  std::ifstream file(path);
  if (!file.is_open()) {
    if (GetLogger()) GetLogger()->error("Could not open file config.json");
    throw std::runtime_error("Cannot read " + path);
  }
  // Copying and comparing values recurses, so a file of nested brackets would
  // exhaust the stack later on; such a file is refused here instead.
  const nlohmann::json::parser_callback_t limit_depth =
      [](int depth, nlohmann::json::parse_event_t event, nlohmann::json&) {
        if ((event == nlohmann::json::parse_event_t::object_start ||
             event == nlohmann::json::parse_event_t::array_start) &&
            depth >= kMaxConfigDepth)
          throw std::runtime_error("config.json nests arrays and objects deeper than " +
                                   std::to_string(kMaxConfigDepth) + " levels");
        return true;
      };
  return nlohmann::json::parse(file, limit_depth);
}

void ReadConfig() {
  nlohmann::json fresh = ParseConfigFile();
  GetConfig().swap(fresh);
}

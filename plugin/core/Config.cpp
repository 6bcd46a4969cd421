#include "orvanel/core/Config.h"

#include <optional>
#include <stdexcept>

#include "orvanel/core/ConfigPath.h"
#include "orvanel/core/Logger.h"
#include "orvanel/host/TalvexApi.h"

nlohmann::json& GetConfig() {
  static nlohmann::json config;
  return config;
}

std::string GetConfigPath() { return TalvexApi::Tools::GetCurrentDir() + "/" + kConfigFileInServer; }

nlohmann::json ParseConfigFile() {
  const std::string path = GetConfigPath();
  const std::optional<std::string> text = ReadRegularFile(path);
  if (!text) {
    if (GetLogger()) GetLogger()->error("Could not open file config.json");
    throw std::runtime_error("Cannot read " + path);
  }
  return ParseConfigText(*text);
}

void ReadConfig() {
  nlohmann::json fresh = ParseConfigFile();
  GetConfig().swap(fresh);
}

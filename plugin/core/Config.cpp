#include "orvanel/core/Config.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "orvanel/core/ConfigPath.h"
#include "orvanel/core/Logger.h"
#include "orvanel/host/TalvexApi.h"

nlohmann::json& GetConfig() {
  static nlohmann::json config;
  return config;
}

std::string& GetConfigText() {
  static std::string text;
  return text;
}

std::string GetConfigPath() { return TalvexApi::Tools::GetCurrentDir() + "/" + kConfigFileInServer; }

nlohmann::json ParseConfigFile(std::string* text_read) {
  const std::string path = GetConfigPath();
  std::optional<std::string> text = ReadRegularFile(path);
  if (!text) {
    if (GetLogger()) GetLogger()->error("Could not open file config.json");
    throw std::runtime_error("Cannot read " + path);
  }
  nlohmann::json parsed = ParseConfigText(*text);
  if (text_read != nullptr) *text_read = std::move(*text);
  return parsed;
}

void ReadConfig() {
  std::string text;
  nlohmann::json fresh = ParseConfigFile(&text);
  GetConfig().swap(fresh);
  GetConfigText().swap(text);
}

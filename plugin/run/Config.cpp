#include "orvanel/run/Config.h"
#include "orvanel/core/Files.h"

#include <optional>
#include <stdexcept>
#include <utility>

#include "orvanel/core/ConfigPath.h"
#include "orvanel/core/ConfigText.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/run/Logger.h"

std::string GetConfigPath() { return TalvexApi::Tools::GetCurrentDir() + "/" + kConfigFileInServer; }

std::string ReadConfigFile(const std::string& path) {
  std::optional<std::string> text = ReadRegularFile(path);
  if (!text) {
    if (GetLogger()) GetLogger()->error("Could not open file config.json");
    throw std::runtime_error("Cannot read " + path);
  }
  return std::move(*text);
}

#include "orvanel/core/Config.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string_view>

#include "orvanel/core/ConfigPath.h"
#include "orvanel/core/Logger.h"
#include "orvanel/host/TalvexApi.h"

nlohmann::json& GetConfig() {
  static nlohmann::json config;
  return config;
}

std::string GetConfigPath() { return TalvexApi::Tools::GetCurrentDir() + "/" + kConfigFileInServer; }

namespace {

// Whether arrays and objects in `text` nest deeper than `limit`, strings left
// out. On text that parses this is exactly the nesting the parser meets; other
// text the parser refuses anyway. One pass: it costs little beside the parse.
bool NestsDeeperThan(std::string_view text, int limit) {
  int depth = 0;
  bool in_string = false;
  for (std::size_t at = 0; at < text.size(); ++at) {
    const char character = text[at];
    if (in_string) {
      if (character == '\\')
        ++at;
      else if (character == '"')
        in_string = false;
    } else if (character == '"') {
      in_string = true;
    } else if (character == '[' || character == '{') {
      if (++depth > limit) return true;
    } else if (character == ']' || character == '}') {
      --depth;
    }
  }
  return false;
}

}  // namespace

nlohmann::json ParseConfigFile() {
  const std::string path = GetConfigPath();
  // Only a regular file is opened: a pipe or a device could block the game
  // thread forever, and a directory holds no text.
  std::error_code kind_unknown;
  std::ifstream file;
  if (std::filesystem::is_regular_file(path, kind_unknown)) file.open(path, std::ios::binary);
  if (!file.is_open()) {
    if (GetLogger()) GetLogger()->error("Could not open file config.json");
    throw std::runtime_error("Cannot read " + path);
  }
  std::ostringstream text;
  text << file.rdbuf();
  return ParseConfigText(text.view());
}

nlohmann::json ParseConfigText(std::string_view text) {
  // Copying and comparing values recurses, so a file of nested brackets would
  // exhaust the stack later on; such a file is refused here instead.
  if (NestsDeeperThan(text, kMaxConfigDepth))
    throw std::runtime_error("config.json nests arrays and objects deeper than " + std::to_string(kMaxConfigDepth) +
                             " levels");
  return nlohmann::json::parse(text);
}

void ReadConfig() {
  nlohmann::json fresh = ParseConfigFile();
  GetConfig().swap(fresh);
}

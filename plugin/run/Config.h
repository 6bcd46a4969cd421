// config.json on the server: where it is and its bytes, read only when it is a
// regular file. What is made of them is core/ConfigState.h.
#pragma once

#include <string>

// The host's current directory followed by the plugin's config.json path.
std::string GetConfigPath();

// The bytes of config.json at `path`. Logs and throws when it is not a regular
// file or cannot be opened.
std::string ReadConfigFile(const std::string& path);

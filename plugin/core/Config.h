// The configuration document: the one JSON value read from config.json, null
// until the first successful read, and replaced only whole and only by a read
// that succeeded.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "orvanel/core/ConfigText.h"

nlohmann::json& GetConfig();

// The host's current directory followed by the plugin's config.json path.
std::string GetConfigPath();

// Reads and parses config.json without touching the document. Logs and throws
// when the file is not a regular file or cannot be opened; otherwise as
// ParseConfigText.
nlohmann::json ParseConfigFile();

// ParseConfigFile, then the fresh value replaces the document.
void ReadConfig();

// The configuration document: the one JSON value read from config.json, null
// until the first successful read, and replaced only whole and only by a read
// that succeeded.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "orvanel/core/ConfigText.h"

nlohmann::json& GetConfig();

// The bytes of config.json the document was last read from, by a load or a
// reload, or last written with (core/ConfigEdit.h): what the file holds unless
// someone changed it since.
std::string& GetConfigText();

// The host's current directory followed by the plugin's config.json path.
std::string GetConfigPath();

// Reads and parses config.json without touching the document. Logs and throws
// when the file is not a regular file or cannot be opened; otherwise as
// ParseConfigText. `text`, when given, receives the bytes parsed.
nlohmann::json ParseConfigFile(std::string* text = nullptr);

// ParseConfigFile, then the fresh value replaces the document and its bytes GetConfigText.
void ReadConfig();

// The configuration document: the one JSON value read from config.json, null
// until the first successful read, and replaced only whole and only by a read
// that succeeded.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// Deepest nesting of arrays and objects a configuration file may have.
inline constexpr int kMaxConfigDepth = 256;

nlohmann::json& GetConfig();

// The host's current directory followed by the plugin's config.json path.
std::string GetConfigPath();

// Reads and parses config.json without touching the document. Logs and throws
// when the file is not a regular file or cannot be opened; throws the JSON library's parse error when it
// is not exactly one JSON value, or when it nests deeper than kMaxConfigDepth.
nlohmann::json ParseConfigFile();

// The parse of ParseConfigFile on text already read: throws std::runtime_error
// when it nests deeper than kMaxConfigDepth and the JSON library's parse error
// when it is not exactly one JSON value.
nlohmann::json ParseConfigText(std::string_view text);

// ParseConfigFile, then the fresh value replaces the document.
void ReadConfig();

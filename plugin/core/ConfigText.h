// The configuration as text: reading a file only when it is a regular one, and
// the parse of config.json with its depth limit. Pure functions of their
// inputs, shared by the plugin and the config checker.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// Deepest nesting of arrays and objects a configuration file may have.
inline constexpr int kMaxConfigDepth = 256;

// The bytes of `path` when it is a regular file that opens; nothing otherwise.
// A pipe or a device could block the caller forever, and a directory holds no text.
std::optional<std::string> ReadRegularFile(const std::string& path);

// Throws std::runtime_error when `text` nests deeper than kMaxConfigDepth and
// the JSON library's parse error when it is not exactly one JSON value.
nlohmann::json ParseConfigText(std::string_view text);

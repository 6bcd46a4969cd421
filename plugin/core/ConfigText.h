// The configuration as text: the parse of config.json with its depth limit. A
// pure function of its input, shared by the plugin and the config checker.
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

// Deepest nesting of arrays and objects a configuration file may have.
inline constexpr int kMaxConfigDepth = 256;

// Throws std::runtime_error when `text` nests deeper than kMaxConfigDepth and
// the JSON library's parse error when it is not exactly one JSON value.
nlohmann::json ParseConfigText(std::string_view text);

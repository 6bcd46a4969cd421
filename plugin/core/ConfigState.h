// The configuration the plugin runs on, as one value: the bytes of config.json,
// the document parsed from them and the settings read from it, made together by
// pure functions and replaced only whole (load, reload, a member saved in game).
#pragma once

#include <span>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "orvanel/core/Settings.h"

// NOLINTNEXTLINE(bugprone-exception-escape): its implicit moves are noexcept, as the JSON value's are.
struct ConfigState {
  // Where config.json is, and the bytes it held when the document was read
  // from it or written with: what the file holds unless someone changed it since.
  std::string path;
  std::string text;
  nlohmann::json document;
  Settings settings;
};

// The state a load makes of `text`, read from `path`. Throws as ParseConfigText
// and ReadSettings do: nothing is made of a file that fails to read.
ConfigState LoadConfigState(std::string path, std::string text);

// The state a reload of `text` makes after `loaded`: the fresh document and
// bytes, the settings refreshed as RefreshSettings does. Throws as
// LoadConfigState, before anything is made; `unapplied`, when given, receives
// what only a load would apply (UnappliedChanges).
ConfigState ReloadConfigState(const ConfigState& loaded, std::string text,
                              std::vector<std::string>* unapplied = nullptr);

// The value at `path` (object members by key) in `document`; null when a step
// is missing or not an object.
const nlohmann::json* FindMemberAt(const nlohmann::json& document, std::span<const std::string> path);

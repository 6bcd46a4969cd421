// Per-command and per-feature settings, read from the configuration document.
// Load builds both tables; a reload refreshes the whitelists and entry copies in
// place and changes nothing at all when any entry, known or new, fails to read.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "orvanel/host/Engine.h"

// NOLINTNEXTLINE(bugprone-exception-escape): its implicit moves are noexcept, as the JSON value's are.
struct CommandSettings {
  WideString command;
  bool enabled = true;
  bool permissions = false;
  std::vector<int64_t> whitelist;
  nlohmann::json entry;
};

// NOLINTNEXTLINE(bugprone-exception-escape): as for CommandSettings.
struct FeatureSettings {
  bool enabled = false;
  nlohmann::json entry;
};

using CommandSettingsTable = std::map<std::string, CommandSettings>;
using FeatureSettingsTable = std::map<std::string, FeatureSettings>;

CommandSettings ParseCommandSettings(nlohmann::json entry);
FeatureSettings ParseFeatureSettings(nlohmann::json entry);

// Both throw the JSON library's error, before any table changes, for an entry
// that fails to read or a configuration that is not an object.
void BuildCommandSettings(nlohmann::json configuration);
void RefreshCommandSettings(nlohmann::json configuration);
// Empties both tables, as before the first Load: a load that fails while
// registering leaves no command or feature on.
void ClearCommandSettings();

// The record of `key`, valid until the next Load, or null.
CommandSettings* GetCommandSettings(std::string key);

// True when the "Features" entry `name` said "Enabled": true at the last Load;
// a reload switches no feature on or off.
bool FeatureEnabled(std::string name);

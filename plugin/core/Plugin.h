// Start and stop of the plugin: Load builds the loggers, reads the configuration,
// reads the settings and registers every enabled command of the command table,
// or, when it fails, leaves none registered; Unload closes the plugin's files
// and asks the host to remove exactly what Load registered.
#pragma once

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "orvanel/core/Settings.h"

void Load();
void Unload();

// The settings of the last load, as the reloads since have refreshed them.
const Settings& LoadedSettings();

// After config.json was written as `text` with the member `name` of the object
// at `path` set to `value`: the document and the record of the command `path`
// leads into take it as a reload of that entry would, so that it is used at once.
void ApplySavedMember(std::string text, const std::vector<std::string>& path, const std::string& name,
                      const nlohmann::json& value);

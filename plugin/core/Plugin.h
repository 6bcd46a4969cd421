// Start and stop of the plugin: Load builds the loggers, reads the configuration,
// reads the settings and registers every enabled command of the command table,
// or, when it fails, leaves none registered; Unload closes the plugin's files
// and asks the host to remove exactly what Load registered.
#pragma once

#include "orvanel/core/Settings.h"

void Load();
void Unload();

// The settings of the last load, as the reloads since have refreshed them.
const Settings& LoadedSettings();

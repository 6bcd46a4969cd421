// Start and stop of the plugin: Load builds the loggers, reads the configuration,
// registers every enabled command of the command table and opens the store of
// uses, or, when it fails, leaves none registered; Unload closes the plugin's
// files and asks the host to remove exactly what Load registered.
#pragma once

#include <cstddef>

#include "orvanel/core/ConfigState.h"
#include "orvanel/host/Engine.h"

void Load();
void Unload();

// Runs the command of the table's row `index` for `player` typing `line`
// (null: an empty line), as the host's call of its registration does: when
// the loaded configuration has the command's entry, through every stage of a run.
void RunCommand(std::size_t index, AShooterPlayerController* player, const FString* line) noexcept;

// The configuration of the last load, as the reloads and saved members since
// have replaced it.
const ConfigState& LoadedConfig();

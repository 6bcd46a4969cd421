// Start and stop of the plugin: Load builds the logger, reads the configuration,
// builds the settings and registers every enabled command, or, when it fails,
// leaves none registered; Unload asks the host to remove exactly what Load
// registered.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "orvanel/host/TalvexApi.h"

void Load();
void Unload();

using CommandTextAction = std::function<void(const WideString&)>;

// Hands the command's configured text to `add` when its entry is enabled and
// the text is not empty, and remembers the text as registered.
void AddCommandByKey(std::string key, CommandTextAction add);
// Forgets every registered copy of the command's text and hands it to `remove`.
void RemoveCommandByKey(std::string key, CommandTextAction remove);

// The reload command: re-reads config.json and refreshes the settings.
void ReloadConfig(APlayerController* player, FString* command_line, bool flag);

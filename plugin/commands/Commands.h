// The command handlers, in the host's handler shapes.
#pragma once

#include "host/Engine.h"

// Gives the caller the items of the named kit under "Templates" in the
// command's own entry: "givekit <kit>".
void ItemTemplateCommand(APlayerController* player, FString* command_line, bool flag);

// The command handlers, in the host's handler shapes.
#pragma once

#include "host/Engine.h"

// The spawn template command: spawns the group of the named creature template
// around the caller.
void SpawnTemplateCommand(APlayerController* player, FString* command_line, bool flag);

// The command handlers, in the host's handler shapes. Each reads its own
// settings record by key and answers, where it answers, from "[system]".
#pragma once

#include "orvanel/host/Engine.h"

// The health survey as chat lines from "[system]", one message per line.
void HealthChatCommand(AShooterPlayerController* player, FString* message, EChatSendMode::Type mode);
// The health survey as one magenta on-screen notification, a line per line.
void HealthConsoleCommand(APlayerController* player, FString* command_line, bool flag);
// Gives the caller the items of the named kit under "Templates" in the
// command's own entry: "givekit <kit>".
void ItemTemplateCommand(APlayerController* player, FString* command_line, bool flag);
// Spawns the group of the named creature template around the caller.
void SpawnTemplateCommand(APlayerController* player, FString* command_line, bool flag);
// Moves the caller to a location named in "Locations" of its entry.
void TeleportToCommand(APlayerController* player, FString* command_line, bool flag);

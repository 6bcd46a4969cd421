// The command handlers, in the host's handler shapes.
#pragma once

#include "host/Engine.h"

// The health survey as chat lines from "[system]", one message per line.
void HealthChatCommand(AShooterPlayerController* player, FString* message, EChatSendMode::Type mode);
// The health survey as one magenta on-screen notification, a line per line.
void HealthConsoleCommand(APlayerController* player, FString* command_line, bool flag);

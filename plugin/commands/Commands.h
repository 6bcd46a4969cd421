// The command handlers: each gets the run's context (the caller, the line as
// typed, its row, its settings record, the configuration and what the checks
// found) once every check let the run go on, and returns what it did.
#pragma once

#include "orvanel/core/CommandTable.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/run/Run.h"

using CommandHandler = CommandOutcome (*)(const CommandContext& context);

// The health survey as chat lines from "[system]", one message per line.
CommandOutcome HealthChatCommand(const CommandContext& context);
// The health survey as one magenta on-screen notification, a line per line.
CommandOutcome HealthConsoleCommand(const CommandContext& context);
// Re-reads config.json and refreshes the settings (core/Plugin.cpp).
CommandOutcome ReloadConfigCommand(const CommandContext& context);
// Gives the caller the items of the named kit: "givekit <kit>".
CommandOutcome ItemTemplateCommand(const CommandContext& context);
// Spawns the group of the named creature template around the caller.
CommandOutcome SpawnTemplateCommand(const CommandContext& context);
// Moves the caller to the named location.
CommandOutcome TeleportToCommand(const CommandContext& context);
// Stores the caller's position as a teleport location in config.json: "savehere <name> [replace]".
CommandOutcome SaveLocationCommand(const CommandContext& context);
// Removes the creatures of the caller's last group spawn, or of all: "despawn [all]".
CommandOutcome DespawnCommand(const CommandContext& context);
// A player's counted uses, listed or reset ("uses PLAYER [ENTRY] reset").
CommandOutcome UsesCommand(const CommandContext& context);
// A group's members listed, or one added or removed in config.json.
CommandOutcome GroupCommand(const CommandContext& context);
// The caller moved back to where the teleport command last moved them from.
CommandOutcome BackCommand(const CommandContext& context);
// True when the back command is registered: only then are places remembered.
bool RemembersPlaces(const Settings& loaded);
// True when the despawn command is registered: only then are spawns remembered.
bool RemembersSpawns(const Settings& loaded);

// The handler column of the command table, in the rows' order.
#define ORVANEL_COMMAND_HANDLER(KEY, SAMPLE, KIND, HANDLER, CATALOGUE, PRESENCE, WORDS) HANDLER,
inline constexpr CommandHandler kCommandHandlers[] = {ORVANEL_COMMAND_ROWS(ORVANEL_COMMAND_HANDLER)};
#undef ORVANEL_COMMAND_HANDLER
static_assert(std::size(kCommandHandlers) == kCommandCount);

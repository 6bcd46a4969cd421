// The command handlers: each gets one context (the caller, the line as typed,
// its row and its settings record) and returns what it did. The wrapper that
// Load registers for a row is the only callback the host holds.
#pragma once

#include "orvanel/core/CommandTable.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/core/Settings.h"
#include "orvanel/core/UseStore.h"
#include "orvanel/host/Engine.h"

struct CommandContext {
  AShooterPlayerController* caller;
  const FString& line;
  const CommandRow& row;
  const CommandSettings& settings;
  // Every command's and feature's settings, as loaded.
  const Settings& loaded;
  // The uses that cooldowns and use limits count; null when they are off.
  UseStore* uses = nullptr;
};

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
// True when the despawn command is registered: only then does the group
// command remember what it spawned.
bool RemembersSpawns(const Settings& loaded);

// The handler column of the command table, in the rows' order.
#define ORVANEL_COMMAND_HANDLER(KEY, KIND, HANDLER, CATALOGUE, WORDS) HANDLER,
inline constexpr CommandHandler kCommandHandlers[] = {ORVANEL_COMMAND_ROWS(ORVANEL_COMMAND_HANDLER)};
#undef ORVANEL_COMMAND_HANDLER
static_assert(std::size(kCommandHandlers) == kCommandCount);

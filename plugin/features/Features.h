// The features an operator switches on under "Features", as stages of a run
// (core/Stages.cpp lists them in order): each check and observer does nothing
// unless its feature is on, so that with every one off a command runs exactly
// as it would without them: nothing is asked of the game, logged or answered.
#pragma once

#include <optional>
#include <string>
#include <variant>

#include <nlohmann/json.hpp>

#include "orvanel/run/Run.h"

// Permissions: the caller must be in the command's whitelist when the command
// says "Permissions": true; refused, logged and answered otherwise.
std::optional<CommandOutcome> CheckCommandWhitelist(Run& run);
// Permissions: the entry the line named, when it has a whitelist, admits only
// the Steam ids in it.
std::optional<CommandOutcome> CheckEntryWhitelist(Run& run);
// Whether the caller may be offered `element` by name in a list or a hint.
bool OffersEntry(const CommandContext& context, const nlohmann::json& element);

// Others: with "Others", the online player the word after the entry's name
// names is the one the run acts on; refused and answered when it names no
// online player or more than one.
std::optional<CommandOutcome> FindPlayerActedOn(Run& run);
// The player `wanted` names for `caller`, as "Others" finds them: the one
// online player of that Steam id or name; with `anySteamId`, any Steam id,
// online or not (named by the id when offline). Otherwise the caller is
// answered why and the refusal is returned.
std::variant<ActedOn, CommandOutcome> FindNamedPlayer(AShooterPlayerController* caller, const std::string& wanted,
                                                      bool anySteamId);
// Others: that player is told who did what, after a run that did something.
void TellPlayerActedOn(const CommandContext& context, const CommandOutcome& outcome);

// Cooldowns: a limited entry's use is claimed from the store before the
// handler acts (refused and answered when too soon or used up), kept when the
// run did something and given back when it did nothing.
std::optional<CommandOutcome> ClaimUse(Run& run);

// AuditLog: one line of who ran what and what came of it.
void WriteAuditLine(const CommandContext& context, const CommandOutcome& outcome);

// Feedback: the replies that say what a run did, after the replies of its handler.
void SendFeedback(const CommandContext& context, const CommandOutcome& outcome);

// The caller's player name for log lines (UTF-8): "?" when the game gives none,
// so that a missing member never keeps a line from being written.
std::string CallerName(AShooterPlayerController* player);

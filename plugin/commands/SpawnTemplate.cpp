// The spawn template command: "<command> <template>" reads the named creature
// template of the command's own entry and spawns its group around the caller.
#include <algorithm>
#include <utility>

#include <nlohmann/json.hpp>

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/NamedEntry.h"
#include "orvanel/commands/TemplateReading.h"
#include "orvanel/host/TalvexApi.h"

CommandOutcome SpawnTemplateCommand(const CommandContext& context) {
  CommandOutcome outcome;
  CreatureTemplate read;
  if (!ReadNamedEntry(context, outcome, [&](const nlohmann::json& creature) { read = ReadCreatureTemplate(creature); }))
    return outcome;
  // Around the player acted on, tamed to their team, as if they had asked.
  read.request.steamId =
      outcome.actedOn ? outcome.actedOn->steamId : TalvexApi::IApiUtils::GetSteamIdFromController(context.caller);
  GrantTally tally;
  SpawnCreatureGroup(std::move(read.request), read.count, read.radius, read.facing, &tally);
  outcome.kind = OutcomeKind::Done;
  outcome.done = tally.made;
  outcome.asked = std::max(read.count, 0);
  outcome.unloaded = std::move(tally.unloaded);
  return outcome;
}

// The spawn template command: "<command> <template>" reads the named creature
// template of the command's own entry and spawns its group around the caller.
#include <algorithm>
#include <utility>

#include <nlohmann/json.hpp>

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/NamedEntry.h"
#include "orvanel/commands/TemplateReading.h"
#include "orvanel/core/CommandKeys.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/host/TalvexApi.h"

void SpawnTemplateCommand(APlayerController* player, FString* command_line, bool) {
  CreatureTemplate read;
  if (!ReadNamedEntry(player, *command_line, kSpawnTemplateKey, "Templates",
                      [&](const nlohmann::json& creature) { read = ReadCreatureTemplate(creature); }))
    return;
  read.request.steamId = TalvexApi::IApiUtils::GetSteamIdFromController(player);
  GrantTally tally;
  SpawnCreatureGroup(std::move(read.request), read.count, read.radius, read.facing, &tally);
  RunningOutcome().kind = OutcomeKind::Spawned;
  RunningOutcome().done = tally.made;
  RunningOutcome().asked = std::max(read.count, 0);
  RunningOutcome().unloaded = std::move(tally.unloaded);
}

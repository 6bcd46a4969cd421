// The spawn template command: "<command> <template>" reads the named creature
// template of the command's own entry and spawns its group around the caller.
#include <algorithm>
#include <utility>
#include <variant>
#include <vector>

#include "orvanel/commands/Commands.h"
#include "orvanel/game/CreatureSpawning.h"
#include "orvanel/game/SpawnedCreatures.h"
#include "orvanel/host/TalvexApi.h"

CommandOutcome SpawnTemplateCommand(const CommandContext& context) {
  CreatureTemplate read = std::get<CreatureTemplate>(context.entry.record);
  // Around the player acted on, tamed to their team, as if they had asked.
  read.request.steamId = PlayerRunFor(context);
  GrantTally tally;
  // Remembered for the despawn command, by the caller who spawned them, only
  // while it is registered.
  std::vector<SpawnedCreature> spawned;
  const bool remembered = RemembersSpawns(context.config.settings);
  SpawnCreatureGroup(std::move(read.request), read.count, read.radius, read.facing, &tally,
                     remembered ? &spawned : nullptr);
  if (remembered)
    RememberSpawnedGroup(TalvexApi::IApiUtils::GetSteamIdFromController(context.caller), std::move(spawned));
  CommandOutcome outcome;
  outcome.kind = OutcomeKind::Done;
  outcome.done = tally.made;
  outcome.asked = std::max(read.count, 0);
  outcome.unloaded = std::move(tally.unloaded);
  return outcome;
}

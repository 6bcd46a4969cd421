// The despawn command: "<command>" removes the creatures of the caller's last
// group spawn that still exist, "<command> all" those of every group the caller
// spawned since the plugin was loaded, found again by the game's own ids.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "orvanel/commands/Commands.h"
#include "orvanel/core/Words.h"
#include "orvanel/game/Creatures.h"
#include "orvanel/game/SpawnedCreatures.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"
#include "orvanel/run/Arguments.h"
#include "orvanel/run/Reply.h"

namespace {

uint64_t IdKey(uint32_t id1, uint32_t id2) { return (uint64_t{id1} << 32) | id2; }

// What one pass did: the creatures found to remove, and of those, the ones the game removed.
struct Removal {
  int64_t found = 0;
  int64_t removed = 0;
};

// One pass over the game's creatures: each of `wanted` that is still in the
// world, alive and on the team it was tamed to is destroyed.
Removal RemoveCreatures(const std::vector<SpawnedCreature>& wanted) {
  Removal removal;
  if (wanted.empty()) return removal;
  UWorld* world = TalvexApi::GetApiUtils().GameWorld();
  if (world == nullptr) return removal;
  auto* destroy = GameFunction(AActorDestroy());
  std::unordered_map<uint64_t, int32_t> teams;
  teams.reserve(wanted.size());
  for (const SpawnedCreature& creature : wanted) teams.emplace(IdKey(creature.id1, creature.id2), creature.team);

  // The names are built once so that the pass allocates nothing per creature.
  const auto id1_field = APrimalDinoCharacterDinoID1();
  const auto id2_field = APrimalDinoCharacterDinoID2();
  const auto team_field = AActorTargetingTeam();
  const auto status_field = APrimalCharacterMyCharacterStatusComponent();
  const auto health_field = UPrimalCharacterStatusComponentCurrentStatusValues();
  ForEachCreature(world, [&](AActor* actor) {
    const auto found = teams.find(IdKey(GameField(actor, id1_field), GameField(actor, id2_field)));
    if (found == teams.end()) return;
    // Tamed away to another team since: no longer the spawner's.
    if (GameField(actor, team_field) != found->second) return;
    const UPrimalCharacterStatusComponent* status = GameField(actor, status_field);
    // Health is the first status value: a creature without any has died.
    if (status != nullptr && !(GameField(status, health_field) > 0.0f)) return;
    teams.erase(found);
    ++removal.found;
    if (destroy(actor, false, true)) ++removal.removed;
  });
  return removal;
}

}  // namespace

CommandOutcome DespawnCommand(const CommandContext& context) {
  CommandOutcome outcome;
  TArray<FString> pieces;
  const int32_t words = SplitArguments(context.line, pieces);
  const bool all = words == 2 && NarrowText(pieces[1]) == "all";
  if (words > 2 || (words == 2 && !all)) {
    outcome.kind = OutcomeKind::Refused;
    outcome.reason = "usage";
    SendUtf8Reply(context.caller, SystemSender(), "Usage: {0}, or {0} all.", context.settings.command);
    return outcome;
  }
  const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(context.caller);
  const Removal removal = RemoveCreatures(SpawnedBy(steam_id, all));
  // Forgotten once the pass is done: a pass a missing member stopped keeps them.
  ForgetSpawnedBy(steam_id, all);
  if (removal.removed == removal.found)
    SendUtf8Reply(context.caller, SystemSender(), "Removed {}.", CountOf(removal.removed, "creature"));
  else
    SendUtf8Reply(context.caller, SystemSender(), "Removed {}; the game refused the rest.",
                  CountedOf(removal.removed, removal.found, "creature"));
  outcome.kind = OutcomeKind::Done;
  outcome.done = removal.removed;
  outcome.asked = removal.found;
  return outcome;
}

bool RemembersSpawns(const Settings& loaded) {
  // The despawn command's row, found by its handler: its key is written once, in the table.
  for (std::size_t index = 0; index < kCommandCount; ++index)
    if (kCommandHandlers[index] == &DespawnCommand) return Registers(loaded.Command(kCommandRows[index].key));
  return false;
}

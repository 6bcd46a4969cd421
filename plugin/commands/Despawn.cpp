// The despawn command: "<command>" removes the creatures of the caller's last
// group spawn that still exist, "<command> all" those of every group the caller
// spawned since the plugin was loaded, found again by the game's own ids.
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "orvanel/commands/Commands.h"
#include "orvanel/core/Arguments.h"
#include "orvanel/core/Reply.h"
#include "orvanel/game/CreatureSpawning.h"
#include "orvanel/game/SpawnedCreatures.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"

namespace {

using StaticClassFn = UClass*();
using GetAllActorsOfClassFn = void(UWorld*, UClass*, TArray<AActor*>*);
using DestroyFn = bool(AActor*, bool, bool);

uint64_t IdKey(uint32_t id1, uint32_t id2) { return (uint64_t{id1} << 32) | id2; }

// One pass over the game's creatures: each of `wanted` that is still in the
// world, alive and on the team it was tamed to is destroyed. Returns how many were.
int64_t RemoveCreatures(const std::vector<SpawnedCreature>& wanted) {
  if (wanted.empty()) return 0;
  UWorld* world = TalvexApi::GetApiUtils().GameWorld();
  if (world == nullptr) return 0;
  DestroyFn* destroy = GameFunction<DestroyFn>("AActor.Destroy");
  UClass* creature_class = GameFunction<StaticClassFn>("APrimalDinoCharacter.GetPrivateStaticClass")();
  std::unordered_map<uint64_t, int32_t> teams;
  teams.reserve(wanted.size());
  for (const SpawnedCreature& creature : wanted) teams.emplace(IdKey(creature.id1, creature.id2), creature.team);

  TArray<AActor*> actors;
  GameFunction<GetAllActorsOfClassFn>("UGameplayStatics.GetAllActorsOfClass")(world, creature_class, &actors);
  // The names are built once so that the pass allocates nothing per creature.
  const std::string id1_field = "APrimalDinoCharacter.DinoID1";
  const std::string id2_field = "APrimalDinoCharacter.DinoID2";
  const std::string team_field = "AActor.TargetingTeam";
  const std::string status_field = "APrimalCharacter.MyCharacterStatusComponent";
  const std::string health_field = "UPrimalCharacterStatusComponent.CurrentStatusValues";
  int64_t removed = 0;
  for (AActor* actor : actors) {
    const auto found = teams.find(IdKey(GameField<uint32_t>(actor, id1_field), GameField<uint32_t>(actor, id2_field)));
    if (found == teams.end()) continue;
    // Tamed away to another team since: no longer the spawner's.
    if (GameField<int32_t>(actor, team_field) != found->second) continue;
    const UPrimalCharacterStatusComponent* status = GameField<UPrimalCharacterStatusComponent*>(actor, status_field);
    // Health is the first status value: a creature without any has died.
    if (status != nullptr && !(GameField<float>(status, health_field) > 0.0f)) continue;
    teams.erase(found);
    if (destroy(actor, false, true)) ++removed;
  }
  actors.Empty();
  return removed;
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
  const int64_t removed = RemoveCreatures(SpawnedBy(steam_id, all));
  // Forgotten once the pass is done: a pass a missing member stopped keeps them.
  ForgetSpawnedBy(steam_id, all);
  SendUtf8Reply(context.caller, SystemSender(), "Removed {} creature{}.", removed, removed == 1 ? "" : "s");
  outcome.kind = OutcomeKind::Done;
  outcome.done = removed;
  outcome.asked = removed;
  return outcome;
}

bool RemembersSpawns(const Settings& loaded) {
  // The despawn command's row, found by its handler: its key is written once, in the table.
  for (std::size_t index = 0; index < kCommandCount; ++index)
    if (kCommandHandlers[index] == &DespawnCommand) return Registers(loaded.Command(kCommandRows[index].key));
  return false;
}

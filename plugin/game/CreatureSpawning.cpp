#include "orvanel/game/CreatureSpawning.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <utility>

#include "orvanel/game/AssetReference.h"
#include "orvanel/host/GameAccess.h"
#include "orvanel/host/GameMembers.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"

namespace {

constexpr double kPi = 3.141592653589793;

// The status values refilled to their maximum: health, stamina, oxygen, food.
constexpr std::array<int, 4> kRefilledStatIndices{0, 1, 3, 4};

}  // namespace

namespace {

void SetBit(const void* object, const GameBitFieldMember& member) { WriteBitField(GameBitField(object, member), 1); }

void TurnCreature(APrimalDinoCharacter* creature, float yaw) {
  auto* root = GameField(creature, AActorRootComponent());
  if (root == nullptr) return;
  const FRotator current = GameField(root, USceneComponentRelativeRotation());
  const FRotator turned{current.Pitch, current.Yaw + yaw, current.Roll};
  GameFunction(AActorSetActorRotation())(creature, &turned);
}

void TameToPlayer(APrimalDinoCharacter* creature, AShooterPlayerController* controller) {
  auto* player_state = GameField(controller, AControllerPlayerState());
  GameField(creature, APrimalDinoCharacterTamingTeamID()) = GameField(controller, AActorTargetingTeam());
  FString player_name;
  GameFunction(AShooterPlayerStateGetPlayerName())(player_state, &player_name);
  GameField(creature, APrimalDinoCharacterTamerString()) = std::move(player_name);
  GameFunction(AShooterPlayerStateSetTribeTamingDinoSettings())(player_state, creature);
  GameFunction(APrimalDinoCharacterTameDino())(creature, controller, false, 0);
  GameFunction(APrimalDinoCharacterBeginPlay())(creature);
}

void SetBehaviour(APrimalDinoCharacter* creature, const CreatureSpawnRequest& request) {
  if (!request.follow) GameField(creature, APrimalDinoCharacterTamedFollowTarget()) = 0;
  GameField(creature, APrimalDinoCharacterTamedAggressionLevel()) = request.aggressionLevel;
  if (request.ignoreAllWhistles) SetBit(creature, APrimalDinoCharacterIgnoreAllWhistles());
  if (request.ignoreAllyLook) SetBit(creature, APrimalDinoCharacterIgnoreAllyLook());
}

void SetLevels(UPrimalCharacterStatusComponent* status, const CreatureSpawnRequest& request) {
  auto* base_points = &GameField(status, UPrimalCharacterStatusComponentNumberOfLevelUpPointsApplied());
  for (const CreatureStat& stat : kCreatureStats)
    base_points[stat.index] = static_cast<uint8_t>(request.*stat.baseLevel);

  // A 32-bit sum that wraps as the game's own arithmetic does.
  uint32_t base_level = 1;
  for (const CreatureStat& stat : kCreatureStats) base_level += static_cast<uint32_t>(request.*stat.baseLevel);
  GameField(status, UPrimalCharacterStatusComponentBaseCharacterLevel()) = static_cast<int32_t>(base_level);

  uint16_t extra_level = 0;
  for (const CreatureStat& stat : kCreatureStats)
    extra_level = static_cast<uint16_t>(extra_level + static_cast<uint16_t>(request.*stat.tamedLevel));
  GameField(status, UPrimalCharacterStatusComponentExtraCharacterLevel()) = extra_level;

  const float experience =
      GameFunction(UPrimalCharacterStatusComponentGetExperienceRequiredForPreviousLevelUp())(status);
  GameField(status, UPrimalCharacterStatusComponentExperiencePoints()) = experience;

  auto* tamed_points = &GameField(status, UPrimalCharacterStatusComponentNumberOfLevelUpPointsAppliedTamed());
  for (const CreatureStat& stat : kCreatureStats)
    tamed_points[stat.index] = static_cast<uint8_t>(request.*stat.tamedLevel);

  SetBit(status, UPrimalCharacterStatusComponentInitializedBaseLevelMaxStatusValues());
}

UPrimalInventoryComponent* InventoryOf(APrimalDinoCharacter* creature) {
  return GameField(creature, APrimalCharacterMyInventoryComponent());
}

void AddSaddle(APrimalDinoCharacter* creature, const std::string& saddle_blueprint, float armor, GrantTally* tally) {
  const ItemFunctions functions = ResolveItemFunctions();
  UClass* saddle_class = LoadItemClass(functions, saddle_blueprint, tally);
  if (saddle_class == nullptr) return;
  UPrimalInventoryComponent* inventory = InventoryOf(creature);
  if (inventory == nullptr) return;
  UPrimalItem* saddle = AddNewItem(functions, saddle_class, inventory, true, 0.0f, 0);
  // NaN fails the test as well: the saddle keeps its armor.
  if (saddle == nullptr || !(armor >= 0.0f)) return;
  (&GameField(saddle, UPrimalItemItemStatValues()))[1] = SaddleArmorStatValue(armor);
  GameFunction(UPrimalItemUpdatedItem())(saddle);
}

// Each entry's class, loaded the way the saddle's is, created `count` times.
// What does not load as a class never reaches the game's item creation.
void AddItems(APrimalDinoCharacter* creature, const std::vector<ItemEntry>& items, GrantTally* tally) {
  const ItemFunctions functions = ResolveItemFunctions();
  for (const ItemEntry& entry : items) {
    UClass* item_class = LoadItemClass(functions, entry.blueprint, tally);
    if (item_class == nullptr) continue;
    for (int32_t created = 0; created < entry.count; ++created) {
      UPrimalInventoryComponent* inventory = InventoryOf(creature);
      if (inventory == nullptr) break;
      AddNewItem(functions, item_class, inventory, false, 0.0f, entry.quantity);
    }
  }
}

void Imprint(APrimalDinoCharacter* creature, AShooterPlayerController* controller, float imprint) {
  // NaN fails the test: no imprint.
  if (!(imprint > 0.0f)) {
    GameFunction(APrimalDinoCharacterUpdateImprintingQuality())(creature, 0.0f);
    return;
  }
  const uint64_t player_id = GameField(controller, AShooterPlayerControllerLinkedPlayerID());
  FString character_name;
  GameFunction(AShooterPlayerControllerGetPlayerCharacterName())(controller, &character_name);
  GameFunction(APrimalDinoCharacterUpdateImprintingDetails())(creature, &character_name, player_id);
  GameFunction(APrimalDinoCharacterUpdateImprintingQuality())(creature, std::min(imprint, 1.0f));
}

void RefillStatus(UPrimalCharacterStatusComponent* status) {
  const auto* max_values = &GameField(status, UPrimalCharacterStatusComponentMaxStatusValues());
  auto* current_values = &GameField(status, UPrimalCharacterStatusComponentCurrentStatusValues());
  for (const int stat : kRefilledStatIndices) current_values[stat] = max_values[stat];
}

}  // namespace

SpawnedCreature IdentifyCreature(const APrimalDinoCharacter* creature) {
  return {GameField(creature, APrimalDinoCharacterDinoID1()), GameField(creature, APrimalDinoCharacterDinoID2()),
          GameField(creature, AActorTargetingTeam())};
}

void SpawnCreatureGroup(CreatureSpawnRequest request, int32_t count, float radius, int32_t facing, GrantTally* tally,
                        std::vector<SpawnedCreature>* spawned) {
  for (int32_t i = 0; i < count; ++i) {
    const auto angle = static_cast<float>(2.0 * i * kPi / count);
    CreatureSpawnRequest creature = request;
    creature.offsetX = radius * std::cos(angle);
    creature.offsetY = radius * std::sin(angle);
    creature.offsetZ = kSpawnHeight;
    if (facing == kFacingOutwards)
      creature.yaw = static_cast<float>(i * 360.0 / count);
    else if (facing == kFacingInwards)
      creature.yaw = static_cast<float>(i * 360.0 / count + 180.0);
    else
      creature.yaw = 0.0f;
    if (!SpawnTamedCreature(std::move(creature), tally, spawned)) return;
    if (tally != nullptr) ++tally->made;
  }
}

bool SpawnTamedCreature(CreatureSpawnRequest request, GrantTally* tally, std::vector<SpawnedCreature>* spawned) {
  if (request.blueprint.empty()) return false;
  AShooterPlayerController* controller = TalvexApi::GetApiUtils().FindPlayerFromSteamId(request.steamId);
  if (controller == nullptr) return false;

  FString reference = ToBlueprintReference(request.blueprint);
  AActor* actor = GameFunction(AShooterPlayerControllerSpawnActor())(controller, &reference, request.offsetX,
                                                                     request.offsetY, request.offsetZ, true);
  if (actor == nullptr) {
    if (tally != nullptr) NoteUnloaded(*tally, request.blueprint, NarrowText(reference));
    return false;
  }
  UClass* creature_class = GameFunction(APrimalDinoCharacterGetPrivateStaticClass())();
  if (!GameFunction(UObjectBaseUtilityIsA())(actor, creature_class)) return false;
  auto* creature = static_cast<APrimalDinoCharacter*>(actor);

  // NaN fails the test: no turn.
  if (request.yaw > 0.0f) TurnCreature(creature, request.yaw);
  GameField(creature, APrimalDinoCharacterAbsoluteBaseLevel()) = 1;
  TameToPlayer(creature, controller);
  SetBehaviour(creature, request);

  auto* status = GameField(creature, APrimalCharacterMyCharacterStatusComponent());
  if (status != nullptr) SetLevels(status, request);
  if (!request.saddleBlueprint.empty()) AddSaddle(creature, request.saddleBlueprint, request.saddleArmor, tally);
  AddItems(creature, request.items, tally);
  Imprint(creature, controller, request.imprint);
  if (status != nullptr) RefillStatus(status);
  if (spawned != nullptr) spawned->push_back(IdentifyCreature(creature));
  return true;
}

// Spawning and taming creatures: spawning actors from the catalogue around a
// player, rotation, taming to a player's team, begin-play, behaviour flags,
// levels and experience, saddle stats and imprinting.
#include <algorithm>
#include <cmath>

#include "sandbox/game/CreatureChanges.h"
#include "sandbox/game/Names.h"
#include "sandbox/game/Recorder.h"
#include "sandbox/game/Utf8.h"
#include "sandbox/game/World.h"

namespace sim {
namespace {

using nlohmann::json;

// What a freshly spawned creature has before anyone levels it: full maximum
// values, current values at half of them, and wild and tamed points already at
// the stat indices 2, 5 and 6, which levelling leaves alone.
constexpr std::array<float, kStatCount> kSpawnedMaxStatus{1200, 450, 900, 240, 3000, 100, 50, 550, 1, 1, 0, 0};
constexpr std::array<uint8_t, kStatCount> kSpawnedBasePoints{0, 0, 4, 0, 0, 3, 2, 0, 0, 0, 0, 0};
constexpr std::array<uint8_t, kStatCount> kSpawnedTamedPoints{0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 0, 0};

json TextJson(const FString* text) {
  if (text == nullptr) return nullptr;
  return ToUtf8(text->View());
}

// Fills an empty engine text handed in by the caller.
void FillText(FString* out, const std::string& text, const char* function) {
  if (out == nullptr) Fail(std::string(function) + " was given no text to fill");
  if (out->Data != nullptr || out->ArrayNum != 0) Fail(std::string(function) + " was given a text that is not empty");
  *out = FString(FromUtf8(text));
}

void GiveStartingStatus(StatusComponent* status) {
  status->MaxStatusValues = kSpawnedMaxStatus;
  for (std::size_t stat = 0; stat < kSpawnedMaxStatus.size(); ++stat)
    status->CurrentStatusValues[stat] = kSpawnedMaxStatus[stat] / 2;
  status->NumberOfLevelUpPointsApplied = kSpawnedBasePoints;
  status->NumberOfLevelUpPointsAppliedTamed = kSpawnedTamedPoints;
  int32_t base_level = 1;
  for (const uint8_t points : kSpawnedBasePoints) base_level += points;
  status->BaseCharacterLevel = base_level;
  uint16_t extra_level = 0;
  for (const uint8_t points : kSpawnedTamedPoints) extra_level = static_cast<uint16_t>(extra_level + points);
  status->ExtraCharacterLevel = extra_level;
}

// References in the catalogue's "creatures" spawn creatures, those in "actors"
// plain actors; anything else spawns nothing, unless any asset may spawn. The
// actor stands at the player's position moved by the three floats. Begin-play
// runs on its own unless `no_begin_play` is set.
Actor* SpawnActor(Object* player, FString* reference, float x, float y, float z, bool no_begin_play) {
  auto* controller =
      Expect<Controller>(player, classes::AShooterPlayerController, "AShooterPlayerController.SpawnActor");
  if (reference == nullptr) Fail("AShooterPlayerController.SpawnActor was given no asset reference");
  const std::string path = ToUtf8(reference->View());
  RecordCall("AShooterPlayerController.SpawnActor", {ObjectRef(controller), path, x, y, z, no_begin_play});
  const FVector origin = controller->DefaultActorLocation;
  const FVector at{origin.X + x, origin.Y + y, origin.Z + z};
  World& world = GetWorld();
  if (world.faults.spawnFails) return nullptr;
  const auto listed = world.creatureClasses.find(path);
  const Class* creature_class = listed != world.creatureClasses.end() ? listed->second : nullptr;
  if (creature_class == nullptr && world.actorClasses.count(path) == 0) creature_class = AnyCreatureClass(path);
  if (creature_class != nullptr) {
    Creature* creature = NewCreature(creature_class);
    creature->RootComponent->location = at;
    creature->DefaultActorLocation = at;
    GiveStartingStatus(creature->status);
    if (!no_begin_play) ++creature->beginPlayCount;
    return creature;
  }
  if (const auto actor_class = world.actorClasses.find(path); actor_class != world.actorClasses.end()) {
    Actor* actor = Create<Actor>(actor_class->second);
    actor->RootComponent = Create<SceneComponent>();
    actor->RootComponent->location = at;
    actor->DefaultActorLocation = at;
    world.actors.push_back(actor);
    return actor;
  }
  return nullptr;
}

bool SetActorRotation(Object* object, const FRotator* rotation) {
  auto* actor = Expect<Actor>(object, classes::AActor, "AActor.SetActorRotation");
  if (rotation == nullptr) Fail("AActor.SetActorRotation was given no rotation");
  RecordCall("AActor.SetActorRotation",
             {ObjectRef(actor), json::array({rotation->Pitch, rotation->Yaw, rotation->Roll})});
  if (actor->RootComponent == nullptr) return false;
  actor->RootComponent->RelativeRotation = *rotation;
  return true;
}

FString* GetPlayerName(Object* object, FString* out) {
  auto* state = Expect<PlayerState>(object, classes::AShooterPlayerState, "AShooterPlayerState.GetPlayerName");
  FillText(out, state->playerName, "AShooterPlayerState.GetPlayerName");
  RecordCall("AShooterPlayerState.GetPlayerName", {ObjectRef(state), state->playerName});
  return out;
}

void SetTribeTamingDinoSettings(Object* object, Object* dino) {
  auto* state =
      Expect<PlayerState>(object, classes::AShooterPlayerState, "AShooterPlayerState.SetTribeTamingDinoSettings");
  auto* creature =
      Expect<Creature>(dino, classes::APrimalDinoCharacter, "AShooterPlayerState.SetTribeTamingDinoSettings");
  RecordCall("AShooterPlayerState.SetTribeTamingDinoSettings", {ObjectRef(state), ObjectRef(creature)});
  ++state->tribeSettingsApplied;
}

// The creature joins the player's team (or the team given instead) and takes
// the player's character as its follow target.
void TameDino(Object* object, Object* player, bool ignore_max_tame_limit, int32_t override_team) {
  auto* creature = Expect<Creature>(object, classes::APrimalDinoCharacter, "APrimalDinoCharacter.TameDino");
  auto* controller = Expect<Controller>(player, classes::AShooterPlayerController, "APrimalDinoCharacter.TameDino");
  RecordCall("APrimalDinoCharacter.TameDino",
             {ObjectRef(creature), ObjectRef(controller), ignore_max_tame_limit, override_team});
  creature->TargetingTeam = override_team != 0 ? override_team : controller->TargetingTeam;
  creature->tamed = true;
  creature->TamedFollowTarget = controller->Character;
}

void BeginPlay(Object* object) {
  auto* creature = Expect<Creature>(object, classes::APrimalDinoCharacter, "APrimalDinoCharacter.BeginPlay");
  RecordCall("APrimalDinoCharacter.BeginPlay", {ObjectRef(creature)});
  ++creature->beginPlayCount;
}

// The experience the current level (base plus extra) requires:
// 10 × (level − 1)², none at level 1 or below.
float GetExperienceRequiredForPreviousLevelUp(Object* object) {
  auto* status = Expect<StatusComponent>(object, classes::UPrimalCharacterStatusComponent,
                                         "UPrimalCharacterStatusComponent.GetExperienceRequiredForPreviousLevelUp");
  const double level = static_cast<double>(status->BaseCharacterLevel) + status->ExtraCharacterLevel;
  const auto experience = static_cast<float>(level <= 1 ? 0.0 : 10.0 * (level - 1) * (level - 1));
  RecordCall("UPrimalCharacterStatusComponent.GetExperienceRequiredForPreviousLevelUp",
             {ObjectRef(status), status->BaseCharacterLevel, status->ExtraCharacterLevel, experience});
  return experience;
}

void UpdatedItem(Object* object) {
  auto* item = Expect<Item>(object, classes::UPrimalItem, "UPrimalItem.UpdatedItem");
  RecordCall("UPrimalItem.UpdatedItem", {ObjectRef(item), item->ItemStatValues});
  ++item->updatedCount;
}

FString* GetPlayerCharacterName(Object* object, FString* out) {
  auto* controller =
      Expect<Controller>(object, classes::AShooterPlayerController, "AShooterPlayerController.GetPlayerCharacterName");
  FillText(out, controller->characterName, "AShooterPlayerController.GetPlayerCharacterName");
  RecordCall("AShooterPlayerController.GetPlayerCharacterName", {ObjectRef(controller), controller->characterName});
  return out;
}

void UpdateImprintingDetails(Object* object, FString* character_name, uint64_t player_id) {
  auto* creature =
      Expect<Creature>(object, classes::APrimalDinoCharacter, "APrimalDinoCharacter.UpdateImprintingDetails");
  if (character_name == nullptr) Fail("APrimalDinoCharacter.UpdateImprintingDetails was given no name");
  RecordCall("APrimalDinoCharacter.UpdateImprintingDetails",
             {ObjectRef(creature), TextJson(character_name), player_id});
  creature->imprinterName = WideString(character_name->View());
  creature->imprinterId = player_id;
}

void UpdateImprintingQuality(Object* object, float quality) {
  auto* creature =
      Expect<Creature>(object, classes::APrimalDinoCharacter, "APrimalDinoCharacter.UpdateImprintingQuality");
  RecordCall("APrimalDinoCharacter.UpdateImprintingQuality", {ObjectRef(creature), quality});
  creature->imprintQuality = quality;
}

// Takes the actor out of the world: it leaves the actor list, the survey, `show`
// and `dump`; its memory stays, as a destroyed actor's does until collected.
bool Destroy(Object* object, bool net_force, bool should_modify_level) {
  auto* actor = Expect<Actor>(object, classes::AActor, "AActor.Destroy");
  RecordCall("AActor.Destroy", {ObjectRef(actor), net_force, should_modify_level});
  World& world = GetWorld();
  if (world.faults.destroyFails) return false;
  if (!Derives(actor->cls, &classes::APrimalDinoCharacter)) {
    std::erase(world.actors, actor);
    return true;
  }
  RemoveFromWorld(*static_cast<Creature*>(actor));
  return true;
}

uint32_t* CreatureFlags(Object* object) { return &static_cast<Creature*>(object)->flags; }
uint32_t* StatusFlags(Object* object) { return &static_cast<StatusComponent*>(object)->flags; }

const bool spawn_members_registered = [] {
  RegisterFunction("AShooterPlayerController.SpawnActor", &SpawnActor);
  RegisterFunction("AActor.SetActorRotation", &SetActorRotation);
  RegisterFunction("AActor.Destroy", &Destroy);
  RegisterFunction("AShooterPlayerState.GetPlayerName", &GetPlayerName);
  RegisterFunction("AShooterPlayerState.SetTribeTamingDinoSettings", &SetTribeTamingDinoSettings);
  RegisterFunction("APrimalDinoCharacter.TameDino", &TameDino);
  RegisterFunction("APrimalDinoCharacter.BeginPlay", &BeginPlay);
  RegisterFunction("UPrimalCharacterStatusComponent.GetExperienceRequiredForPreviousLevelUp",
                   &GetExperienceRequiredForPreviousLevelUp);
  RegisterFunction("UPrimalItem.UpdatedItem", &UpdatedItem);
  RegisterFunction("AShooterPlayerController.GetPlayerCharacterName", &GetPlayerCharacterName);
  RegisterFunction("APrimalDinoCharacter.UpdateImprintingDetails", &UpdateImprintingDetails);
  RegisterFunction("APrimalDinoCharacter.UpdateImprintingQuality", &UpdateImprintingQuality);

  SIM_FIELD("USceneComponent.RelativeRotation", classes::USceneComponent, SceneComponent, RelativeRotation);
  SIM_FIELD("APrimalDinoCharacter.DinoID1", classes::APrimalDinoCharacter, Creature, DinoID1);
  SIM_FIELD("APrimalDinoCharacter.DinoID2", classes::APrimalDinoCharacter, Creature, DinoID2);
  SIM_FIELD("APrimalDinoCharacter.AbsoluteBaseLevel", classes::APrimalDinoCharacter, Creature, AbsoluteBaseLevel);
  SIM_FIELD("APrimalDinoCharacter.TamingTeamID", classes::APrimalDinoCharacter, Creature, TamingTeamID);
  SIM_FIELD("APrimalDinoCharacter.TamerString", classes::APrimalDinoCharacter, Creature, TamerString);
  SIM_FIELD("APrimalDinoCharacter.TamedFollowTarget", classes::APrimalDinoCharacter, Creature, TamedFollowTarget);
  SIM_FIELD("APrimalDinoCharacter.TamedAggressionLevel", classes::APrimalDinoCharacter, Creature, TamedAggressionLevel);
  RegisterBitField("APrimalDinoCharacter.bIgnoreAllWhistles", &classes::APrimalDinoCharacter, &CreatureFlags,
                   kIgnoreAllWhistlesBit, 1);
  RegisterBitField("APrimalDinoCharacter.bIgnoreAllyLook", &classes::APrimalDinoCharacter, &CreatureFlags,
                   kIgnoreAllyLookBit, 1);

  SIM_FIELD("UPrimalCharacterStatusComponent.NumberOfLevelUpPointsApplied", classes::UPrimalCharacterStatusComponent,
            StatusComponent, NumberOfLevelUpPointsApplied);
  SIM_FIELD("UPrimalCharacterStatusComponent.NumberOfLevelUpPointsAppliedTamed",
            classes::UPrimalCharacterStatusComponent, StatusComponent, NumberOfLevelUpPointsAppliedTamed);
  SIM_FIELD("UPrimalCharacterStatusComponent.BaseCharacterLevel", classes::UPrimalCharacterStatusComponent,
            StatusComponent, BaseCharacterLevel);
  SIM_FIELD("UPrimalCharacterStatusComponent.ExtraCharacterLevel", classes::UPrimalCharacterStatusComponent,
            StatusComponent, ExtraCharacterLevel);
  SIM_FIELD("UPrimalCharacterStatusComponent.ExperiencePoints", classes::UPrimalCharacterStatusComponent,
            StatusComponent, ExperiencePoints);
  RegisterBitField("UPrimalCharacterStatusComponent.bInitializedBaseLevelMaxStatusValues",
                   &classes::UPrimalCharacterStatusComponent, &StatusFlags, kInitializedBaseLevelMaxStatusValuesBit, 1);
  return true;
}();

}  // namespace
}  // namespace sim

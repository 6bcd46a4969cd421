// The simulated game's objects. Each carries its class, so that "IsA" and the
// name table can check what they are asked of, and a numeric id that traces and
// dumps show. Layouts are the sandbox's own; the plugin reaches them by name only.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "orvanel/host/Engine.h"

namespace sim {

struct Class {
  std::string name;
  const Class* super;
};

// True when `cls` is `base` or derives from it.
bool Derives(const Class* cls, const Class* base);

namespace classes {
extern const Class UObject, UClass, UWorld, UActorComponent, USceneComponent, UPrimalCharacterStatusComponent,
    UPrimalInventoryComponent, UPrimalItem, AActor, APlayerState, AShooterPlayerState, APawn, ACharacter,
    APrimalCharacter, AShooterCharacter, APrimalDinoCharacter, AController, APlayerController, AShooterPlayerController;
}  // namespace classes

struct Object {
  explicit Object(const Class* object_class) : cls(object_class) {}
  virtual ~Object() = default;
  const Class* cls;
  uint64_t id = 0;
};

// The engine's UClass object standing for `described`.
struct ClassObject : Object {
  explicit ClassObject(const Class* of) : Object(&classes::UClass), described(of) {}
  const Class* described;
};

struct WorldObject : Object {
  WorldObject() : Object(&classes::UWorld) {}
};

struct SceneComponent : Object {
  SceneComponent() : Object(&classes::USceneComponent) {}
  FVector location;
  FRotator RelativeRotation;
};

inline constexpr int kStatCount = 12;
inline constexpr uint32_t kInitializedBaseLevelMaxStatusValuesBit = 3;

struct StatusComponent : Object {
  StatusComponent() : Object(&classes::UPrimalCharacterStatusComponent) {}
  std::array<uint8_t, kStatCount> NumberOfLevelUpPointsApplied{};
  std::array<uint8_t, kStatCount> NumberOfLevelUpPointsAppliedTamed{};
  int32_t BaseCharacterLevel = 1;
  uint16_t ExtraCharacterLevel = 0;
  float ExperiencePoints = 0;
  uint32_t flags = 0;
  std::array<float, kStatCount> MaxStatusValues{};
  std::array<float, kStatCount> CurrentStatusValues{};
};

inline constexpr int kItemStatCount = 8;

struct Item : Object {
  explicit Item(const Class* item_class) : Object(item_class) {}
  int32_t quantity = 0;
  float quality = 0;
  bool createdAsEquipment = false;  // the third argument of the creation call
  std::array<uint16_t, kItemStatCount> ItemStatValues{};
  int updatedCount = 0;
};

struct Inventory : Object {
  Inventory() : Object(&classes::UPrimalInventoryComponent) {}
  std::vector<Item*> items;
};

struct Actor : Object {
  explicit Actor(const Class* actor_class) : Object(actor_class) {}
  int32_t TargetingTeam = 0;
  FVector DefaultActorLocation;
  SceneComponent* RootComponent = nullptr;
};

struct Character : Actor {
  explicit Character(const Class* character_class) : Actor(character_class) {}
  StatusComponent* status = nullptr;
  Inventory* inventory = nullptr;
};

inline constexpr uint32_t kIgnoreAllWhistlesBit = 5;
inline constexpr uint32_t kIgnoreAllyLookBit = 6;

struct Creature : Character {
  explicit Creature(const Class* creature_class) : Character(creature_class) {}
  FName DinoNameTag;
  // The game's own identity of a creature: two numbers, unique per creature.
  uint32_t DinoID1 = 0;
  uint32_t DinoID2 = 0;
  // Removed from the world by "AActor.Destroy": no longer in the actor list.
  bool destroyed = false;
  int32_t AbsoluteBaseLevel = 0;
  int32_t TamingTeamID = 0;
  FString TamerString;
  Object* TamedFollowTarget = nullptr;
  int32_t TamedAggressionLevel = 0;
  uint32_t flags = 0;
  int beginPlayCount = 0;
  bool tamed = false;
  float imprintQuality = 0;
  WideString imprinterName;
  uint64_t imprinterId = 0;
};

struct Controller;

struct PlayerState : Object {
  PlayerState() : Object(&classes::AShooterPlayerState) {}
  std::string playerName;
  uint64_t tribeSettingsApplied = 0;
};

struct Controller : Actor {
  Controller() : Actor(&classes::AShooterPlayerController) {}
  std::string name;
  uint64_t steamId = 0;
  uint64_t LinkedPlayerID = 0;
  std::string characterName;
  bool online = true;
  sim::Character* Character = nullptr;
  sim::PlayerState* PlayerState = nullptr;
};

}  // namespace sim

// The simulated world: players, creatures, other actors and the asset catalogue,
// loaded from a world file (WorldFile.cpp) and shown by `dump` (Dump.h). The world
// owns every game object and releases the game memory they hold when it is reset.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sandbox/game/Objects.h"

namespace sim {

struct Faults {
  // IApiUtils::GameWorld answers null.
  bool noGameWorld = false;
  // "UPrimalItem.AddNewItem" makes no item: of any class, or of these class paths.
  bool itemCreationFailsForAll = false;
  std::set<std::string> itemCreationFails;
  // "AShooterPlayerController.SpawnActor" spawns nothing.
  bool spawnFails = false;
  // "UGameplayStatics.GetAllActorsOfClass" finds no actor.
  bool actorListEmpty = false;
  // "AActor.Destroy" removes nothing and answers false.
  bool destroyFails = false;
  // "FMemory.Realloc", as the plugin calls it, answers null for a block
  // larger than this many bytes, as a game out of memory would.
  std::size_t allocationLimit = SIZE_MAX;
};

struct World {
  WorldObject* world = nullptr;
  std::vector<std::unique_ptr<Object>> objects;
  std::vector<Controller*> players;
  // Every creature actor, in the order of the game's actor list.
  std::vector<Creature*> creatures;
  // Spawned actors that are not creatures.
  std::vector<Actor*> actors;
  std::vector<WideString> names;
  std::deque<Class> assetClasses;
  std::map<const Class*, ClassObject*> classObjects;
  // The catalogue: class paths that load as item classes, paths that load as
  // plain objects, references that spawn creatures or other actors.
  std::map<std::string, ClassObject*> itemClasses;
  std::map<std::string, Object*> plainObjects;
  std::map<std::string, const Class*> creatureClasses;
  std::map<std::string, const Class*> actorClasses;
  // Faults the world file switches on, so that a test can make the game say no.
  Faults faults;
  // "assets": {"any": true}: paths the catalogue does not list load or spawn as
  // well (see AnyItemClass and AnyCreatureClass).
  bool anyAssets = false;
  uint64_t nextId = 1;
  // The wall clock "FDateTime.UtcNow" tells, in milliseconds since 1970-01-01
  // UTC: the real time when the world is made, or the world file's "clock"; it
  // stands still but for AdvanceClock, so that a session or test never sleeps.
  int64_t clockMs = 0;
};

World& GetWorld();

// Releases every object and starts an empty world.
void ResetWorld();

// Adds the players, creatures and assets of a world file; throws
// std::runtime_error naming what is wrong with it.
void LoadWorld(const nlohmann::json& description);

template <typename T, typename... Args>
T* Create(Args&&... args) {
  auto object = std::make_unique<T>(std::forward<Args>(args)...);
  object->id = GetWorld().nextId++;
  T* raw = object.get();
  GetWorld().objects.push_back(std::move(object));
  return raw;
}

// The UClass object of `of`, made on first request.
ClassObject* ClassObjectFor(const Class* of);
const Class* NewAssetClass(const std::string& name, const Class* super);

// With anyAssets on, a well-formed class path ("/Game/A.A_C") that the
// catalogue does not list loads as an item class named by that path, and a
// well-formed asset reference ("Blueprint'/Game/A.A'") spawns a creature of a
// class named by it; each is made on first request and kept. Null otherwise.
ClassObject* AnyItemClass(const std::string& class_path);
const Class* AnyCreatureClass(const std::string& reference);

Controller* FindPlayer(const std::string& name);
Controller* FindPlayerBySteamId(uint64_t steam_id);
// The player whose character `character` is, or null.
Controller* OwnerOf(const Object* character);

FName MakeName(WideStringView text);

// A creature with a root component, a status component and an inventory.
Creature* NewCreature(const Class* creature_class);
Item* NewItem(const Class* item_class, Inventory* inventory);

// Moves the world's clock forward (or back, for a negative `ms`).
void AdvanceClock(int64_t ms);

// "2026-12-10T07:00:00Z" (seconds and the Z optional) as milliseconds since
// 1970-01-01 UTC; nothing when the text is no such moment.
std::optional<int64_t> ParseClock(const std::string& text);
// The clock as "2026-12-10 07:00:00 UTC".
std::string ClockText(int64_t ms);

// Moves a player: the controller's location and the character's both.
void MovePlayer(Controller* player, FVector position);

// Game-memory blocks that world objects hold (such as tamer names); with
// LiveBlocks this tells what a command left behind.
std::size_t WorldHeldBlocks();

}  // namespace sim

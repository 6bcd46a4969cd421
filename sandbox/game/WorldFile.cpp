// The world file read into the world: the names withheld, the fault switches,
// the asset catalogue, the players and the creatures, each checked as it is
// read (LoadWorld in World.h).
#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "sandbox/game/AssetCatalogue.h"
#include "sandbox/game/Names.h"
#include "sandbox/game/Utf8.h"
#include "sandbox/game/World.h"

namespace sim {
namespace {

using nlohmann::json;

const std::array<float, kStatCount> kDefaultMaxStatus{1000, 300, 0, 250, 2500, 0, 0, 350, 100, 100, 0, 0};

FVector ReadPosition(const json& value, const std::string& where) {
  if (!value.is_array() || value.size() != 3)
    throw std::runtime_error(where + ": \"position\" must be an array of three numbers");
  for (const json& coordinate : value)
    if (!coordinate.is_number()) throw std::runtime_error(where + ": \"position\" must be an array of three numbers");
  return FVector{value[0].get<float>(), value[1].get<float>(), value[2].get<float>()};
}

template <typename T>
T Member(const json& object, const char* key, T fallback, const std::string& where) {
  if (!object.contains(key)) return fallback;
  try {
    return object.at(key).get<T>();
  } catch (const json::exception&) {
    throw std::runtime_error(where + ": \"" + key + "\" has the wrong type");
  }
}

void LoadPlayer(const json& entry, const std::string& where) {
  if (!entry.is_object()) throw std::runtime_error(where + " must be an object");
  if (!entry.contains("name") || !entry["name"].is_string()) throw std::runtime_error(where + " needs a \"name\"");
  if (!entry.contains("steamId") || !entry["steamId"].is_number_integer())
    throw std::runtime_error(where + " needs a numeric \"steamId\"");
  const std::string name = entry["name"];
  if (FindPlayer(name) != nullptr) throw std::runtime_error(where + ": a player named " + name + " already exists");
  const auto steam_id = entry["steamId"].get<uint64_t>();
  if (const Controller* other = FindPlayerBySteamId(steam_id))
    throw std::runtime_error(where + ": " + name + " has the Steam id " + std::to_string(steam_id) + " of " +
                             other->name);
  Controller* player = Create<Controller>();
  player->name = name;
  player->steamId = steam_id;
  player->TargetingTeam = Member<int32_t>(entry, "team", 0, where);
  player->online = Member<bool>(entry, "online", true, where);
  player->characterName = Member<std::string>(entry, "characterName", name, where);
  player->LinkedPlayerID = Member<uint64_t>(entry, "linkedPlayerId", player->steamId % 1000000000, where);
  player->PlayerState = Create<PlayerState>();
  player->PlayerState->playerName = Member<std::string>(entry, "playerName", name, where);
  player->RootComponent = Create<SceneComponent>();
  if (Member<bool>(entry, "character", true, where)) {
    Character* character = Create<Character>(&classes::AShooterCharacter);
    character->RootComponent = Create<SceneComponent>();
    character->status = Create<StatusComponent>();
    character->status->MaxStatusValues = kDefaultMaxStatus;
    character->status->CurrentStatusValues = kDefaultMaxStatus;
    character->inventory = Create<Inventory>();
    character->TargetingTeam = player->TargetingTeam;
    player->Character = character;
  }
  MovePlayer(player, entry.contains("position") ? ReadPosition(entry["position"], where) : FVector{});
  GetWorld().players.push_back(player);
}

void LoadCreature(const json& entry, const std::string& where) {
  if (!entry.is_object()) throw std::runtime_error(where + " must be an object");
  Creature* creature = NewCreature(&classes::APrimalDinoCharacter);
  creature->DinoNameTag = MakeName(FromUtf8(Member<std::string>(entry, "nameTag", "", where)));
  creature->TargetingTeam = Member<int32_t>(entry, "team", 0, where);
  creature->RootComponent->location = entry.contains("position") ? ReadPosition(entry["position"], where) : FVector{};
  creature->DefaultActorLocation = creature->RootComponent->location;
  creature->status->MaxStatusValues[0] = Member<float>(entry, "maxHealth", 1000.0f, where);
  creature->status->CurrentStatusValues[0] =
      Member<float>(entry, "health", creature->status->MaxStatusValues[0], where);
  if (!Member<bool>(entry, "statusComponent", true, where)) creature->status = nullptr;
  if (!Member<bool>(entry, "rootComponent", true, where)) creature->RootComponent = nullptr;
}

void LoadAssets(const json& assets) {
  const AssetCatalogue catalogue = ReadAssetCatalogue(assets);
  World& world = GetWorld();
  if (catalogue.any) world.anyAssets = *catalogue.any;
  for (const std::string& path : catalogue.items)
    world.itemClasses[path] = ClassObjectFor(NewAssetClass(path, &classes::UPrimalItem));
  for (const std::string& path : catalogue.objects) world.plainObjects[path] = Create<Object>(&classes::UObject);
  for (const std::string& reference : catalogue.creatures)
    world.creatureClasses[reference] = NewAssetClass(reference, &classes::APrimalDinoCharacter);
  for (const std::string& reference : catalogue.actors)
    world.actorClasses[reference] = NewAssetClass(reference, &classes::AActor);
}

bool FaultFlag(const json& description, const char* key) {
  if (!description.contains(key)) return false;
  if (!description[key].is_boolean()) throw std::runtime_error(std::string("\"") + key + "\" must be true or false");
  return description[key].get<bool>();
}

// The fault switches: top-level members beside the players and creatures.
void LoadFaults(const json& description) {
  Faults& faults = GetWorld().faults;
  faults.noGameWorld = FaultFlag(description, "noGameWorld") || faults.noGameWorld;
  faults.spawnFails = FaultFlag(description, "spawnFails") || faults.spawnFails;
  faults.actorListEmpty = FaultFlag(description, "actorListEmpty") || faults.actorListEmpty;
  faults.destroyFails = FaultFlag(description, "destroyFails") || faults.destroyFails;
  if (description.contains("allocationLimit")) {
    const json& limit = description["allocationLimit"];
    if (!limit.is_number_integer() || (!limit.is_number_unsigned() && limit.get<std::int64_t>() < 0))
      throw std::runtime_error("\"allocationLimit\" must be a number of bytes");
    faults.allocationLimit = std::min<std::size_t>(faults.allocationLimit, limit.get<std::uint64_t>());
  }
  if (!description.contains("itemCreationFails")) return;
  const json& items = description["itemCreationFails"];
  const char* wrong = "\"itemCreationFails\" must be true, false or an array of class paths";
  if (items.is_boolean()) {
    faults.itemCreationFailsForAll = items.get<bool>() || faults.itemCreationFailsForAll;
    return;
  }
  if (!items.is_array()) throw std::runtime_error(wrong);
  for (const json& path : items) {
    if (!path.is_string()) throw std::runtime_error(wrong);
    faults.itemCreationFails.insert(path.get<std::string>());
  }
}

// "unresolved": names the host answers null for, as after a game update.
void LoadUnresolvedNames(const json& names) {
  if (!names.is_array()) throw std::runtime_error("\"unresolved\" must be an array of names");
  for (const json& name : names) {
    if (!name.is_string()) throw std::runtime_error("\"unresolved\" must be an array of names");
    WithholdName(name.get<std::string>());
  }
}

}  // namespace

void LoadWorld(const json& description) {
  if (!description.is_object()) throw std::runtime_error("a world file must hold one JSON object");
  if (description.contains("unresolved")) LoadUnresolvedNames(description["unresolved"]);
  LoadFaults(description);
  if (description.contains("clock")) {
    const json& clock = description["clock"];
    const std::optional<int64_t> ms = clock.is_string() ? ParseClock(clock.get<std::string>()) : std::nullopt;
    if (!ms) throw std::runtime_error("\"clock\" must be a moment such as \"2026-12-10T07:00:00Z\" (UTC)");
    GetWorld().clockMs = *ms;
  }
  if (description.contains("assets")) LoadAssets(description["assets"]);
  if (description.contains("players")) {
    if (!description["players"].is_array()) throw std::runtime_error("\"players\" must be an array");
    for (std::size_t i = 0; i < description["players"].size(); ++i)
      LoadPlayer(description["players"][i], "players[" + std::to_string(i) + "]");
  }
  if (description.contains("creatures")) {
    if (!description["creatures"].is_array()) throw std::runtime_error("\"creatures\" must be an array");
    for (std::size_t i = 0; i < description["creatures"].size(); ++i)
      LoadCreature(description["creatures"][i], "creatures[" + std::to_string(i) + "]");
  }
}

}  // namespace sim

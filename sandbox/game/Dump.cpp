#include "sandbox/game/Dump.h"

#include <vector>

#include "sandbox/game/Utf8.h"
#include "sandbox/game/World.h"

namespace sim {
namespace {

using nlohmann::json;

json PositionJson(const FVector& position) { return json::array({position.X, position.Y, position.Z}); }

json FloatArray(const float* values, int count) { return json(std::vector<float>(values, values + count)); }

json InventoryJson(const Inventory* inventory) {
  json items = json::array();
  if (inventory == nullptr) return items;
  for (const Item* item : inventory->items)
    items.push_back({{"id", item->id},
                     {"class", item->cls->name},
                     {"quantity", item->quantity},
                     {"quality", item->quality},
                     {"equipment", item->createdAsEquipment},
                     {"statValues", item->ItemStatValues},
                     {"updatedCount", item->updatedCount}});
  return items;
}

json FollowTargetJson(const Object* target) {
  if (target == nullptr) return nullptr;
  if (const Controller* owner = OwnerOf(target)) return owner->name;
  return target->id;
}

json CreatureJson(const Creature* creature) {
  const World& world = GetWorld();
  json out = {{"id", creature->id}, {"class", creature->cls->name}};
  const auto tag = static_cast<std::size_t>(creature->DinoNameTag.ComparisonIndex);
  out["nameTag"] = tag < world.names.size() ? ToUtf8(world.names[tag]) : "";
  out["team"] = creature->TargetingTeam;
  if (creature->RootComponent != nullptr) {
    out["position"] = PositionJson(creature->RootComponent->location);
    const FRotator& rotation = creature->RootComponent->RelativeRotation;
    out["rotation"] = json::array({rotation.Pitch, rotation.Yaw, rotation.Roll});
  } else {
    out["position"] = nullptr;
    out["rotation"] = nullptr;
  }
  out["tamed"] = creature->tamed;
  out["tamingTeam"] = creature->TamingTeamID;
  out["tamerName"] = ToUtf8(creature->TamerString.View());
  out["absoluteBaseLevel"] = creature->AbsoluteBaseLevel;
  out["aggression"] = creature->TamedAggressionLevel;
  out["followTarget"] = FollowTargetJson(creature->TamedFollowTarget);
  out["ignoreAllWhistles"] = ((creature->flags >> kIgnoreAllWhistlesBit) & 1) != 0;
  out["ignoreAllyLook"] = ((creature->flags >> kIgnoreAllyLookBit) & 1) != 0;
  out["imprintQuality"] = creature->imprintQuality;
  out["imprinterName"] = ToUtf8(creature->imprinterName);
  out["imprinterId"] = creature->imprinterId;
  out["beginPlayCount"] = creature->beginPlayCount;
  if (const StatusComponent* status = creature->status) {
    out["health"] = status->CurrentStatusValues[0];
    out["maxHealth"] = status->MaxStatusValues[0];
    out["baseLevelUps"] = status->NumberOfLevelUpPointsApplied;
    out["tamedLevelUps"] = status->NumberOfLevelUpPointsAppliedTamed;
    out["baseLevel"] = status->BaseCharacterLevel;
    out["extraLevel"] = status->ExtraCharacterLevel;
    out["experience"] = status->ExperiencePoints;
    out["initializedMaxStatus"] = ((status->flags >> kInitializedBaseLevelMaxStatusValuesBit) & 1) != 0;
    out["maxStatus"] = FloatArray(status->MaxStatusValues.data(), kStatCount);
    out["currentStatus"] = FloatArray(status->CurrentStatusValues.data(), kStatCount);
  } else {
    out["statusComponent"] = false;
  }
  out["inventory"] = InventoryJson(creature->inventory);
  return out;
}

}  // namespace

json DumpWorld() {
  const World& world = GetWorld();
  json players = json::array();
  for (const Controller* player : world.players) {
    json out = {{"name", player->name},
                {"steamId", player->steamId},
                {"team", player->TargetingTeam},
                {"position", PositionJson(player->DefaultActorLocation)},
                {"online", player->online},
                {"playerName", player->PlayerState->playerName},
                {"characterName", player->characterName},
                {"linkedPlayerId", player->LinkedPlayerID},
                {"character", player->Character != nullptr}};
    out["inventory"] = InventoryJson(player->Character != nullptr ? player->Character->inventory : nullptr);
    players.push_back(std::move(out));
  }
  json creatures = json::array();
  for (const Creature* creature : world.creatures) creatures.push_back(CreatureJson(creature));
  json actors = json::array();
  for (const Actor* actor : world.actors)
    actors.push_back({{"id", actor->id},
                      {"class", actor->cls->name},
                      {"position", PositionJson(actor->RootComponent ? actor->RootComponent->location
                                                                     : actor->DefaultActorLocation)}});
  return {{"players", players}, {"creatures", creatures}, {"actors", actors}};
}

std::string DumpCommand(const std::string& arguments) {
  if (arguments.empty()) return DumpWorld().dump() + "\n";
  const json part = DumpPart(arguments);
  if (part.is_null()) return "There is no player named \"" + arguments + "\" in this world.\n";
  return part.dump() + "\n";
}

json DumpPart(const std::string& what) {
  json world = DumpWorld();
  if (what == "players" || what == "creatures") return {{what, std::move(world[what])}};
  for (json& player : world["players"])
    if (player["name"] == what) return std::move(player);
  return nullptr;
}

}  // namespace sim

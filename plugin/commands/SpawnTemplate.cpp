// The spawn template command: "<command> <template>" reads the named creature
// template of the command's own entry and spawns its group around the caller.
#include <algorithm>
#include <cctype>
#include <string>
#include <utility>

#include <nlohmann/json.hpp>

#include "orvanel/commands/Commands.h"
#include "orvanel/commands/TemplateValues.h"
#include "orvanel/core/Arguments.h"
#include "orvanel/core/CommandKeys.h"
#include "orvanel/core/Outcome.h"
#include "orvanel/core/Reply.h"
#include "orvanel/core/Settings.h"
#include "orvanel/game/CreatureSpawning.h"
#include "orvanel/host/TalvexApi.h"
#include "orvanel/host/Text.h"

using nlohmann::json;

namespace {

// A creature template read from the configuration: the request template and
// how the group is laid out.
struct CreatureTemplate {
  CreatureSpawnRequest request;
  int32_t count = 1;
  float radius = 1000.0f;
  int32_t facing = kFacingForward;
};

std::string LowerCase(std::string word) {
  for (char& character : word) character = static_cast<char>(std::tolower(static_cast<unsigned char>(character)));
  return word;
}

int32_t AggressionCode(const std::string& word) {
  const std::string lower = LowerCase(word);
  if (lower == "neutral") return 1;
  if (lower == "aggressive") return 2;
  if (lower == "attackmytarget") return 3;
  return 0;
}

int32_t FacingCode(const std::string& word) {
  const std::string lower = LowerCase(word);
  if (lower == "outwards") return kFacingOutwards;
  if (lower == "inwards") return kFacingInwards;
  return kFacingForward;
}

// Reads the whole template; throws the JSON library's error on the first key of
// the wrong type, an item entry that is not an object or one without a string
// "blueprint", and std::out_of_range for a value beyond its range or a group
// beyond the limits.
CreatureTemplate ReadCreatureTemplate(const json& creature, uint64_t steam_id) {
  CreatureTemplate read;
  CreatureSpawnRequest& request = read.request;
  request.steamId = steam_id;
  request.blueprint = creature.at("blueprint").get<std::string>();
  request.saddleBlueprint = creature.value("saddleBlueprint", std::string());
  request.aggressionLevel = AggressionCode(creature.value("aggressionLevel", std::string()));
  read.facing = FacingCode(creature.value("facing", std::string()));

  request.saddleArmor = ReadTemplateNumber(creature, "saddleArmor", 25.0);
  request.imprint = ReadTemplateNumber(creature, "imprint", 0.0);
  request.baseLevelHealth = ReadTemplateInteger(creature, "baseLevelHealth", 0);
  request.baseLevelStamina = ReadTemplateInteger(creature, "baseLevelStamina", 0);
  request.baseLevelOxygen = ReadTemplateInteger(creature, "baseLevelOxygen", 0);
  request.baseLevelFood = ReadTemplateInteger(creature, "baseLevelFood", 0);
  request.baseLevelWeight = ReadTemplateInteger(creature, "baseLevelWeight", 0);
  request.baseLevelMeleeDamage = ReadTemplateInteger(creature, "baseLevelMeleeDamage", 0);
  request.baseLevelMovementSpeed = ReadTemplateInteger(creature, "baseLevelMovementSpeed", 0);
  request.tamedLevelHealth = ReadTemplateInteger(creature, "tamedLevelHealth", 0);
  request.tamedLevelStamina = ReadTemplateInteger(creature, "tamedLevelStamina", 0);
  request.tamedLevelOxygen = ReadTemplateInteger(creature, "tamedLevelOxygen", 0);
  request.tamedLevelFood = ReadTemplateInteger(creature, "tamedLevelFood", 0);
  request.tamedLevelWeight = ReadTemplateInteger(creature, "tamedLevelWeight", 0);
  request.tamedLevelMeleeDamage = ReadTemplateInteger(creature, "tamedLevelMeleeDamage", 0);
  request.tamedLevelMovementSpeed = ReadTemplateInteger(creature, "tamedLevelMovementSpeed", 0);
  read.count = ReadTemplateInteger(creature, "count", 1);
  read.radius = ReadTemplateNumber(creature, "radius", 1000.0);
  request.follow = creature.value("follow", false);
  request.ignoreAllWhistles = creature.value("ignoreAllWhistles", false);
  request.ignoreAllyLook = creature.value("ignoreAllyLook", false);

  // A null "items" walks as an empty list, a lone value as a list of one.
  const json items = creature.value("items", json::array());
  for (const json& element : items) {
    ItemEntry entry;
    entry.blueprint = element.at("blueprint").get<std::string>();
    entry.quantity = ReadTemplateInteger(element, "quantity", 1);
    entry.count = ReadTemplateInteger(element, "count", 1);
    request.items.push_back(std::move(entry));
  }

  TemplateWork creatures{kMaxCreaturesPerGroup, "creatures"};
  creatures.Add(1, read.count);
  TemplateWork creations{kMaxItemCreationsPerCommand, "item creations"};
  creations.Add(read.count, request.saddleBlueprint.empty() ? 0 : 1);
  for (const ItemEntry& entry : request.items) creations.Add(read.count, entry.count);
  return read;
}

}  // namespace

void SpawnTemplateCommand(APlayerController* player, FString* command_line, bool) {
  auto* caller = static_cast<AShooterPlayerController*>(player);
  const CommandSettings* settings = GetCommandSettings(kSpawnTemplateKey);
  if (settings == nullptr) return;
  TArray<FString> pieces;
  if (SplitArguments(*command_line, pieces) < 2) {
    RunningOutcome().kind = OutcomeKind::NoSuchTemplate;
    return;
  }
  const std::string name = NarrowText(pieces[1]);
  RunningOutcome().name = name;

  const auto templates = settings->entry.find("Templates");
  if (templates == settings->entry.end() || !templates->is_object() || !templates->contains(name)) {
    RunningOutcome().kind = OutcomeKind::NoSuchTemplate;
    SendReply(caller, SystemSender(), "The template does not exist! Maybe you forgot to reload..?");
    return;
  }
  const json creature = (*templates)[name];
  const uint64_t steam_id = TalvexApi::IApiUtils::GetSteamIdFromController(player);

  CreatureTemplate read;
  try {
    read = ReadCreatureTemplate(creature, steam_id);
  } catch (const std::exception&) {
    RunningOutcome().kind = OutcomeKind::FailedToRead;
    SendReply(caller, SystemSender(), "Failed to read template...");
    return;
  }
  GrantTally tally;
  SpawnCreatureGroup(std::move(read.request), read.count, read.radius, read.facing, &tally);
  RunningOutcome().kind = OutcomeKind::Spawned;
  RunningOutcome().done = tally.made;
  RunningOutcome().asked = std::max(read.count, 0);
  RunningOutcome().unloaded = std::move(tally.unloaded);
}

// The records the read stages fill from a template, for the game's side to act
// on: an item of a kit, what one creature of a group needs, the stats a group
// levels and the ways it faces. Host-free: plain values, no game types.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "orvanel/core/CreatureValues.h"

// One item of a template.
struct ItemEntry {
  std::string blueprint;
  std::vector<std::string> blueprints;
  int32_t quantity = 0;
  int32_t count = 1;
  float quality = 0.0f;
};

// Everything one creature needs. The offsets and the yaw are filled per
// creature by SpawnCreatureGroup; the rest comes from a creature template.
struct CreatureSpawnRequest {
  uint64_t steamId = 0;
  std::string blueprint;
  // Empty: no saddle.
  std::string saddleBlueprint;
  int32_t baseLevelHealth = 0;
  int32_t baseLevelStamina = 0;
  int32_t baseLevelOxygen = 0;
  int32_t baseLevelFood = 0;
  int32_t baseLevelWeight = 0;
  int32_t baseLevelMeleeDamage = 0;
  int32_t baseLevelMovementSpeed = 0;
  int32_t tamedLevelHealth = 0;
  int32_t tamedLevelStamina = 0;
  int32_t tamedLevelOxygen = 0;
  int32_t tamedLevelFood = 0;
  int32_t tamedLevelWeight = 0;
  int32_t tamedLevelMeleeDamage = 0;
  int32_t tamedLevelMovementSpeed = 0;
  // Negative (or NaN): the saddle keeps the armor the game gave it.
  float saddleArmor = kDefaultSaddleArmor;
  // Imprint fraction, 1 = full; above 1 counts as 1, 0 or less as none.
  float imprint = 0.0f;
  std::vector<ItemEntry> items;
  // Placement relative to the player, as the game's spawn function takes it.
  float offsetX = 0.0f;
  float offsetY = 0.0f;
  float offsetZ = kSpawnHeight;
  // False clears the follow target that taming gives the creature.
  bool follow = false;
  // Tamed aggression: 0 passive, 1 neutral, 2 aggressive, 3 attack my target.
  int32_t aggressionLevel = 0;
  bool ignoreAllWhistles = false;
  bool ignoreAllyLook = false;
  // Degrees added to the creature's yaw; only values above 0 turn it.
  float yaw = 0.0f;
};

// The stats a creature template levels, in the order of its level keys: each
// stat's name (the keys are "baseLevel" and "tamedLevel" followed by it), the
// stat index its level-up points are written at, and its two fields of the
// request. The other indices (2, 5 and 6) keep what the game gave them.
struct CreatureStat {
  const char* name;
  int index;
  int32_t CreatureSpawnRequest::*baseLevel;
  int32_t CreatureSpawnRequest::*tamedLevel;
};
inline constexpr std::array<CreatureStat, 7> kCreatureStats{{
    {"Health", 0, &CreatureSpawnRequest::baseLevelHealth, &CreatureSpawnRequest::tamedLevelHealth},
    {"Stamina", 1, &CreatureSpawnRequest::baseLevelStamina, &CreatureSpawnRequest::tamedLevelStamina},
    {"Oxygen", 3, &CreatureSpawnRequest::baseLevelOxygen, &CreatureSpawnRequest::tamedLevelOxygen},
    {"Food", 4, &CreatureSpawnRequest::baseLevelFood, &CreatureSpawnRequest::tamedLevelFood},
    {"Weight", 7, &CreatureSpawnRequest::baseLevelWeight, &CreatureSpawnRequest::tamedLevelWeight},
    {"MeleeDamage", 8, &CreatureSpawnRequest::baseLevelMeleeDamage, &CreatureSpawnRequest::tamedLevelMeleeDamage},
    {"MovementSpeed", 9, &CreatureSpawnRequest::baseLevelMovementSpeed, &CreatureSpawnRequest::tamedLevelMovementSpeed},
}};

// Which way the creatures of a group face.
inline constexpr int32_t kFacingForward = 0;
inline constexpr int32_t kFacingOutwards = 1;
inline constexpr int32_t kFacingInwards = 2;

// Creature spawning and taming: a group of creatures placed on a circle around
// a player, each spawned from its asset path, tamed to the player's team,
// levelled, saddled, stocked and imprinted through game members reached by name.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "orvanel/core/TemplateRecords.h"
#include "orvanel/game/Items.h"
#include "orvanel/game/SpawnedCreatures.h"

// Spawns `count` creatures evenly on a circle of `radius` around the player,
// creature 0 on the first axis, and stops at the first that fails. Nothing
// happens for a count of 0 or less. `tally`, when given, counts the creatures
// spawned and the paths that spawned or loaded nothing; `spawned`, when
// given, receives the identity of each creature made.
void SpawnCreatureGroup(CreatureSpawnRequest request, int32_t count, float radius, int32_t facing,
                        GrantTally* tally = nullptr, std::vector<SpawnedCreature>* spawned = nullptr);

// Spawns, tames and configures one creature. False, before anything changed in
// the game, when the blueprint is empty, the player is offline or the spawn
// gave nothing; false too when it gave an actor that is not a creature (that
// actor stays).
bool SpawnTamedCreature(CreatureSpawnRequest request, GrantTally* tally = nullptr,
                        std::vector<SpawnedCreature>* spawned = nullptr);

// The game's identity of `creature` and the team it is on.
SpawnedCreature IdentifyCreature(const APrimalDinoCharacter* creature);

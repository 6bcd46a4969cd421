// The creatures each caller spawned with the group command, by the game's own
// identity of a creature, never by a pointer: what the despawn command finds
// again. Kept while the plugin is loaded, bounded, dropped at unload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The most creatures, and the most groups, remembered of all callers together:
// past it, the oldest groups are forgotten first.
inline constexpr std::size_t kRememberedCreatures = 100000;

// One spawned creature: the game's two-part id, and the team it was tamed to,
// which it must still be on to be its spawner's.
struct SpawnedCreature {
  uint32_t id1 = 0;
  uint32_t id2 = 0;
  int32_t team = 0;
};

// Notes `group` as the last group spawned by `steam_id` (an empty group too).
void RememberSpawnedGroup(uint64_t steam_id, std::vector<SpawnedCreature> group);

// The creatures of the last group `steam_id` spawned, or, with `all`, of every
// group, the latest first.
std::vector<SpawnedCreature> SpawnedBy(uint64_t steam_id, bool all);

// Forgets what SpawnedBy returns: the last group stays the last one, empty;
// with `all` every group of `steam_id` goes.
void ForgetSpawnedBy(uint64_t steam_id, bool all);

void ForgetSpawnedCreatures();
